#include "gui/lists/CMakeListDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/lists/CListEdit.h"
#include "gui/search/CFindDlg.h"
#include "gui/search/CFindDoc.h"
#include "gui/tunefile/CAbcDoc.h"
#include "search/MatchExpression.h"
#include "search/FileSearch.h"

namespace tunora {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

const Settings& CurrentSettings() {
  static const Settings kDefaults;
  CTunoraApp* app = CTunoraApp::Instance();
  return app != nullptr ? app->GetSettings() : kDefaults;
}

std::string ProgramDir() {
  CTunoraApp* app = CTunoraApp::Instance();
  return app != nullptr ? S(app->ProgramDirQ()) : std::string();
}

OpenOutputHook& OpenHook() {
  static OpenOutputHook hook;
  return hook;
}

}  // namespace

std::vector<ListTypeEntry>& LoadedListTypes() {
  static std::vector<ListTypeEntry> types;
  return types;
}

void LoadListTypes(const std::string& programDir) {
  LoadedListTypes() = LoadListRegistry(programDir);
}

void SetOpenOutputHook(OpenOutputHook hook) { OpenHook() = std::move(hook); }

// --- the Make List sheet -------------------------------------------------------------

CMakeListDlg::CMakeListDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CMakeListDlg"));
  setWindowTitle(QStringLiteral("Make List/Index/Etc"));
  const Settings& settings = CurrentSettings();

  type_box_ = new QComboBox(this);
  type_box_->setObjectName(QStringLiteral("ListType"));
  auto* edit = new QPushButton(QStringLiteral("&Edit List Type..."), this);
  auto* info = new QPushButton(QStringLiteral("&Information"), this);
  connect(edit, &QPushButton::clicked, this, &CMakeListDlg::EditType);
  connect(info, &QPushButton::clicked, this, &CMakeListDlg::ShowInformation);

  files_ = HistoryBox(settings.search.oldFiles, this, "Files");
  auto* browseFiles = new QPushButton(QStringLiteral("&Browse..."), this);
  connect(browseFiles, &QPushButton::clicked, this, &CMakeListDlg::BrowseFiles);
  subdir_ = new QCheckBox(QStringLiteral("Search &Subdirectories"), this);
  subdir_->setObjectName(QStringLiteral("Subdir"));
  output_ = HistoryBox(settings.search.oldOut, this, "Output");
  auto* browseOutput = new QPushButton(QStringLiteral("B&rowse..."), this);
  browseOutput->setObjectName(QStringLiteral("BrowseOutput"));
  connect(browseOutput, &QPushButton::clicked, this, &CMakeListDlg::BrowseOutput);
  openOutput_ = new QCheckBox(QStringLiteral("&Open Output"), this);
  openOutput_->setObjectName(QStringLiteral("OpenOutput"));
  sort_ = new QLineEdit(this);
  sort_->setObjectName(QStringLiteral("Sort"));
  match_ = HistoryBox(settings.search.oldMatch, this, "Match");
  connect(match_, &QComboBox::editTextChanged, this, &CMakeListDlg::UpdatePrompts);

  auto Label = [this](const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, this);
    label->setBuddy(buddy);
    return label;
  };
  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(Label(QStringLiteral("List &Type:"), type_box_), row, 0);
  grid->addWidget(type_box_, row, 1);
  auto* typeButtons = new QHBoxLayout;
  typeButtons->addWidget(edit);
  typeButtons->addWidget(info);
  grid->addLayout(typeButtons, row++, 2);
  grid->addWidget(Label(QStringLiteral("&Files:"), files_), row, 0);
  grid->addWidget(files_, row, 1);
  grid->addWidget(browseFiles, row++, 2);
  grid->addWidget(subdir_, row++, 1);
  grid->addWidget(Label(QStringLiteral("O&utput:"), output_), row, 0);
  grid->addWidget(output_, row, 1);
  grid->addWidget(browseOutput, row++, 2);
  grid->addWidget(openOutput_, row++, 1);
  grid->addWidget(Label(QStringLiteral("S&ort:"), sort_), row, 0);
  grid->addWidget(sort_, row++, 1);
  grid->addWidget(Label(QStringLiteral("&Match:"), match_), row, 0);
  grid->addWidget(match_, row++, 1);
  for (int i = 0; i < 4; ++i) {
    promptLabel_[i] = new QLabel(this);
    prompt_[i] = new QLineEdit(this);
    prompt_[i]->setObjectName(QStringLiteral("Prompt%1").arg(i + 1));
    grid->addWidget(promptLabel_[i], row, 0);
    grid->addWidget(prompt_[i], row++, 1);
  }
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("&Start"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CMakeListDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  Refill();
  connect(type_box_, &QComboBox::currentIndexChanged, this, &CMakeListDlg::SelectType);
  SelectType(type_box_->currentIndex());
}

