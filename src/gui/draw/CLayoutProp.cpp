#include "gui/draw/CLayoutProp.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/FileIO.h"
#include "gui/app/CPrefPage.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/draw/CLayoutAProp.h"
#include "gui/draw/LayoutFields.h"

namespace tunora {
namespace {

QSpinBox* Spin(int min, int max, QWidget* parent) {
  auto* s = new QSpinBox(parent);
  s->setRange(min, max);
  return s;
}

// Three radio buttons "Left", "Center", "Right" with the ids of the alignments.
QButtonGroup* AlignGroup(QWidget* parent, QHBoxLayout* row) {
  auto* group = new QButtonGroup(parent);
  const std::pair<const char*, int> choices[] = {
      {"Left", kAlignLeft}, {"Center", kAlignCenter}, {"Right", kAlignRight}};
  for (const auto& [text, id] : choices) {
    auto* b = new QRadioButton(QString::fromLatin1(text), parent);
    group->addButton(b, id);
    row->addWidget(b);
  }
  return group;
}

void Check(QButtonGroup* group, int id) {
  if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}

int CheckedId(QButtonGroup* group, int fallback) {
  int id = group->checkedId();
  return id < 0 ? fallback : id;
}

const char* const kAlignNames[] = {"left", "right", "center", "full"};
const char* const kAdjustNames[] = {"left", "right", "center", "justify"};

}  // namespace

// --- header block dialog -----------------------------------------------------------------

CHeaderBlockDlg::CHeaderBlockDlg(HeaderBlock& block, QWidget* parent)
    : QDialog(parent), block_(block) {
  setWindowTitle(QStringLiteral("Layout - Tune Header - ") + QString::fromStdString(block.fields));
  auto* form = new QFormLayout;
  fields_ = new QLineEdit(QString::fromStdString(block.fields), this);
  align_ = new QComboBox(this);
  adjust_ = new QComboBox(this);
  for (const char* n : kAlignNames) align_->addItem(QString::fromLatin1(n));
  for (const char* n : kAdjustNames) adjust_->addItem(QString::fromLatin1(n));
  align_->setCurrentIndex(std::clamp(block.align, 0, 3));
  adjust_->setCurrentIndex(std::clamp(block.adjust, 0, 3));
  width_ = new LengthField(this);
  maxLines_ = Spin(0, 999, this);
  spaceBefore_ = new LengthField(this);
  spaceAfter_ = new LengthField(this);
  lineSpacing_ = new LengthField(this);
  width_->SetValue(block.width);
  maxLines_->setValue(static_cast<int>(block.maxLines));
  spaceBefore_->SetValue(block.spaceBefore);
  spaceAfter_->SetValue(block.spaceAfter);
  lineSpacing_->SetValue(block.lineSpacing);
  start_ = new QLineEdit(CPrefPage::TextOf(block.start), this);
  end_ = new QLineEdit(CPrefPage::TextOf(block.end), this);
  newline_ = new QLineEdit(CPrefPage::TextOf(block.newline), this);
  form->addRow(QStringLiteral("F&ields:"), fields_);
  form->addRow(QStringLiteral("A&lign:"), align_);
  form->addRow(QStringLiteral("Ad&just:"), adjust_);
  form->addRow(QStringLiteral("&Width:"), width_);
  form->addRow(QStringLiteral("Ma&x. Lines:"), maxLines_);
  form->addRow(QStringLiteral("Space &before:"), spaceBefore_);
  form->addRow(QStringLiteral("Space &after:"), spaceAfter_);
  form->addRow(QStringLiteral("Line S&pacing:"), lineSpacing_);
  form->addRow(QStringLiteral("&Start:"), start_);
  form->addRow(QStringLiteral("&End:"), end_);
  form->addRow(QStringLiteral("&Newline:"), newline_);
  after_ = new QCheckBox(QStringLiteral("After Tune"), this);
  freshline_ = new QCheckBox(QStringLiteral("Fresh Line"), this);
  merge_ = new QCheckBox(QStringLiteral("Merge with Next"), this);
  capitalised_ = new QCheckBox(QStringLiteral("&CAPitalised"), this);
  after_->setChecked(block.after);
  freshline_->setChecked(block.freshline);
  merge_->setChecked(block.merge);
  capitalised_->setChecked(block.capitalised);
  auto* sample = new QLabel(this);
  font_ = new FontButton(QStringLiteral("Set &Font"), sample, this);
  font_->SetFont(block.font);
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(font_);
  fontRow->addWidget(sample, 1);
  auto* checks = new QHBoxLayout;
  for (QCheckBox* c : {after_, freshline_, merge_, capitalised_}) checks->addWidget(c);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(checks);
  layout->addLayout(fontRow);
  layout->addWidget(buttons);
}

void CHeaderBlockDlg::accept() {
  HeaderBlock b = block_;
  for (auto [field, value] :
       {std::pair{width_, &b.width}, std::pair{spaceBefore_, &b.spaceBefore},
        std::pair{spaceAfter_, &b.spaceAfter}, std::pair{lineSpacing_, &b.lineSpacing}}) {
    if (!field->ReadOrTell(*value)) return;
  }
  // Field letters are one word of the layout file.
  b.fields = fields_->text().remove(QLatin1Char(' ')).toStdString();
  if (b.fields.empty()) {
    MessageWarning(this, QStringLiteral("Please enter the field letters of the header."));
    fields_->setFocus();
    return;
  }
  b.align = align_->currentIndex();
  b.adjust = adjust_->currentIndex();
  b.maxLines = static_cast<uint32_t>(maxLines_->value());
  b.start = CPrefPage::BytesOf(block_.start, start_->text());
  b.end = CPrefPage::BytesOf(block_.end, end_->text());
  b.newline = CPrefPage::BytesOf(block_.newline, newline_->text());
  b.after = after_->isChecked();
  b.freshline = freshline_->isChecked();
  b.merge = merge_->isChecked();
  b.capitalised = capitalised_->isChecked();
  b.font = font_->Font();
  block_ = b;
  QDialog::accept();
}

// --- General ---------------------------------------------------------------------------------

CLayoutGeneral::CLayoutGeneral(QWidget* parent) : CLayoutSheetPage(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* units = new QGroupBox(QStringLiteral("Units"), this);
  auto* unitRow = new QHBoxLayout(units);
  centimetres_ = new QRadioButton(QStringLiteral("&Centimeters"), units);
  inches_ = new QRadioButton(QStringLiteral("&Inches"), units);
  unitRow->addWidget(centimetres_);
  unitRow->addWidget(inches_);
  unitRow->addSpacing(24);
  unitRow->addWidget(new QLabel(QStringLiteral("&Staff Size:"), units));
  staffSize_ = Spin(10, 400, units);
  static_cast<QLabel*>(unitRow->itemAt(unitRow->count() - 1)->widget())->setBuddy(staffSize_);
  unitRow->addWidget(staffSize_);
  unitRow->addWidget(new QLabel(QStringLiteral("% of Standard"), units));
  unitRow->addStretch(1);
  layout->addWidget(units);

  auto* headersLabel = new QLabel(QStringLiteral("&Headers:"), this);
  list_ = new QListWidget(this);
  list_->setFont(QFont(QStringLiteral("Monospace")));
  headersLabel->setBuddy(list_);
  auto* listRow = new QHBoxLayout;
  listRow->addWidget(list_, 1);
  auto* buttons = new QVBoxLayout;
  auto add = [this, buttons](const QString& text, auto slot) {
    auto* b = new QPushButton(text, this);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
  };
  add(QStringLiteral("&Edit"), [this] { EditHeader(); });
  add(QStringLiteral("&Delete"), [this] { DeleteHeader(); });
  add(QStringLiteral("&Add"), [this] { AddHeader(); });
  add(QStringLiteral("&Up 1"), [this] { MoveHeader(-1); });
  add(QStringLiteral("D&own 1"), [this] { MoveHeader(1); });
  buttons->addStretch(1);
  listRow->addLayout(buttons);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { EditHeader(); });
  layout->addWidget(headersLabel);
  layout->addLayout(listRow, 1);

