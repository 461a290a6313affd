#include "gui/draw/CLayoutAProp.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/IniFile.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/draw/CSymbolDlg.h"
#include "gui/draw/LayoutFields.h"

namespace tunora {

CLayoutParamPage::CLayoutParamPage(std::vector<Row> rows, QWidget* parent)
    : QWidget(parent), rows_(std::move(rows)) {
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (const Row& r : rows_) {
    QWidget* field = nullptr;
    if (r.percent) {
      auto* spin = new QSpinBox(this);
      spin->setRange(1, 1000);
      spin->setSuffix(r.index == LP_TieArcPercent ? QStringLiteral(" % of Width")
                                                  : QStringLiteral(" %"));
      field = spin;
    } else {
      field = new LengthField(this);
    }
    fields_.push_back(field);
    form->addRow(QString::fromLatin1(r.label), field);
  }
  layout->addLayout(form);
  layout->addStretch(1);
}

void CLayoutParamPage::Load(const LayoutParams& params) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].percent)
      static_cast<QSpinBox*>(fields_[i])->setValue(params[rows_[i].index]);
    else
      static_cast<LengthField*>(fields_[i])->SetValue(params[rows_[i].index]);
  }
}

bool CLayoutParamPage::Store(LayoutParams& params) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].percent) {
      params[rows_[i].index] = static_cast<QSpinBox*>(fields_[i])->value();
      continue;
    }
    if (!static_cast<LengthField*>(fields_[i])->ReadOrTell(params[rows_[i].index])) return false;
  }
  return true;
}

QWidget* CLayoutParamPage::Field(int index) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].index == index) return fields_[i];
  return nullptr;
}

CLayoutClefKeyTime::CLayoutClefKeyTime(QWidget* parent)
    : CLayoutParamPage({{"Space before &Music:", LP_SpaceBeforeMusic},
                        {"Space after &Clef:", LP_SpaceAfterClef},
                        {"Space after &Key:", LP_SpaceAfterKey},
                        {"Key &Spacing:", LP_KeySpacing},
                        {"Space after &Time:", LP_SpaceAfterMeter}},
                       parent) {
  symbols_ = new QPushButton(QStringLiteral("&Musical Symbols..."), this);
  reset_ = new QPushButton(QStringLiteral("Reset All Advanced Settings to &Default Values"), this);
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  layout->insertWidget(layout->count() - 1, symbols_, 0, Qt::AlignLeft);
  layout->insertWidget(layout->count() - 1, reset_, 0, Qt::AlignLeft);
}

CLayoutNotes::CLayoutNotes(QWidget* parent)
    : CLayoutParamPage({{"Space before &Dot:", LP_SpaceBeforeDot},
                        {"Dot S&pacing:", LP_DotSpacing},
                        {"Dot &Vertical Position:", LP_DotVpos},
                        {"Space after &Accidental:", LP_SpaceAfterAccidental},
                        {"Space after G&race Note:", LP_SpaceAfterGraceNote},
                        {"Up Stem, &Horizontal:", LP_UpStemHpos},
                        {"Up Stem, V&ertical:", LP_UpStemVpos},
                        {"Down Stem, Hori&zontal:", LP_DownStemHpos},
                        {"Down Stem, Ver&tical:", LP_DownStemVpos},
                        {"&Grace Note Size:", LP_GraceNotePercent, true}},
                       parent) {}

CLayoutLines::CLayoutLines(QWidget* parent)
    : CLayoutParamPage({{"&Beam Thickness:", LP_BeamThickness},
                        {"&Stem Thickness:", LP_StemThickness},
                        {"&Tuplet Thickness:", LP_TupletThickness},
                        {"B&racket Thickness:", LP_BracketThickness},
                        {"Staff &Line Thickness:", LP_LineThickness},
                        {"Sl&ur Thickness:", LP_SlurThickness},
                        {"&Hairpin Thickness:", LP_HairpinThickness},
                        {"St&em Length:", LP_StemLength},
                        {"H&alf Stem Length:", LP_HalfStemLength},
                        {"Le&dger Length:", LP_LedgerLength},
                        {"Bro&ken Beam Length:", LP_BrokenBeamLength},
                        {"Beam S&pacing:", LP_BeamSpacing},
                        {"Staff Line S&pacing:", LP_LineSpacing}},
                       parent) {}

CLayoutRests::CLayoutRests(QWidget* parent)
    : CLayoutParamPage({{"&Whole Bar:", LP_Rest1Vpos},
                        {"&Half:", LP_Rest2Vpos},
                        {"&Quarter:", LP_Rest4Vpos},
                        {"&Eighth:", LP_Rest8Vpos},
                        {"&16th:", LP_Rest16Vpos},
                        {"&32nd:", LP_Rest32Vpos},
                        {"&64th:", LP_Rest64Vpos},
                        {"12&8th:", LP_Rest128Vpos}},
                       parent) {}