void CMakeListDlg::Refill() {
  const QSignalBlocker block(type_box_);
  type_box_->clear();
  for (const ListTypeEntry& e : LoadedListTypes()) type_box_->addItem(Q(e.name));
}

void CMakeListDlg::SelectType(int index) {
  const std::vector<ListTypeEntry>& types = LoadedListTypes();
  type_ = ListType{};
  if (index >= 0 && index < static_cast<int>(types.size())) {
    std::string error;
    if (!LoadListType(ProgramDir(), types[static_cast<size_t>(index)].file, type_, error))
      MessageWarning(this, Q(error));
    type_.file = types[static_cast<size_t>(index)].file;
  }
  if (type_box_->currentIndex() != index) {
    const QSignalBlocker block(type_box_);
    type_box_->setCurrentIndex(index);
  }
  if (!type_.inputFile.empty()) files_->setEditText(Q(type_.inputFile));
  output_->setEditText(Q(type_.outFile));
  sort_->setText(Q(type_.sortOrder));
  match_->setEditText(Q(type_.match));
  subdir_->setChecked(type_.subdir);
  openOutput_->setChecked(type_.openOutput);
  output_->setEnabled(type_.changeOutFile && !type_.oneFilePerTune);
  sort_->setEnabled(type_.changeSort);
  match_->setEnabled(type_.changeMatch);
  UpdatePrompts();
}

int CMakeListDlg::PromptCount() const { return prompts_; }

void CMakeListDlg::UpdatePrompts() {
  MatchProgram program;
  program.Compile(S(match_->currentText()));
  const std::vector<std::string>& prompts = program.Prompts();
  prompts_ = static_cast<int>(std::min<size_t>(prompts.size(), 4));
  for (int i = 0; i < 4; ++i) {
    const bool shown = i < prompts_;
    promptLabel_[i]->setText(shown ? Q(prompts[static_cast<size_t>(i)]) : QString());
    promptLabel_[i]->setVisible(shown);
    prompt_[i]->setVisible(shown);
    if (!shown) prompt_[i]->clear();
  }
}

void CMakeListDlg::EditType() {
  CListEdit editor(type_box_->currentIndex(), this);
  if (editor.exec() != QDialog::Accepted) return;
  Refill();
  SelectType(std::min(editor.SavedIndex(), type_box_->count() - 1));
}

void CMakeListDlg::ShowInformation() {
  MessageInfo(this,
              type_.information.empty() ? QStringLiteral("No information.") : Q(type_.information));
}

void CMakeListDlg::BrowseFiles() {
  const QString path =
      CLarkFileDialog::GetOpenFileName(this, QStringLiteral("Files"), files_->currentText(),
                                       QStringLiteral("Abc Files (*.abc);;All Files (*)"), true);
  if (!path.isEmpty()) files_->setEditText(path);
}

void CMakeListDlg::BrowseOutput() {
  const QString path = CLarkFileDialog::GetSaveFileName(
      this, QStringLiteral("Output"), output_->currentText(),
      QStringLiteral("Text File (*.txt);;HTML File (*.html *.htm);;ABC File (*.abc);;"
                     "All Files (*)"));
  if (!path.isEmpty()) output_->setEditText(path);
}

bool CMakeListDlg::Check() {
  if (type_box_->currentIndex() < 0) {
    MessageWarning(this, QStringLiteral("You must choose a list type"));
    return false;
  }
  if (files_->currentText().trimmed().isEmpty()) {
    MessageWarning(this, QStringLiteral("You must enter abc file(s)"));
    return false;
  }
  return true;
}