  auto* measures = new QGroupBox(QStringLiteral("Measure Numbers:"), this);
  auto* grid = new QGridLayout(measures);
  measureOff_ = new QRadioButton(QStringLiteral("Off"), measures);
  measureOn_ = new QRadioButton(QStringLiteral("Begin on:"), measures);
  measureFirst_ = Spin(-9999, 9999, measures);
  measureEvery_ = Spin(0, 999, measures);
  measureBox_ = new QCheckBox(QStringLiteral("Box around Measure Number"), measures);
  grid->addWidget(measureOff_, 0, 0);
  grid->addWidget(measureOn_, 1, 0);
  grid->addWidget(measureFirst_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Every"), measures), 1, 2);
  grid->addWidget(measureEvery_, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("bars (0 = first on each staff)"), measures), 1, 4);
  grid->addWidget(measureBox_, 2, 0, 1, 5);
  grid->setColumnStretch(5, 1);
  layout->addWidget(measures);
}

void CLayoutGeneral::Load(const FormatSettings& fs) {
  (fs.unit == kUnitCentimetres ? centimetres_ : inches_)->setChecked(true);
  staffSize_->setValue(fs.staffSize);
  headers_ = fs.headers;
  headerFont_ = fs.headerFont;
  FillList(headers_.empty() ? -1 : 0);
  (fs.measureInterval < 0 ? measureOff_ : measureOn_)->setChecked(true);
  measureFirst_->setValue(fs.measureFirst);
  measureEvery_->setValue(std::max(0, fs.measureInterval));
  measureBox_->setChecked(fs.measureBox);
}

