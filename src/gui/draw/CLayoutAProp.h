// "Advanced Settings for Print and Draw Layout": the engraving measures
// (LayoutParams) on seven pages, each edit bound to one value. Opening copies the
// application's set in; OK copies the pages back and saves the "Music" section;
// Cancel changes nothing. "Reset All Advanced Settings to &Default Values" puts
// the defaults into the pages; "&Musical Symbols..." opens the symbol dialog on
// the sheet's copy of the per-symbol offsets.
#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "draw/LayoutParams.h"

class QPushButton;
class QSpinBox;
class QTabWidget;

namespace tunora {

class LengthField;

// A page of value rows: lengths (thousandths) and percentages (integers).
class CLayoutParamPage : public QWidget {
  Q_OBJECT

 public:
  struct Row {
    const char* label;
    int index;  // into LayoutParams
    bool percent = false;
  };
  CLayoutParamPage(std::vector<Row> rows, QWidget* parent = nullptr);
  void Load(const LayoutParams& params);
  // False (after telling the user) when a field holds no number.
  bool Store(LayoutParams& params);
  // The field of a LayoutParams index (length or percentage), or null.
  QWidget* Field(int index) const;

 protected:
  std::vector<Row> rows_;
  std::vector<QWidget*> fields_;
};

class CLayoutClefKeyTime : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutClefKeyTime(QWidget* parent = nullptr);
  QPushButton* SymbolsButton() const { return symbols_; }
  QPushButton* ResetButton() const { return reset_; }

 private:
  QPushButton* symbols_;
  QPushButton* reset_;
};
class CLayoutNotes : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutNotes(QWidget* parent = nullptr);
};
class CLayoutLines : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutLines(QWidget* parent = nullptr);
};
class CLayoutRests : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutRests(QWidget* parent = nullptr);
};
// The offsets of the flagged note symbols (eighth to 128th, stem up and down).
class CLayoutFlags : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutFlags(QWidget* parent = nullptr);
};
class CLayoutSlurs : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutSlurs(QWidget* parent = nullptr);
};
class CLayoutBars : public CLayoutParamPage {
  Q_OBJECT
 public:
  explicit CLayoutBars(QWidget* parent = nullptr);
};

class CLayoutAProp : public QDialog {
  Q_OBJECT

 public:
  explicit CLayoutAProp(QWidget* parent = nullptr);

  QTabWidget* Tabs() const { return tabs_; }
  const std::vector<CLayoutParamPage*>& Pages() const { return pages_; }
  CLayoutClefKeyTime* ClefKeyTime() const { return clefKeyTime_; }
  // The sheet's working copy (offsets changed in the symbol dialog live here).
  LayoutParams& Params() { return params_; }
  // Every page gets the default values.
  void ResetToDefaults();
  // The symbol dialog on the working copy.
  void EditSymbols();

 public slots:
  void accept() override;

 private:
  QTabWidget* tabs_;
  std::vector<CLayoutParamPage*> pages_;
  CLayoutClefKeyTime* clefKeyTime_;
  LayoutParams params_;
};

// Opens the advanced sheet; true when confirmed.
bool RunAdvancedSheet(QWidget* parent);

}  // namespace tunora
