// "Musical Symbols": the list of the notation symbols with the character that
// draws each. "&Symbol..." opens "Set Symbol - " to choose another character from
// the notation font's glyph grid; "&Offset..." opens "Offset - " with the symbol's
// three offsets in thousandths. Group headings are listed but cannot be chosen.
// OK saves the map to the setting MusicalSymbols and hands the offsets back.
#pragma once

#include <QDialog>

#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"

class QListWidget;
class QTableWidget;

namespace tunora {

class LengthField;

class CSetSymbolDlg : public QDialog {
  Q_OBJECT

 public:
  CSetSymbolDlg(int symbol, uint8_t current, QWidget* parent = nullptr);
  QTableWidget* Grid() const { return grid_; }
  uint8_t Chosen() const;
  void Choose(uint8_t character);

 private:
  QTableWidget* grid_;
};

class COffsetDlg : public QDialog {
  Q_OBJECT

 public:
  COffsetDlg(int symbol, LayoutParams& params, QWidget* parent = nullptr);
  LengthField* Field(int i) const { return fields_[i]; }

 public slots:
  void accept() override;

 private:
  int symbol_;
  LayoutParams& params_;
  LengthField* fields_[3];  // above, below, horizontal
};

class CSymbolDlg : public QDialog {
  Q_OBJECT

 public:
  // params: the offsets edited (changed only on OK).
  explicit CSymbolDlg(LayoutParams& params, QWidget* parent = nullptr);

  QListWidget* List() const { return list_; }
  const SymbolMap& Map() const { return map_; }
  // The selected symbol number, or -1.
  int Current() const;
  // The buttons; nothing happens for a heading or no selection.
  void SetSymbol();
  void SetOffset();
  // What the buttons do, without their dialogs.
  bool ChangeSymbol(int symbol, uint8_t character);

 public slots:
  void accept() override;

 private:
  void FillRow(int symbol);

  LayoutParams& params_;
  LayoutParams working_;
  SymbolMap map_;
  QListWidget* list_;
};

// Writes the map to the setting MusicalSymbols of the settings file and into the
// running program's settings. False when the file could not be written.
bool SaveSymbolMap(const SymbolMap& map);

}  // namespace tunora