bool CLayoutGeneral::Store(FormatSettings& fs) {
  fs.unit = inches_->isChecked() ? kUnitInches : kUnitCentimetres;
  fs.staffSize = staffSize_->value();
  fs.headers = headers_;
  fs.measureInterval = measureOff_->isChecked() ? -1 : measureEvery_->value();
  fs.measureFirst = measureFirst_->value();
  fs.measureBox = measureBox_->isChecked();
  return true;
}

void CLayoutGeneral::FillList(int current) {
  list_->clear();
  for (const HeaderBlock& b : headers_)
    list_->addItem(CPrefPage::TextOf(WriteHeaderBlock(b, headerFont_)));
  if (current >= 0 && current < list_->count()) list_->setCurrentRow(current);
}

void CLayoutGeneral::EditHeader() {
  int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(headers_.size())) return;
  HeaderBlock block = headers_[static_cast<size_t>(row)];
  CHeaderBlockDlg dialog(block, this);
  if (dialog.exec() != QDialog::Accepted) return;
  headers_[static_cast<size_t>(row)] = block;
  FillList(row);
}

void CLayoutGeneral::DeleteHeader() {
  int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(headers_.size())) return;
  headers_.erase(headers_.begin() + row);
  FillList(std::min(row, static_cast<int>(headers_.size()) - 1));
}

