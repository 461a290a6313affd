#include "gui/lists/CListEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/TextEncoding.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/lists/CMakeListDlg.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/Fields.h"

namespace tunora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

std::string ProgramDir() {
  CTunoraApp* app = CTunoraApp::Instance();
  return app != nullptr ? S(app->ProgramDirQ()) : std::string();
}

QFormLayout* Form(QWidget* page) {
  auto* form = qobject_cast<QFormLayout*>(page->layout());
  return form != nullptr ? form : new QFormLayout(page);
}

}  // namespace

// --- pages ---------------------------------------------------------------------------

CListEditPage::CListEditPage(QWidget* parent) : QWidget(parent) { new QFormLayout(this); }

QLineEdit* CListEditPage::AddLine(const QString& label, TextKey key, const char* name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::fromLatin1(name));
  edit->installEventFilter(this);
  Form(this)->addRow(label, edit);
  bindings_.push_back({edit, std::move(key)});
  return edit;
}

QPlainTextEdit* CListEditPage::AddText(const QString& label, TextKey key, const char* name) {
  auto* edit = new QPlainTextEdit(this);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setTabChangesFocus(true);
  edit->installEventFilter(this);
  Form(this)->addRow(label, edit);
  bindings_.push_back({edit, std::move(key)});
  if (lastText_ == nullptr) lastText_ = edit;
  return edit;
}

QCheckBox* CListEditPage::AddCheck(const QString& label, bool ListType::*key, const char* name) {
  auto* box = new QCheckBox(label, this);
  box->setObjectName(QString::fromLatin1(name));
  Form(this)->addRow(QString(), box);
  bindings_.push_back({box, {}, key});
  return box;
}

QSpinBox* CListEditPage::AddNumber(const QString& label, unsigned ListType::*key,
                                   const char* name) {
  auto* box = new QSpinBox(this);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(0, 100000);
  Form(this)->addRow(label, box);
  bindings_.push_back({box, {}, nullptr, key});
  return box;
}

void CListEditPage::AddInsertField() {
  auto* button = new QPushButton(QStringLiteral("&Insert Field..."), this);
  button->setObjectName(QStringLiteral("InsertField"));
  Form(this)->addRow(QString(), button);
  connect(button, &QPushButton::clicked, this, [this] {
    COutputFieldDlg dialog(this);
    if (dialog.exec() == QDialog::Accepted) InsertAtCaret(dialog.Code());
  });
}

bool CListEditPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) lastText_ = qobject_cast<QWidget*>(watched);
  return QWidget::eventFilter(watched, event);
}

void CListEditPage::InsertAtCaret(const QString& code) {
  if (auto* text = qobject_cast<QPlainTextEdit*>(lastText_)) {
    text->insertPlainText(code);
    text->setFocus();
  } else if (auto* line = qobject_cast<QLineEdit*>(lastText_)) {
    line->insert(code);
    line->setFocus();
  }
}

void CListEditPage::Load(const ListType& type) {
  ListType& t = const_cast<ListType&>(type);  // read through the same accessors
  for (const Binding& b : bindings_) {
    if (auto* line = qobject_cast<QLineEdit*>(b.widget))
      line->setText(Q(b.text(t)));
    else if (auto* text = qobject_cast<QPlainTextEdit*>(b.widget))
      text->setPlainText(Q(CrLfToLf(b.text(t))));
    else if (auto* check = qobject_cast<QCheckBox*>(b.widget))
      check->setChecked(t.*b.flag);
    else if (auto* spin = qobject_cast<QSpinBox*>(b.widget))
      spin->setValue(static_cast<int>(std::min(t.*b.number, 100000u)));
  }
}

void CListEditPage::Store(ListType& t) const {
  for (const Binding& b : bindings_) {
    if (auto* line = qobject_cast<QLineEdit*>(b.widget))
      b.text(t) = S(line->text());
    else if (auto* text = qobject_cast<QPlainTextEdit*>(b.widget))
      b.text(t) = LfToCrLf(S(text->toPlainText()));
    else if (auto* check = qobject_cast<QCheckBox*>(b.widget))
      t.*b.flag = check->isChecked();
    else if (auto* spin = qobject_cast<QSpinBox*>(b.widget))
      t.*b.number = static_cast<unsigned>(spin->value());
  }
}