namespace {

std::vector<CLayoutParamPage::Row> FlagRows() {
  // Eighth to 128th note symbols, stem up and stem down (symbols 25 to 34).
  static const char* const names[] = {"Eighth, Up Stem", "Eighth, Down Stem", "16th, Up Stem",
                                      "16th, Down Stem", "32nd, Up Stem",     "32nd, Down Stem",
                                      "64th, Up Stem",   "64th, Down Stem",   "128th, Up Stem",
                                      "128th, Down Stem"};
  static std::vector<std::string> labels;
  std::vector<CLayoutParamPage::Row> rows;
  if (labels.empty()) {
    for (const char* n : names) {
      labels.push_back(std::string(n) + ", Horizontal:");
      labels.push_back(std::string(n) + ", Vertical:");
    }
  }
  for (int i = 0; i < 10; ++i) {
    int symbol = SYM_EIGHTH_UP + i;
    rows.push_back(
        {labels[static_cast<size_t>(2 * i)].c_str(), LayoutParams::kHorizontalBase + symbol});
    rows.push_back(
        {labels[static_cast<size_t>(2 * i + 1)].c_str(), LayoutParams::kAboveBase + symbol});
  }
  return rows;
}

}  // namespace

CLayoutFlags::CLayoutFlags(QWidget* parent) : CLayoutParamPage(FlagRows(), parent) {}

CLayoutSlurs::CLayoutSlurs(QWidget* parent)
    : CLayoutParamPage({{"Tie &Horizontal:", LP_TieHpos},
                        {"Tie &Vertical:", LP_TieVpos},
                        {"Tie &Arc:", LP_TieArcPercent, true},
                        {"Bracket H&eight:", LP_BracketHeight},
                        {"Bracket &Gap:", LP_BracketGap},
                        {"Bracket Text Ho&rizontal:", LP_BracketTextHpos},
                        {"Bracket Text Ver&tical:", LP_BracketTextVpos},
                        {"Ha&irpin Height:", LP_HairpinHeight},
                        {"T&uplet Height:", LP_TupletHeight},
                        {"Tu&plet Gap:", LP_TupletGap}},
                       parent) {}

CLayoutBars::CLayoutBars(QWidget* parent)
    : CLayoutParamPage({{"Space &before Barline:", LP_SpaceBeforeBarline},
                        {"Space &after Barline:", LP_SpaceAfterBarline},
                        {"Barline &Spacing:", LP_BarlineSpacing}},
                       parent) {}

CLayoutAProp::CLayoutAProp(QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget(this)), params_(LayoutParams::Application()) {
  setWindowTitle(QStringLiteral("Advanced Settings for Print and Draw Layout"));
  clefKeyTime_ = new CLayoutClefKeyTime;
  const std::pair<CLayoutParamPage*, const char*> pages[] = {
      {clefKeyTime_, "Clef, Key, Time"}, {new CLayoutNotes, "Notes"},
      {new CLayoutLines, "Lines"},       {new CLayoutRests, "Rests"},
      {new CLayoutFlags, "Flags"},       {new CLayoutSlurs, "Slurs, Brackets etc"},
      {new CLayoutBars, "Bars"}};
  for (const auto& [page, caption] : pages) {
    pages_.push_back(page);
    tabs_->addTab(page, QString::fromLatin1(caption));
    page->Load(params_);
  }
  connect(clefKeyTime_->SymbolsButton(), &QPushButton::clicked, this, &CLayoutAProp::EditSymbols);
  connect(clefKeyTime_->ResetButton(), &QPushButton::clicked, this, &CLayoutAProp::ResetToDefaults);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
  setMinimumWidth(620);
}

void CLayoutAProp::ResetToDefaults() {
  params_.Reset();
  for (CLayoutParamPage* p : pages_) p->Load(params_);
}

void CLayoutAProp::EditSymbols() {
  // The offsets typed on the pages so far go into the dialog, and back.
  for (CLayoutParamPage* p : pages_)
    if (!p->Store(params_)) return;
  CSymbolDlg dialog(params_, this);
  dialog.exec();
  for (CLayoutParamPage* p : pages_) p->Load(params_);
}

void CLayoutAProp::accept() {
  LayoutParams params = params_;
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (!pages_[i]->Store(params)) {
      tabs_->setCurrentIndex(static_cast<int>(i));
      return;
    }
  }
  LayoutParams::Application() = params;
  if (CTunoraApp* app = CTunoraApp::Instance()) {
    IniFile ini;
    ini.Load(app->IniPath());
    ini.SetPath(app->IniPath());
    params.Save(ini);
    if (!ini.Save())
      MessageError(this, QStringLiteral("Error writing ") + QString::fromStdString(app->IniPath()));
    app->ApplySettings();
  }
  QDialog::accept();
}

bool RunAdvancedSheet(QWidget* parent) {
  CLayoutAProp sheet(parent);
  return sheet.exec() == QDialog::Accepted;
}

}  // namespace tunora