void CLayoutGeneral::AddHeader() {
  HeaderBlock block;
  block.fields = "T";
  block.font = headerFont_;
  CHeaderBlockDlg dialog(block, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // A new block goes after the selected one, else at the end.
  int row = list_->currentRow();
  size_t at = row >= 0 ? static_cast<size_t>(row) + 1 : headers_.size();
  headers_.insert(headers_.begin() + static_cast<std::ptrdiff_t>(at), block);
  FillList(static_cast<int>(at));
}

void CLayoutGeneral::MoveHeader(int delta) {
  int row = list_->currentRow();
  int to = row + delta;
  if (row < 0 || to < 0 || to >= static_cast<int>(headers_.size())) return;
  std::swap(headers_[static_cast<size_t>(row)], headers_[static_cast<size_t>(to)]);
  FillList(to);
}

// --- Page && Margins -----------------------------------------------------------------------

CLayoutPage::CLayoutPage(QWidget* parent) : CLayoutSheetPage(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* fileRow = new QFormLayout;
  layoutFile_ = new QLineEdit(this);
  fileRow->addRow(QStringLiteral("&Layout File:"), layoutFile_);
  layout->addLayout(fileRow);

  auto* margins = new QGroupBox(QStringLiteral("Margins"), this);
  auto* grid = new QGridLayout(margins);
  const char* labels[] = {"&Top:", "&Bottom:", "&Left:", "&Right:", "Header:", "Footer:"};
  for (int i = 0; i < 6; ++i) {
    margins_[i] = new LengthField(margins);
    auto* label = new QLabel(QString::fromLatin1(labels[i]), margins);
    label->setBuddy(margins_[i]);
    grid->addWidget(label, i % 2, (i / 2) * 2);
    grid->addWidget(margins_[i], i % 2, (i / 2) * 2 + 1);
  }
  layout->addWidget(margins);

  auto* numbers = new QGroupBox(this);
  auto* numberGrid = new QGridLayout(numbers);
  pageNumbers_ = new QCheckBox(QStringLiteral("&Page Numbers"), numbers);
  firstPage_ = Spin(0, 99999, numbers);
  numberGrid->addWidget(pageNumbers_, 0, 0);
  numberGrid->addWidget(new QLabel(QStringLiteral("First:"), numbers), 0, 1);
  numberGrid->addWidget(firstPage_, 0, 2);
  auto* whereRow = new QHBoxLayout;
  numberWhere_ = new QButtonGroup(this);
  auto* top = new QRadioButton(QStringLiteral("Top"), numbers);
  auto* bottom = new QRadioButton(QStringLiteral("Bottom"), numbers);
  numberWhere_->addButton(top, 0);
  numberWhere_->addButton(bottom, 1);
  whereRow->addWidget(top);
  whereRow->addWidget(bottom);
  whereRow->addSpacing(16);
  numberAlign_ = AlignGroup(numbers, whereRow);
  whereRow->addStretch(1);
  numberGrid->addLayout(whereRow, 1, 0, 1, 4);
  layout->addWidget(numbers);

  auto textRow = [this, layout](const QString& caption, QLineEdit*& edit, QButtonGroup*& align) {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, box);
    edit = new QLineEdit(box);
    label->setBuddy(edit);
    row->addWidget(label);
    row->addWidget(edit, 1);
    align = AlignGroup(box, row);
    layout->addWidget(box);
  };
  textRow(QStringLiteral("Page &Header:"), header_, headerAlign_);
  textRow(QStringLiteral("Page &Footer:"), footer_, footerAlign_);
  opposite_ = new QCheckBox(QStringLiteral("&Opposite Pages (double-sided)"), this);
  showMargins_ = new QCheckBox(
      QStringLiteral("&View margins, headers && footers when drawing to screen"), this);
  onePerPage_ = new QCheckBox(QStringLiteral("One T&une Per Page"), this);
  for (QCheckBox* c : {opposite_, showMargins_, onePerPage_}) layout->addWidget(c);
  layout->addStretch(1);
}

void CLayoutPage::Load(const FormatSettings& fs) {
  if (CTunoraApp* app = CTunoraApp::Instance())
    layoutFile_->setText(QString::fromStdString(app->GetSettings().preferences.layoutFile));
  const int32_t values[6] = {fs.topMargin,   fs.bottomMargin,   fs.leftMargin,
                             fs.rightMargin, fs.headerDistance, fs.footerDistance};
  for (int i = 0; i < 6; ++i) margins_[i]->SetValue(values[i]);
  pageNumbers_->setChecked(fs.pageNumbers);
  firstPage_->setValue(static_cast<int>(std::min<uint32_t>(fs.firstPageNumber, 99999)));
  Check(numberWhere_, fs.pageNumberBottom ? 1 : 0);
  Check(numberAlign_, fs.pageNumberAlign);
  header_->setText(CPrefPage::TextOf(fs.pageHeader));
  footer_->setText(CPrefPage::TextOf(fs.pageFooter));
  Check(headerAlign_, fs.pageHeaderAlign);
  Check(footerAlign_, fs.pageFooterAlign);
  opposite_->setChecked(fs.oppositePages);
  showMargins_->setChecked(fs.showMargins);
  onePerPage_->setChecked(fs.onePerPage);
}