#define KEY(member) [](ListType& t) -> std::string& { return t.member; }

CListEditName::CListEditName(QWidget* parent) : CListEditPage(parent) {
  AddLine(QStringLiteral("&List Type:"), KEY(listType), "ListTypeName");
  AddLine(QStringLiteral("&File Name:"), KEY(file), "FileName");
  AddLine(QStringLiteral("&Created By:"), KEY(createdBy), "CreatedBy");
  AddNumber(QStringLiteral("Lines per &Page (0 = no pages):"), &ListType::pageLines, "PageLines");
  AddCheck(QStringLiteral("&Never split a tune across pages"), &ListType::noSplitTune,
           "NoSplitTune");
  AddCheck(QStringLiteral("Page break is a form &feed"), &ListType::pageBreakFF, "PageBreakFF");
  AddCheck(QStringLiteral("One entry per &tune (first matching title)"), &ListType::oneTitle,
           "OneTitle");
  AddCheck(QStringLiteral("Show the list in the Found Files &window"), &ListType::findWin,
           "FindWin");
}

CListEditMatch::CListEditMatch(QWidget* parent) : CListEditPage(parent) {
  AddLine(QStringLiteral("&Match:"), KEY(match), "MatchText");
  AddCheck(QStringLiteral("User may change the m&atch"), &ListType::changeMatch, "ChangeMatch");
  AddLine(QStringLiteral("&Sort Order:"), KEY(sortOrder), "SortOrder");
  AddCheck(QStringLiteral("User may change the s&ort order"), &ListType::changeSort, "ChangeSort");
  AddLine(QStringLiteral("&Input Files:"), KEY(inputFile), "InputFile");
  AddCheck(QStringLiteral("Search su&bdirectories"), &ListType::subdir, "SubdirKey");
  AddInsertField();
}

CListEditOutput::CListEditOutput(QWidget* parent) : CListEditPage(parent) {
  AddText(QStringLiteral("&Output Format:"), KEY(outputFormat), "OutputFormat");
  AddLine(QStringLiteral("Output &File:"), KEY(outFile), "OutFile");
  AddCheck(QStringLiteral("User may change the output file"), &ListType::changeOutFile,
           "ChangeOutFile");
  AddCheck(QStringLiteral("One output file per t&une"), &ListType::oneFilePerTune,
           "OneFilePerTune");
  AddCheck(QStringLiteral("Open the output afterwards"), &ListType::openOutput, "OpenOutputKey");
  AddCheck(QStringLiteral("&HTML characters"), &ListType::htmlChar, "HtmlChar");
  AddCheck(QStringLiteral("&TeX characters"), &ListType::texChar, "TexChar");
  AddInsertField();
}

CListEditHeader::CListEditHeader(QWidget* parent) : CListEditPage(parent) {
  AddText(QStringLiteral("&First Header:"), KEY(headerFirst), "HeaderFirst");
  AddText(QStringLiteral("&Page Header:"), KEY(header), "Header");
  AddText(QStringLiteral("Page &Break:"), KEY(pageBreak), "PageBreak");
  AddInsertField();
}

CListEditSubheader::CListEditSubheader(QWidget* parent) : CListEditPage(parent) {
  AddText(QStringLiteral("Sub-header &1:"), KEY(subHeader[0]), "SubHeader1");
  AddText(QStringLiteral("Sub-header &2:"), KEY(subHeader[1]), "SubHeader2");
  AddText(QStringLiteral("Sub-header &3:"), KEY(subHeader[2]), "SubHeader3");
  AddText(QStringLiteral("Sub-header &4:"), KEY(subHeader[3]), "SubHeader4");
  AddInsertField();
}

CListEditFooter::CListEditFooter(QWidget* parent) : CListEditPage(parent) {
  AddText(QStringLiteral("&Page Footer:"), KEY(footer), "Footer");
  AddText(QStringLiteral("&Last Footer:"), KEY(footerLast), "FooterLast");
  AddInsertField();
}

CListEditInfo::CListEditInfo(QWidget* parent) : CListEditPage(parent) {
  AddText(QStringLiteral("&Information:"), KEY(information), "Information");
}

