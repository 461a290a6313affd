#include "gui/search/CFindDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "tunefile/Fields.h"

namespace tunora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QSpinBox* PercentBox(int value, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QStringLiteral("LooseMatch"));
  box->setRange(0, 100);
  box->setSuffix(QStringLiteral(" %"));
  box->setValue(std::clamp(value, 0, 100));
  return box;
}

QCheckBox* Check(const QString& text, bool on, QWidget* parent, const char* name) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(on);
  return box;
}

// The letters a match expression compares, with their names.
constexpr std::string_view kMatchFields = "TXRCABDEFGHKLMNOPQSVWZt";

}  // namespace

QComboBox* HistoryBox(const History& history, QWidget* parent, const char* name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setMinimumContentsLength(30);
  for (int i = 0; i < history.Count(); ++i) box->addItem(Q(history.At(i)));
  return box;
}

// --- Text Search ------------------------------------------------------------------------

CFindTextDlg::CFindTextDlg(const Settings& settings, QWidget* parent) : QWidget(parent) {
  const SearchSettings& s = settings.search;
  text_ = HistoryBox(s.oldStrings, this, "FindText");
  field_ = new QComboBox(this);
  field_->setObjectName(QStringLiteral("Field"));
  const auto entries = FieldChooserEntries(s.fieldOrder);
  for (const ChooserEntry& e : entries) field_->addItem(Q(e.name), QChar(e.letter));
  const char letter = s.field.empty() ? 'T' : s.field[0];
  field_->setCurrentIndex(std::max(0, FieldChooserIndex(entries, letter)));
  loose_ = PercentBox(s.looseMatch, this);
  exact_ = Check(QStringLiteral("E&xact Match"), s.exactMatch, this, "ExactMatch");
  ignoreCase_ = Check(QStringLiteral("Ignore &Case"), s.ignoreCase, this, "IgnoreCase");
  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("Find &Text:"), text_);
  form->addRow(QStringLiteral("In F&ield:"), field_);
  form->addRow(QStringLiteral("&Loose Match:"), loose_);
  form->addRow(exact_);
  form->addRow(ignoreCase_);
}

void CFindTextDlg::Fill(SearchRequest& request) const {
  request.type = SearchRequest::kText;
  request.text.text = S(text_->currentText());
  const QString letter = field_->currentData().toString();
  request.text.field = letter.isEmpty() ? 'T' : letter.at(0).toLatin1();
  request.text.loosePercent = loose_->value();
  request.text.exact = exact_->isChecked();
  request.text.ignoreCase = ignoreCase_->isChecked();
}

void CFindTextDlg::Store(Settings& settings) const {
  SearchSettings& s = settings.search;
  SearchRequest request;
  Fill(request);
  s.oldStrings.Add(request.text.text);
  s.field = std::string(1, request.text.field);
  s.looseMatch = request.text.loosePercent;
  s.exactMatch = request.text.exact;
  s.ignoreCase = request.text.ignoreCase;
}

// --- Music Search -----------------------------------------------------------------------