bool CLayoutPage::Store(FormatSettings& fs) {
  int32_t* targets[6] = {&fs.topMargin,   &fs.bottomMargin,   &fs.leftMargin,
                         &fs.rightMargin, &fs.headerDistance, &fs.footerDistance};
  for (int i = 0; i < 6; ++i)
    if (!margins_[i]->ReadOrTell(*targets[i])) return false;
  fs.pageNumbers = pageNumbers_->isChecked();
  fs.firstPageNumber = static_cast<uint32_t>(firstPage_->value());
  fs.pageNumberBottom = numberWhere_->checkedId() == 1;
  fs.pageNumberAlign = CheckedId(numberAlign_, kAlignRight);
  fs.pageHeader = CPrefPage::BytesOf(fs.pageHeader, header_->text());
  fs.pageFooter = CPrefPage::BytesOf(fs.pageFooter, footer_->text());
  fs.pageHeaderAlign = CheckedId(headerAlign_, kAlignCenter);
  fs.pageFooterAlign = CheckedId(footerAlign_, kAlignCenter);
  fs.oppositePages = opposite_->isChecked();
  fs.showMargins = showMargins_->isChecked();
  fs.onePerPage = onePerPage_->isChecked();
  return true;
}

// --- Fonts -----------------------------------------------------------------------------------

namespace {

struct FontSlot {
  const char* caption;
  FontSpec FormatSettings::*font;
};
const FontSlot kFontSlots[] = {
    {"Tune &Headers", &FormatSettings::headerFont},
    {"&Lyrics in Tune", &FormatSettings::lyricsFont},
    {"L&yrics after Tune", &FormatSettings::lyricsAfterFont},
    {"Guitar &Chords", &FormatSettings::chordFont},
    {"Text e&xpressions in Tune", &FormatSettings::exprFont},
    {"&Text outside Tunes", &FormatSettings::textFont},
    {"&Page Numbers", &FormatSettings::pageNumberFont},
    {"Page H&eader", &FormatSettings::pageHeaderFont},
    {"Page &Footer", &FormatSettings::pageFooterFont},
    {"&Notation", &FormatSettings::notationFont},
};

}  // namespace

CLayoutFonts::CLayoutFonts(QWidget* parent) : CLayoutSheetPage(parent) {
  auto* grid = new QGridLayout(this);
  int row = 0;
  for (const FontSlot& slot : kFontSlots) {
    auto* sample = new QLabel(this);
    auto* button = new FontButton(QString::fromLatin1(slot.caption), sample, this);
    button->SetSymbolFont(slot.font == &FormatSettings::notationFont);
    buttons_.push_back(button);
    grid->addWidget(button, row, 0);
    grid->addWidget(sample, row, 1);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);
}

