// "Draw and Print Layout": the sheet of the page, font, header and tune settings
// (the application's FormatSettings), with the pages General, Page && Margins,
// Fonts and Tune. Opening copies every field in; OK copies them back and writes
// the layout file; Cancel changes nothing. "&Advanced Settings" opens the sheet of
// the engraving measures. The header block dialog "Layout - Tune Header - " edits
// one tune-header block.
#pragma once

#include <QDialog>
#include <QWidget>
#include <string>
#include <vector>

#include "draw/FormatSettings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace tunora {

class FontButton;
class LengthField;

// A page of the sheet: fields in from the record, and back (false with a message
// when a field holds no number).
class CLayoutSheetPage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  virtual void Load(const FormatSettings& fs) = 0;
  virtual bool Store(FormatSettings& fs) = 0;
};

class CHeaderBlockDlg : public QDialog {
  Q_OBJECT

 public:
  // block is edited in place on OK; headerFont is the tune-header font (the block's
  // font starts from it when it has none of its own).
  CHeaderBlockDlg(HeaderBlock& block, QWidget* parent = nullptr);

  QLineEdit* Fields() const { return fields_; }
  LengthField* SpaceBefore() const { return spaceBefore_; }

 public slots:
  void accept() override;

 private:
  HeaderBlock& block_;
  QLineEdit* fields_;
  QComboBox* align_;
  QComboBox* adjust_;
  LengthField* width_;
  QSpinBox* maxLines_;
  LengthField* spaceBefore_;
  LengthField* spaceAfter_;
  LengthField* lineSpacing_;
  QLineEdit* start_;
  QLineEdit* end_;
  QLineEdit* newline_;
  QCheckBox* after_;
  QCheckBox* freshline_;
  QCheckBox* merge_;
  QCheckBox* capitalised_;
  FontButton* font_;
};

class CLayoutGeneral : public CLayoutSheetPage {
  Q_OBJECT

 public:
  explicit CLayoutGeneral(QWidget* parent = nullptr);
  void Load(const FormatSettings& fs) override;
  bool Store(FormatSettings& fs) override;

  QListWidget* HeaderList() const { return list_; }
  const std::vector<HeaderBlock>& Headers() const { return headers_; }
  QRadioButton* Inches() const { return inches_; }
  // The list buttons.
  void EditHeader();
  void DeleteHeader();
  void AddHeader();
  void MoveHeader(int delta);

 private:
  void FillList(int current);

  QRadioButton* centimetres_;
  QRadioButton* inches_;
  QSpinBox* staffSize_;
  QListWidget* list_;
  std::vector<HeaderBlock> headers_;
  FontSpec headerFont_;
  QRadioButton* measureOff_;
  QRadioButton* measureOn_;
  QSpinBox* measureFirst_;
  QSpinBox* measureEvery_;
  QCheckBox* measureBox_;
};

class CLayoutPage : public CLayoutSheetPage {  // "Page && Margins"
  Q_OBJECT

 public:
  explicit CLayoutPage(QWidget* parent = nullptr);
  void Load(const FormatSettings& fs) override;
  bool Store(FormatSettings& fs) override;
  LengthField* TopMargin() const { return margins_[0]; }
  QLineEdit* LayoutFile() const { return layoutFile_; }

 private:
  QLineEdit* layoutFile_;
  LengthField* margins_[6];  // top, bottom, left, right, header, footer
  QCheckBox* pageNumbers_;
  QSpinBox* firstPage_;
  QButtonGroup* numberWhere_;
  QButtonGroup* numberAlign_;
  QLineEdit* header_;
  QButtonGroup* headerAlign_;
  QLineEdit* footer_;
  QButtonGroup* footerAlign_;
  QCheckBox* opposite_;
  QCheckBox* showMargins_;
  QCheckBox* onePerPage_;
};

class CLayoutFonts : public CLayoutSheetPage {
  Q_OBJECT

 public:
  explicit CLayoutFonts(QWidget* parent = nullptr);
  void Load(const FormatSettings& fs) override;
  bool Store(FormatSettings& fs) override;
  FontButton* Button(int i) const { return buttons_[static_cast<size_t>(i)]; }

 private:
  std::vector<FontButton*> buttons_;
};

class CLayoutTuneSet : public CLayoutSheetPage {
  Q_OBJECT

 public:
  explicit CLayoutTuneSet(QWidget* parent = nullptr);
  void Load(const FormatSettings& fs) override;
  bool Store(FormatSettings& fs) override;

 private:
  LengthField* lengths_[6];  // before, after, staves, note spacing, chords, indent
  QSpinBox* barsPerStaff_;
  QRadioButton* exprBelow_;
  QRadioButton* exprAbove_;
  std::vector<QCheckBox*> switches_;
  QRadioButton* hardLf_;
  QRadioButton* softLf_;
  QButtonGroup* tupletKind_;
  QButtonGroup* tupletSide_;
};

class CLayoutProp : public QDialog {
  Q_OBJECT

 public:
  explicit CLayoutProp(QWidget* parent = nullptr);

  QTabWidget* Tabs() const { return tabs_; }
  CLayoutGeneral* General() const { return general_; }
  CLayoutPage* PageMargins() const { return page_; }
  CLayoutFonts* Fonts() const { return fonts_; }
  CLayoutTuneSet* TuneSet() const { return tune_; }
  QPushButton* AdvancedButton() const { return advanced_; }

 public slots:
  // OK: the pages into the application's settings, then the layout file written.
  void accept() override;

 private:
  QTabWidget* tabs_;
  CLayoutGeneral* general_;
  CLayoutPage* page_;
  CLayoutFonts* fonts_;
  CLayoutTuneSet* tune_;
  QPushButton* advanced_;
};

// Opens "Draw and Print Layout"; true when it was confirmed.
bool RunLayoutSheet(QWidget* parent);
// Writes the layout file of the program directory from the application's settings.
bool WriteLayoutFile(std::string& error);

}  // namespace tunora