CFindMusicDlg::CFindMusicDlg(const Settings& settings, QWidget* parent) : QWidget(parent) {
  const MusicSearchSettings& m = settings.musicSearch;
  key_ = new QLineEdit(this);
  key_->setObjectName(QStringLiteral("Key"));
  phrase_ = HistoryBox(settings.search.oldPhrases, this, "FindPhrase");
  beginning_ = new QRadioButton(QStringLiteral("Beginning of &Tune"), this);
  anywhere_ = new QRadioButton(QStringLiteral("&Anywhere"), this);
  (m.where == MusicOptions::kBeginning ? beginning_ : anywhere_)->setChecked(true);
  ignoreOrnaments_ = Check(QStringLiteral("Ignore &Ornamentation"), m.ignoreOrnamentation, this,
                           "IgnoreOrnamentation");
  loose_ = PercentBox(m.looseMatch, this);
  maj2_ = Check(QStringLiteral("major second (2 semitones)"), m.transposeMaj2, this, "Maj2");
  t45_ = Check(QStringLiteral("fourth && fifth (5 && 7 semitones)"), m.transpose45, this, "T45");
  t8_ = Check(QStringLiteral("octave (12 semitones)"), m.transpose8, this, "T8");
  t36_ = Check(QStringLiteral("third && sixth (3, 4, 8, 9 semitones)"), m.transpose36, this, "T36");
  min2_ = Check(QStringLiteral("minor 2nd && augm. 4th (1 && 6 semitones)"), m.transposeMin2Aug4,
                this, "Min2Aug4");
  t8plus_ =
      Check(QStringLiteral("octave \u00b1 all other selected"), m.transpose8plus, this, "T8plus");
  // A phrase from the history with a key prefix shows its key in the Key box.
  connect(phrase_, &QComboBox::textActivated, this, &CFindMusicDlg::SplitPhrase);
  SplitPhrase(phrase_->currentText());

  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("&Key:"), key_);
  auto* phraseLabel = new QLabel(QStringLiteral("Find &Phrase\n(abc notes):"), this);
  phraseLabel->setBuddy(phrase_);
  form->addRow(phraseLabel, phrase_);
  auto* where = new QHBoxLayout;
  where->addWidget(beginning_);
  where->addWidget(anywhere_);
  form->addRow(QStringLiteral("Where:"), where);
  form->addRow(ignoreOrnaments_);
  form->addRow(QStringLiteral("&Loose Match:"), loose_);
  auto* transpose = new QGroupBox(QStringLiteral("Also Transposed by"), this);
  auto* grid = new QGridLayout(transpose);
  grid->addWidget(maj2_, 0, 0);
  grid->addWidget(t45_, 1, 0);
  grid->addWidget(t8_, 2, 0);
  grid->addWidget(t36_, 0, 1);
  grid->addWidget(min2_, 1, 1);
  grid->addWidget(t8plus_, 2, 1);
  form->addRow(transpose);
}

void CFindMusicDlg::SplitPhrase(const QString& text) {
  std::string key, phrase;
  SplitKeyPrefix(S(text), key, phrase);
  key_->setText(key == "C" ? QString() : Q(key));
  phrase_->setEditText(Q(phrase));
}

void CFindMusicDlg::Fill(SearchRequest& request) const {
  request.type = SearchRequest::kMusic;
  request.phrase = JoinKeyPrefix(S(key_->text()), S(phrase_->currentText()));
  MusicOptions& o = request.music;
  o.where = beginning_->isChecked() ? MusicOptions::kBeginning : MusicOptions::kAnywhere;
  o.ignoreOrnamentation = ignoreOrnaments_->isChecked();
  o.loosePercent = loose_->value();
  o.transposeMaj2 = maj2_->isChecked();
  o.transpose45 = t45_->isChecked();
  o.transpose8 = t8_->isChecked();
  o.transpose36 = t36_->isChecked();
  o.transposeMin2Aug4 = min2_->isChecked();
  o.transpose8plus = t8plus_->isChecked();
}

void CFindMusicDlg::Store(Settings& settings) const {
  SearchRequest request;
  Fill(request);
  settings.search.oldPhrases.Add(request.phrase);
  StoreMusicOptions(request.music, settings.musicSearch);
}

// --- Advanced Search --------------------------------------------------------------------