void CLayoutFonts::Load(const FormatSettings& fs) {
  for (size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->SetFont(fs.*kFontSlots[i].font);
}

bool CLayoutFonts::Store(FormatSettings& fs) {
  for (size_t i = 0; i < buttons_.size(); ++i) fs.*kFontSlots[i].font = buttons_[i]->Font();
  return true;
}

// --- Tune ------------------------------------------------------------------------------------

namespace {

struct SwitchSlot {
  const char* caption;
  bool FormatSettings::*field;
};
const SwitchSlot kSwitches[] = {
    {"Slurs on Grace Notes", &FormatSettings::graceSlurs},
    {"Draw / Print Lyrics", &FormatSettings::showText},
    {"Stretch Last Staff When Underfull", &FormatSettings::stretchLast},
    {"Stretch Other Staves", &FormatSettings::stretchStaff},
    {"Include Rests in Beam Groups", &FormatSettings::restsInBeamGroup},
    {"Display Half-Stems for Beamed Rests", &FormatSettings::halfStemForBeamedRest},
    {"Slash Flagged Grace Notes", &FormatSettings::slashFlaggedGrace},
    {"Cancel Outgoing Key Signature", &FormatSettings::cancelKey},
    {"Display Clef Only on First Staff System", &FormatSettings::clefFirstStaffOnly},
    {"Display Key Only on First Staff System", &FormatSettings::keyFirstStaffOnly},
    {"Barline at beginning of staff", &FormatSettings::staffStartBar},
    {"Chords below Staff", &FormatSettings::chordsBelow},
    {"Stems Down for All Normal Notes (Bagpipe Style)", &FormatSettings::ghbStyle},
    {"Stems Up for All Grace Notes", &FormatSettings::graceNotesUp},
};

}  // namespace

CLayoutTuneSet::CLayoutTuneSet(QWidget* parent) : CLayoutSheetPage(parent) {
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* form = new QFormLayout;
  const char* labels[] = {"Vertical Space before Tune:",  "Vertical Space after Tune:",
                          "Space between Staves:",        "Note Spacing:",
                          "Chords, Distance from Staff:", "Indent First Line of Tune by:"};
  for (int i = 0; i < 6; ++i) {
    lengths_[i] = new LengthField(this);
    if (i == 5) {
      barsPerStaff_ = Spin(0, 99, this);
      form->addRow(QStringLiteral("Number of Bars per Staff:"), barsPerStaff_);
    }
    form->addRow(QString::fromLatin1(labels[i]), lengths_[i]);
  }
  left->addLayout(form);
  auto* expr = new QGroupBox(this);
  auto* exprRow = new QVBoxLayout(expr);
  exprBelow_ = new QRadioButton(QStringLiteral("Expressions below Staff"), expr);
  exprAbove_ = new QRadioButton(QStringLiteral("Expressions above Staff"), expr);
  exprRow->addWidget(exprBelow_);
  exprRow->addWidget(exprAbove_);
  left->addWidget(expr);
  auto* lf = new QGroupBox(this);
  auto* lfRow = new QVBoxLayout(lf);
  hardLf_ = new QRadioButton(QStringLiteral("Hard Linefeeds (!) + Ignore Other Linefeeds"), lf);
  softLf_ = new QRadioButton(QStringLiteral("Use Linefeeds + No Linefeeds (\\)"), lf);
  lfRow->addWidget(hardLf_);
  lfRow->addWidget(softLf_);
  left->addWidget(lf);
  auto* tuplet = new QGroupBox(QStringLiteral("Tuplet Style"), this);
  auto* tupletGrid = new QGridLayout(tuplet);
  tupletKind_ = new QButtonGroup(this);
  tupletSide_ = new QButtonGroup(this);
  const char* kinds[] = {"Number Only, Bracket When Needed", "Bracket", "Slurred"};
  const char* sides[] = {"Flag Side", "Notehead Side", "Above", "Below"};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QRadioButton(QString::fromLatin1(kinds[i]), tuplet);
    tupletKind_->addButton(b, i);
    tupletGrid->addWidget(b, i, 0);
  }
  for (int i = 0; i < 4; ++i) {
    auto* b = new QRadioButton(QString::fromLatin1(sides[i]), tuplet);
    tupletSide_->addButton(b, i);
    tupletGrid->addWidget(b, i, 1);
  }
  left->addWidget(tuplet);
  left->addStretch(1);
  layout->addLayout(left);
  auto* right = new QVBoxLayout;
  for (const SwitchSlot& s : kSwitches) {
    auto* c = new QCheckBox(QString::fromLatin1(s.caption), this);
    switches_.push_back(c);
    right->addWidget(c);
  }
  right->addStretch(1);
  layout->addLayout(right);
}

void CLayoutTuneSet::Load(const FormatSettings& fs) {
  const int32_t values[6] = {fs.spaceBeforeTune, fs.spaceAfterTune, fs.staffSpacing,
                             fs.noteSpacing,     fs.chordVpos,      fs.indent};
  for (int i = 0; i < 6; ++i) lengths_[i]->SetValue(values[i]);
  barsPerStaff_->setValue(fs.barsPerStaff);
  (fs.exprAbove ? exprAbove_ : exprBelow_)->setChecked(true);
  (fs.softLf ? softLf_ : hardLf_)->setChecked(true);
  Check(tupletKind_, std::clamp(fs.tupletStyle[0], 0, 2));
  Check(tupletSide_, std::clamp(fs.tupletStyle[1], 0, 3));
  for (size_t i = 0; i < switches_.size(); ++i) switches_[i]->setChecked(fs.*kSwitches[i].field);
}