bool CMakeListDlg::Run() {
  MakeListRequest request = RequestFromType(type_);
  request.files = S(files_->currentText().trimmed());
  request.output = S(output_->currentText().trimmed());
  request.sort = S(sort_->text());
  request.match = S(match_->currentText());
  request.subdirectories = subdir_->isChecked();
  // All four texts: a line without a placeholder can still be filled by automation
  // for the k codes.
  for (int i = 0; i < 4; ++i) request.promptValues.push_back(S(prompt_[i]->text()));
  if (CTunoraApp* app = CTunoraApp::Instance()) {
    SearchSettings& s = app->GetSettings().search;
    s.oldFiles.Add(request.files);
    if (!request.output.empty()) s.oldOut.Add(request.output);
    if (!request.match.empty()) s.oldMatch.Add(request.match);
  }
  return RunMakeList(request, openOutput_->isChecked(), parentWidget());
}

bool CMakeListDlg::Start() { return Check() && Run(); }

void CMakeListDlg::accept() {
  if (!Check()) return;
  hide();
  Run();
  QDialog::accept();
}

// --- the Making List window ----------------------------------------------------------

CMakingListDlg::CMakingListDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CMakingListDlg"));
  setWindowTitle(QStringLiteral("Making List"));
  folder_ = new QLabel(this);
  file_ = new QLabel(this);
  file_->setObjectName(QStringLiteral("File"));
  folder_->setMinimumWidth(360);
  stop_ = new QPushButton(QStringLiteral("&Stop"), this);
  stop_->setObjectName(QStringLiteral("Stop"));
  connect(stop_, &QPushButton::clicked, this, &CMakingListDlg::AskStop);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(folder_);
  layout->addWidget(file_);
  layout->addWidget(stop_, 0, Qt::AlignHCenter);
}

void CMakingListDlg::ShowFile(const std::string& path) {
  const QFileInfo info(Q(path));
  folder_->setText(QStringLiteral("Folder: %1").arg(info.absolutePath()));
  file_->setText(QStringLiteral("File: %1").arg(info.fileName()));
}

void CMakingListDlg::AskStop() {
  if (AskYesNo(this, QStringLiteral("Do you really want to stop list making?"), true))
    stopped_ = true;
}

void CMakingListDlg::reject() { AskStop(); }

// --- the run -------------------------------------------------------------------------

bool RunMakeList(const MakeListRequest& request, bool openOutput, QWidget* parent) {
  CTunoraApp* app = CTunoraApp::Instance();
  CMakingListDlg window(parent);
  window.show();
  MakeListHooks hooks;
  if (app != nullptr) {
    hooks.env = &app->GetFormatEnv();
    hooks.fileOptions = app->GetTuneFileOptions();
  }
  hooks.openText = [app](const std::string& path) -> std::optional<std::string> {
    if (app == nullptr) return std::nullopt;
    auto* doc = qobject_cast<CAbcDoc*>(app->FindDocument(Q(path)));
    if (doc == nullptr) return std::nullopt;
    return doc->File().WriteFile();
  };
  hooks.poll = [&window] {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return window.KeepGoing();
  };
  hooks.progress = [&window](const std::string& path) { window.ShowFile(path); };
  QStringList failures;
  hooks.report = [&failures](const std::string& message) { failures << Q(message); };
  const MakeListResult result = MakeList(request, hooks);
  window.hide();
  if (!failures.isEmpty()) {
    // Many one-per-tune files may fail alike: the first few tell enough.
    QStringList shown = failures.mid(0, 10);
    if (failures.size() > 10) shown << QStringLiteral("...");
    MessageWarning(parent, shown.join(QLatin1Char('\n')));
  }
  if (result.stopped || !result.written) return false;
  if (request.type.oneFilePerTune) return true;
  if (openOutput) {
    const QString path = QFileInfo(Q(result.outputPath)).absoluteFilePath();
    if (OpenHook())
      OpenHook()(path);
    else
      QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  } else if (request.type.findWin) {
    FoundList list;
    FoundListFromOutput(result.text, list);
    SearchRequest search;
    search.type = SearchRequest::kAdvanced;
    search.match = request.match;
    search.promptValues = request.promptValues;
    if (app != nullptr) search.listFormat = app->GetSettings().search.listFormat;
    CFindDoc::ShowList(list, search);
  }
  return true;
}

void RunMakeListCommand(QWidget* parent) {
  CMakeListDlg dialog(parent);
  dialog.exec();
}

}  // namespace tunora