CFindAdvDlg::CFindAdvDlg(const Settings& settings, QWidget* parent) : QWidget(parent) {
  match_ = HistoryBox(settings.search.oldMatch, this, "Match");
  auto* clear = new QPushButton(QStringLiteral("C&lear"), this);
  connect(clear, &QPushButton::clicked, this, [this] { match_->setEditText(QString()); });
  field_ = new QComboBox(this);
  field_->setObjectName(QStringLiteral("CompareField"));
  for (char letter : kMatchFields) {
    const char* name = FieldLongName(letter);
    field_->addItem(name != nullptr ? QString::fromLatin1(name) : QString(QChar(letter)),
                    QChar(letter));
  }
  op_ = new QComboBox(this);
  op_->setObjectName(QStringLiteral("Operator"));
  op_->addItems({QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"),
                 QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"),
                 QStringLiteral("# contains"), QStringLiteral("$ begins with")});
  ignoreCase_ = Check(QStringLiteral("Ignore &Case"), true, this, "CompareIgnoreCase");
  value_ = new QLineEdit(this);
  value_->setObjectName(QStringLiteral("CompareText"));
  auto* add = new QPushButton(QStringLiteral("A&dd Compare"), this);
  add->setObjectName(QStringLiteral("AddCompare"));
  connect(add, &QPushButton::clicked, this, [this] {
    const char field = field_->currentData().toString().at(0).toLatin1();
    const std::string op = S(op_->currentText().section(QLatin1Char(' '), 0, 0));
    Append(Q(CompareText(field, op, !ignoreCase_->isChecked(), S(value_->text()))));
  });

  auto* matchRow = new QHBoxLayout;
  matchRow->addWidget(match_, 1);
  matchRow->addWidget(clear);
  auto* compare = new QGroupBox(QStringLiteral("Compare"), this);
  auto* compareForm = new QFormLayout(compare);
  compareForm->addRow(QStringLiteral("&Field:"), field_);
  compareForm->addRow(QStringLiteral("&Operator:"), op_);
  compareForm->addRow(ignoreCase_);
  compareForm->addRow(QStringLiteral("Te&xt:"), value_);
  compareForm->addRow(add);
  auto* logic = new QHBoxLayout;
  for (const char* word : {"& and", "| or", "! not", "( )"}) {
    QString caption = QString::fromLatin1(word);
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* button = new QPushButton(caption, this);
    const QString symbol = QString::fromLatin1(word).section(QLatin1Char(' '), 0, 0);
    connect(button, &QPushButton::clicked, this, [this, word, symbol] {
      Append(std::string_view(word) == "( )" ? QStringLiteral("(") : symbol);
    });
    logic->addWidget(button);
    if (std::string_view(word) == "( )") {
      auto* close = new QPushButton(QStringLiteral(")"), this);
      connect(close, &QPushButton::clicked, this, [this] { Append(QStringLiteral(")")); });
      logic->addWidget(close);
    }
  }
  auto* form = new QFormLayout(this);
  auto* matchLabel = new QLabel(QStringLiteral("&Match:"), this);
  matchLabel->setBuddy(match_);
  form->addRow(matchLabel, matchRow);
  form->addRow(compare);
  form->addRow(QStringLiteral("Logic:"), logic);
}

void CFindAdvDlg::Append(const QString& text) {
  QString match = match_->currentText().trimmed();
  if (!match.isEmpty() && !match.endsWith(QLatin1Char('(')) && text != QStringLiteral(")"))
    match += QLatin1Char(' ');
  match_->setEditText(match + text);
}

void CFindAdvDlg::Fill(SearchRequest& request) const {
  request.type = SearchRequest::kAdvanced;
  request.match = S(match_->currentText());
}

void CFindAdvDlg::Store(Settings& settings) const {
  settings.search.oldMatch.Add(S(match_->currentText()));
}

// --- the sheet --------------------------------------------------------------------------

CFindDlg::CFindDlg(bool inFile, QWidget* parent) : QDialog(parent), inFile_(inFile) {
  setObjectName(QStringLiteral("CFindDlg"));
  CTunoraApp* app = CTunoraApp::Instance();
  static const Settings kDefaults;
  const Settings& settings = app != nullptr ? app->GetSettings() : kDefaults;
  pages_ = new QTabWidget(this);
  text_ = new CFindTextDlg(settings, this);
  music_ = new CFindMusicDlg(settings, this);
  advanced_ = new CFindAdvDlg(settings, this);
  pages_->addTab(text_, QStringLiteral("Text Search"));
  pages_->addTab(music_, QStringLiteral("Music Search"));
  pages_->addTab(advanced_, QStringLiteral("Advanced Search"));

  files_ = HistoryBox(settings.search.oldFiles, this, "Files");
  if (files_->count() == 0) {
    QString dir = Q(settings.preferences.abcDir);
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    files_->setEditText(dir + QStringLiteral("*.abc"));
  }
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  connect(browse, &QPushButton::clicked, this, &CFindDlg::Browse);
  subdir_ = Check(QStringLiteral("Search &Subdirectories"), false, this, "Subdir");
  fromBeginning_ = Check(QStringLiteral("&From Beginning"), true, this, "FromBeginning");
  auto* where = new QGroupBox(QStringLiteral("Files"), this);
  auto* grid = new QGridLayout(where);
  grid->addWidget(files_, 0, 0, 1, 2);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(subdir_, 1, 0);
  grid->addWidget(fromBeginning_, 1, 1);
  files_->setEnabled(!inFile);
  browse->setEnabled(!inFile);
  subdir_->setEnabled(!inFile);
  fromBeginning_->setEnabled(inFile);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CFindDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(where);
  layout->addWidget(buttons);

  connect(pages_, &QTabWidget::currentChanged, this, &CFindDlg::PageChanged);
  pages_->setCurrentIndex(std::clamp(settings.search.searchType, 0, 2));
  PageChanged(pages_->currentIndex());
}