bool CLayoutTuneSet::Store(FormatSettings& fs) {
  int32_t* targets[6] = {&fs.spaceBeforeTune, &fs.spaceAfterTune, &fs.staffSpacing,
                         &fs.noteSpacing,     &fs.chordVpos,      &fs.indent};
  for (int i = 0; i < 6; ++i)
    if (!lengths_[i]->ReadOrTell(*targets[i])) return false;
  fs.barsPerStaff = barsPerStaff_->value();
  fs.exprAbove = exprAbove_->isChecked();
  fs.softLf = softLf_->isChecked();
  fs.tupletStyle[0] = CheckedId(tupletKind_, 0);
  fs.tupletStyle[1] = CheckedId(tupletSide_, 0);
  for (size_t i = 0; i < switches_.size(); ++i) fs.*kSwitches[i].field = switches_[i]->isChecked();
  return true;
}

// --- the sheet -------------------------------------------------------------------------------

CLayoutProp::CLayoutProp(QWidget* parent)
    : QDialog(parent),
      tabs_(new QTabWidget(this)),
      general_(new CLayoutGeneral),
      page_(new CLayoutPage),
      fonts_(new CLayoutFonts),
      tune_(new CLayoutTuneSet) {
  setWindowTitle(QStringLiteral("Draw and Print Layout"));
  tabs_->addTab(general_, QStringLiteral("General"));
  tabs_->addTab(page_, QStringLiteral("Page && Margins"));
  tabs_->addTab(fonts_, QStringLiteral("Fonts"));
  tabs_->addTab(tune_, QStringLiteral("Tune"));
  const FormatSettings& fs = FormatSettings::Application();
  for (CLayoutSheetPage* p :
       std::initializer_list<CLayoutSheetPage*>{general_, page_, fonts_, tune_})
    p->Load(fs);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  advanced_ =
      buttons->addButton(QStringLiteral("&Advanced Settings"), QDialogButtonBox::ActionRole);
  connect(advanced_, &QPushButton::clicked, this, [this] { RunAdvancedSheet(this); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
}

void CLayoutProp::accept() {
  FormatSettings fs = FormatSettings::Application();
  int index = 0;
  for (CLayoutSheetPage* p :
       std::initializer_list<CLayoutSheetPage*>{general_, page_, fonts_, tune_}) {
    if (!p->Store(fs)) {
      tabs_->setCurrentIndex(index);
      return;
    }
    ++index;
  }
  CTunoraApp* app = CTunoraApp::Instance();
  std::string fileName = page_->LayoutFile()->text().trimmed().toStdString();
  if (fileName.empty() || fileName.find('/') != std::string::npos) {
    MessageWarning(this, QStringLiteral("Please enter the name of a file in the program folder."));
    tabs_->setCurrentIndex(1);
    page_->LayoutFile()->setFocus();
    return;
  }
  FormatSettings::Application() = fs;
  if (app != nullptr && app->GetSettings().preferences.layoutFile != fileName) {
    app->GetSettings().preferences.layoutFile = fileName;
    app->SaveSettings();
  }
  std::string error;
  if (!WriteLayoutFile(error)) MessageError(this, QString::fromStdString(error));
  if (app != nullptr) app->ApplySettings();
  QDialog::accept();
}

bool WriteLayoutFile(std::string& error) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return true;
  const std::string path = app->ProgramDir() + app->GetSettings().preferences.layoutFile;
  std::string message;
  if (WriteFileAtomically(path, WriteFormat(FormatSettings::Application()), message)) return true;
  error = "Error writing " + path + (message.empty() ? "" : ": " + message);
  return false;
}

bool RunLayoutSheet(QWidget* parent) {
  CLayoutProp sheet(parent);
  return sheet.exec() == QDialog::Accepted;
}

}  // namespace tunora