#undef KEY

// --- the sheet -----------------------------------------------------------------------

CListEdit::CListEdit(int index, QWidget* parent) : QDialog(parent), index_(index) {
  setObjectName(QStringLiteral("CListEdit"));
  setWindowTitle(QStringLiteral("Edit List Type"));
  pages_ = new QTabWidget(this);
  pages[0] = new CListEditName(this);
  pages[1] = new CListEditMatch(this);
  pages[2] = new CListEditOutput(this);
  pages[3] = new CListEditHeader(this);
  pages[4] = new CListEditSubheader(this);
  pages[5] = new CListEditFooter(this);
  pages[6] = new CListEditInfo(this);
  const char* titles[] = {"Name, Page, Etc", "Match && Sort", "Output",     "Headers",
                          "Sub-headers",     "Footers",       "Information"};
  for (int i = 0; i < 7; ++i) pages_->addTab(pages[i], QString::fromLatin1(titles[i]));
  pages_->setUsesScrollButtons(false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* newButton = buttons->addButton(QStringLiteral("&New"), QDialogButtonBox::ActionRole);
  auto* deleteButton = buttons->addButton(QStringLiteral("&Delete"), QDialogButtonBox::ActionRole);
  auto* importButton =
      buttons->addButton(QStringLiteral("I&mport..."), QDialogButtonBox::ActionRole);
  connect(newButton, &QPushButton::clicked, this, &CListEdit::New);
  connect(deleteButton, &QPushButton::clicked, this, &CListEdit::Delete);
  connect(importButton, &QPushButton::clicked, this, &CListEdit::Import);
  connect(buttons, &QDialogButtonBox::accepted, this, &CListEdit::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);

  const std::vector<ListTypeEntry>& types = LoadedListTypes();
  ListType type;
  if (index_ >= 0 && index_ < static_cast<int>(types.size())) {
    std::string error;
    if (!LoadListType(ProgramDir(), types[static_cast<size_t>(index_)].file, type, error))
      MessageWarning(this, Q(error));
    type.file = types[static_cast<size_t>(index_)].file;
    if (type.listType.empty()) type.listType = types[static_cast<size_t>(index_)].name;
    isNew_ = false;
    originalFile_ = type.file;
  } else {
    index_ = -1;
    isNew_ = true;
  }
  Show(type);
}

ListType CListEdit::Edited() const {
  ListType type;
  for (CListEditPage* page : pages) page->Store(type);
  return type;
}

void CListEdit::Show(const ListType& type) {
  for (CListEditPage* page : pages) page->Load(type);
}

void CListEdit::New() {
  index_ = -1;
  isNew_ = true;
  originalFile_.clear();
  Show(ListType{});
  pages_->setCurrentIndex(0);
}

void CListEdit::Delete() {
  std::vector<ListTypeEntry>& types = LoadedListTypes();
  if (index_ < 0 || index_ >= static_cast<int>(types.size())) return;
  const std::string file = types[static_cast<size_t>(index_)].file;
  if (AskYesNo(this,
               QStringLiteral("Do you want to delete the configuration file for this list also?")))
    QFile::remove(Q(ListTypePath(ProgramDir(), file)));
  types.erase(types.begin() + index_);
  std::string error;
  if (!SaveListRegistry(ProgramDir(), types, error)) MessageError(this, Q(error));
  savedIndex_ = 0;
  done(QDialog::Accepted);
}

void CListEdit::Import() {
  const QString path = CLarkFileDialog::GetOpenFileName(this, QStringLiteral("Import"), QString(),
                                                        QStringLiteral("Config File (*.cfg)"));
  if (path.isEmpty()) return;
  ListType type;
  std::string error;
  if (!LoadListTypeFile(S(path), type, error)) {
    MessageWarning(this, Q(error));
    return;
  }
  type.file = S(QFileInfo(path).fileName());
  index_ = -1;
  isNew_ = true;
  Show(type);
}

void CListEdit::accept() {
  ListType type = Edited();
  const std::string message = CheckListTypeNames(type.listType, type.file);
  if (!message.empty()) {
    MessageWarning(this, Q(message));
    return;
  }
  const std::string dir = ProgramDir();
  const bool newFile = isNew_ || type.file != originalFile_;
  if (newFile && QFileInfo::exists(Q(ListTypePath(dir, type.file))) &&
      !AskYesNo(this, QStringLiteral(
                          "A file with this name already exists.\nDo you want to overwrite it?")))
    return;
  std::string error;
  if (!SaveListType(dir, type, error)) {
    MessageError(this, Q(error));
    return;
  }
  std::vector<ListTypeEntry>& types = LoadedListTypes();
  std::vector<ListTypeEntry> updated = types;
  if (index_ >= 0 && index_ < static_cast<int>(updated.size())) {
    updated[static_cast<size_t>(index_)] = {type.listType, type.file};
  } else {
    updated.push_back({type.listType, type.file});
    index_ = static_cast<int>(updated.size()) - 1;
  }
  if (!SaveListRegistry(dir, updated, error)) {
    MessageError(this, Q(error));
    return;
  }
  types = std::move(updated);
  savedIndex_ = index_;
  QDialog::accept();
}

// --- Output Field --------------------------------------------------------------------

COutputFieldDlg::COutputFieldDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("COutputFieldDlg"));
  setWindowTitle(QStringLiteral("Output Field"));
  field_ = new QComboBox(this);
  for (const ChooserEntry& e : FieldChooserEntries("TXRCKMLQABDFGHNOPSZWVUEIJYumxtzifpabd"))
    field_->addItem(Q(e.name), QChar::fromLatin1(e.letter));
  field_->addItem(QStringLiteral("k: Prompt Answer (width 1 to 4), Entry Number (5), Count (6)"),
                  QChar::fromLatin1('k'));
  newlines_ = new QComboBox(this);
  newlines_->addItems({QStringLiteral("Normal"), QStringLiteral("One Line, Newlines ;"),
                       QStringLiteral("One Line, Newlines /"),
                       QStringLiteral("One Line, Newlines Space"),
                       QStringLiteral("Newlines Field Tag")});
  lines_ = new QComboBox(this);
  lines_->addItems({QStringLiteral("All Lines"), QStringLiteral("First Line Only"),
                    QStringLiteral("All But First Line")});
  right_ = new QCheckBox(QStringLiteral("&Right Adjust"), this);
  zeros_ = new QCheckBox(QStringLiteral("Leading &Zeros"), this);
  min_ = new QSpinBox(this);
  max_ = new QSpinBox(this);
  min_->setRange(0, 999);
  max_->setRange(0, 999);
  code_ = new QLabel(this);
  code_->setObjectName(QStringLiteral("Code"));
  code_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Field:"), field_);
  form->addRow(QStringLiteral("&Newlines:"), newlines_);
  form->addRow(QStringLiteral("&Lines:"), lines_);
  form->addRow(QString(), right_);
  form->addRow(QString(), zeros_);
  form->addRow(QStringLiteral("&Minimum Width:"), min_);
  form->addRow(QStringLiteral("Ma&ximum Width:"), max_);
  form->addRow(QStringLiteral("Output Field:"), code_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  for (QComboBox* box : {field_, newlines_, lines_})
    connect(box, &QComboBox::currentIndexChanged, this, &COutputFieldDlg::Update);
  for (QCheckBox* box : {right_, zeros_})
    connect(box, &QCheckBox::toggled, this, &COutputFieldDlg::Update);
  for (QSpinBox* box : {min_, max_})
    connect(box, &QSpinBox::valueChanged, this, &COutputFieldDlg::Update);
  Update();
}

QString COutputFieldDlg::Code() const {
  OutputFieldChoice c{};
  const QString letter = field_->currentData().toString();
  c.field = letter.isEmpty() ? 'T' : letter[0].toLatin1();
  c.newlines = newlines_->currentIndex();
  c.lines = lines_->currentIndex();
  c.rightAdjust = right_->isChecked();
  c.leadingZeros = zeros_->isChecked();
  c.minWidth = min_->value();
  c.maxWidth = max_->value();
  return Q(BuildOutputFieldCode(c));
}

void COutputFieldDlg::Update() { code_->setText(Code()); }

}  // namespace tunora