void CFindDlg::PageChanged(int index) {
  setWindowTitle(pages_->tabText(index));
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return;
  const Settings& s = app->GetSettings();
  const bool music = index == SearchRequest::kMusic;
  subdir_->setChecked(music ? s.musicSearch.subdir : s.search.subdir);
  fromBeginning_->setChecked(music ? s.musicSearch.fromBeginning : s.search.fromBeginning);
}

void CFindDlg::Browse() {
  const QString path =
      CLarkFileDialog::GetOpenFileName(this, QStringLiteral("Search Files"), files_->currentText(),
                                       QStringLiteral("Abc Files (*.abc);;All Files (*)"), true);
  if (!path.isEmpty()) files_->setEditText(path);
}

QString CFindDlg::Files() const { return files_->currentText().trimmed(); }
bool CFindDlg::Subdirectories() const { return subdir_->isChecked(); }
bool CFindDlg::FromBeginning() const { return fromBeginning_->isChecked(); }

void CFindDlg::accept() {
  const int type = pages_->currentIndex();
  request_ = SearchRequest{};
  if (type == SearchRequest::kMusic)
    music_->Fill(request_);
  else if (type == SearchRequest::kAdvanced)
    advanced_->Fill(request_);
  else
    text_->Fill(request_);
  if (!inFile_ && Files().isEmpty()) {
    MessageWarning(this, QStringLiteral("You must enter abc file(s)"));
    return;
  }
  TuneSearch check;
  std::string message, warning;
  if (!check.Prepare(request_, message, warning)) {
    MessageWarning(this, Q(message));
    return;
  }
  if (!warning.empty()) {
    // The search still runs on what was read before the error.
    MessageWarning(this, Q(warning));
  }
  if (type == SearchRequest::kAdvanced) {
    MatchProgram program;
    program.Compile(request_.match);
    for (const std::string& prompt : program.Prompts()) {
      bool ok = false;
      const QString value =
          QInputDialog::getText(this, windowTitle(), Q(prompt), QLineEdit::Normal, {}, &ok);
      if (!ok) return;
      request_.promptValues.push_back(S(value));
    }
  }
  if (CTunoraApp* app = CTunoraApp::Instance()) {
    Settings& s = app->GetSettings();
    s.search.searchType = type;
    request_.listFormat =
        type == SearchRequest::kMusic ? s.musicSearch.listFormat : s.search.listFormat;
    if (type == SearchRequest::kMusic) {
      music_->Store(s);
      if (inFile_)
        s.musicSearch.fromBeginning = FromBeginning();
      else
        s.musicSearch.subdir = Subdirectories();
    } else {
      if (type == SearchRequest::kAdvanced)
        advanced_->Store(s);
      else
        text_->Store(s);
      if (inFile_)
        s.search.fromBeginning = FromBeginning();
      else
        s.search.subdir = Subdirectories();
    }
    if (!inFile_) s.search.oldFiles.Add(S(Files()));
    request_.music.subdirectories = Subdirectories();
  }
  QDialog::accept();
}

}  // namespace tunora
