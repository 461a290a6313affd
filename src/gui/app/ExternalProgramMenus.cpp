#include "gui/app/ExternalProgramMenus.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>

#include "base/FileIO.h"
#include "base/IniFile.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "platform/desktop/StartProgram.h"

namespace tunora {

namespace {

CTunoraApp* App() { return CTunoraApp::Instance(); }
QWidget* Parent() { return App() ? App()->MainFrame() : nullptr; }

// The tune file of the active window, or null.
CAbcDoc* ActiveFile() {
  CMainFrame* frame = App() ? App()->MainFrame() : nullptr;
  CMinFormDoc* doc = frame ? frame->ActiveDocument() : nullptr;
  if (doc == nullptr) return nullptr;
  auto* file = qobject_cast<CAbcDoc*>(doc);
  return file ? file : qobject_cast<CAbcDoc*>(doc->TuneFileDocument());
}

// The selected tune of a tune file's list: the caret line when it is a selected
// tune, else the first selected tune; null when none is.
const TuneRecord* SelectedTune(CAbcDoc& doc) {
  CAbcView* view = doc.View();
  if (view == nullptr || !view->HasSelectedTune()) return nullptr;
  int line = view->CurrentLine(true);
  if (line <= 0) {
    for (int l : view->SelectedLines()) {
      if (l > 0) {
        line = l;
        break;
      }
    }
  }
  return doc.File().TuneAt(line);
}

QString Local(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Quotes a path for a command line where it holds blanks or shell characters.
QString CommandWord(const QString& path) {
  if (!path.contains(QRegularExpression(QStringLiteral("[\\s\"'\\\\$`]")))) return path;
  QString quoted = path;
  quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Rebuilds the external items of a menu at its placeholder.
void FillMenu(QMenu* menu, QAction* placeholder, const std::array<QAction*, 9>& actions,
              bool selectedTune) {
  for (QAction* a : actions) menu->removeAction(a);
  bool any = false;
  const ExternalPrograms& programs = AppExternalPrograms();
  for (size_t i = 0; i < programs.size(); ++i) {
    const ExternalProgram& p = programs[i];
    if (!p.Defined() || p.selectedTune != selectedTune) continue;
    QString text = QString::fromStdString(p.menuText);
    if (text.isEmpty()) text = QString::fromStdString(p.command);
    actions[i]->setText(text);
    menu->insertAction(placeholder, actions[i]);
    any = true;
  }
  placeholder->setVisible(!any);
  placeholder->setEnabled(false);
}

}  // namespace

ExternalPrograms& AppExternalPrograms() {
  static ExternalPrograms programs;
  return programs;
}

void InstallExternalProgramMenus(QMainWindow* frame, QMenu* fileMenu, QAction* filePlaceholder,
                                 QMenu* tuneMenu, QAction* tunePlaceholder, QMenu* optionsMenu) {
  auto actions = std::make_shared<std::array<QAction*, 9>>();
  for (int n = 1; n <= kExternalProgramCount; ++n) {
    auto* action = new QAction(frame);
    action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + n)));
    action->setStatusTip(QStringLiteral("Run external program %1").arg(n));
    QObject::connect(action, &QAction::triggered, frame, [n] { RunExternalProgram(n); });
    frame->addAction(action);  // Ctrl+n works with the menus closed
    (*actions)[static_cast<size_t>(n - 1)] = action;
  }
  QObject::connect(fileMenu, &QMenu::aboutToShow, frame,
                   [=] { FillMenu(fileMenu, filePlaceholder, *actions, false); });
  QObject::connect(tuneMenu, &QMenu::aboutToShow, frame,
                   [=] { FillMenu(tuneMenu, tunePlaceholder, *actions, true); });
  QAction* options = optionsMenu->addAction(QStringLiteral("E&xternal Program Options..."));
  options->setStatusTip(QStringLiteral("Define the external programs and their menu items"));
  QObject::connect(options, &QAction::triggered, frame, [frame] {
    CExternProgramDlg dialog(AppExternalPrograms(), frame);
    if (dialog.exec() != QDialog::Accepted) return;
    AppExternalPrograms() = dialog.Programs();
    if (CTunoraApp* app = App()) {
      IniFile ini;
      ini.Load(app->IniPath());
      SaveExternalPrograms(ini, AppExternalPrograms());
      if (ini.Modified() && !ini.Save()) {
        MessageError(frame, QString::fromStdString(ini.Error()));
      }
    }
  });
}

void RunExternalProgram(int number) {
  if (number < 1 || number > kExternalProgramCount || App() == nullptr) return;
  const ExternalProgram& program = AppExternalPrograms()[static_cast<size_t>(number - 1)];
  if (!program.Defined()) return;
  CAbcDoc* doc = ActiveFile();
  const TuneRecord* tune = doc ? SelectedTune(*doc) : nullptr;
  ExpandInput input;
  input.shortNames = program.shortNames;
  if (tune != nullptr) input.tuneNumber = std::to_string(static_cast<uint32_t>(tune->number));
  if (program.selectedTune) {
    if (tune == nullptr) return;
    input.path = App()->ProgramDir() + std::string(kExternalTuneFile);
    std::string error;
    if (!WriteFileAtomically(input.path, doc->File().WriteTune(*tune, false), error)) {
      MessageError(Parent(), QStringLiteral("Cannot write file %1").arg(Local(input.path)));
      return;
    }
  } else {
    if (doc == nullptr || doc->PathName().isEmpty() || doc->IsModified()) {
      MessageWarning(Parent(), QStringLiteral("Please save the file first."));
      return;
    }
    input.path = QFile::encodeName(doc->PathName()).toStdString();
  }
  input.prompt = []() -> std::optional<std::string> {
    bool ok = false;
    QString text = QInputDialog::getText(Parent(), QStringLiteral("External Program"),
                                         QStringLiteral("Text for the command line:"),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return text.toLocal8Bit().toStdString();
  };
  std::string line;
  switch (ExpandExternalCommand(program.command, input, line)) {
    case ExpandResult::kCancelled: return;
    case ExpandResult::kTooLong:
      // A command line cut short could do something else than the one defined.
      MessageError(Parent(), QStringLiteral("The command line is longer than %1 characters:\n%2")
                                 .arg(kExternalCommandLimit - 1)
                                 .arg(Local(line)));
      return;
    case ExpandResult::kOk: break;
  }
  int code = StartProgram(SplitShellWords(line));
  if (code != 0) {
    MessageError(Parent(),
                 QStringLiteral("Could not run\n%1\nError code %2").arg(Local(line)).arg(code));
  }
}

// --- the options dialog -------------------------------------------------------------

CExternProgramDlg::CExternProgramDlg(const ExternalPrograms& programs, QWidget* parent)
    : QDialog(parent), programs_(programs) {
  setWindowTitle(QStringLiteral("External Program Options"));
  number_ = new QSpinBox(this);
  number_->setRange(1, kExternalProgramCount);
  shortcut_ = new QLabel(this);
  menuText_ = new QLineEdit(this);
  command_ = new QLineEdit(this);
  command_->setMinimumWidth(360);
  auto* browse = new QPushButton(QStringLiteral("&Browse"), this);
  shortNames_ = new QCheckBox(QStringLiteral("Use &Short Filenames"), this);
  wholeFile_ = new QRadioButton(QStringLiteral("Whole &File"), this);
  selectedTune_ = new QRadioButton(QStringLiteral("Selected &Tune"), this);

  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(number_);
  numberRow->addWidget(new QLabel(QStringLiteral("Shortcut:"), this));
  numberRow->addWidget(shortcut_);
  numberRow->addStretch();
  auto* commandRow = new QHBoxLayout;
  commandRow->addWidget(command_, 1);
  commandRow->addWidget(browse);
  auto* scope = new QHBoxLayout;
  scope->addWidget(wholeFile_);
  scope->addWidget(selectedTune_);
  scope->addStretch();
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Number:"), numberRow);
  form->addRow(QStringLiteral("&Menu text:"), menuText_);
  form->addRow(QStringLiteral("&Command line:"), commandRow);
  form->addRow(QString(), shortNames_);
  form->addRow(QStringLiteral("Works on:"), scope);
  auto* hint = new QLabel(QStringLiteral("In the command line %1 stands for the file, %2 for the "
                                         "number of the selected tune, %? for text asked for "
                                         "when the program runs and %% for a percent sign."),
                          this);
  hint->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(hint);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &CExternProgramDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, &CExternProgramDlg::Browse);
  connect(number_, &QSpinBox::valueChanged, this, [this](int n) {
    Store();
    shown_ = n;
    Load();
  });
  Load();
}

void CExternProgramDlg::Store() {
  ExternalProgram& p = programs_[static_cast<size_t>(shown_ - 1)];
  p.menuText = menuText_->text().toStdString();
  p.command = command_->text().toStdString();
  p.shortNames = shortNames_->isChecked();
  p.selectedTune = selectedTune_->isChecked();
}

void CExternProgramDlg::Load() {
  const ExternalProgram& p = programs_[static_cast<size_t>(shown_ - 1)];
  shortcut_->setText(QStringLiteral("Ctrl+%1").arg(shown_));
  menuText_->setText(QString::fromStdString(p.menuText));
  command_->setText(QString::fromStdString(p.command));
  shortNames_->setChecked(p.shortNames);
  (p.selectedTune ? selectedTune_ : wholeFile_)->setChecked(true);
}

void CExternProgramDlg::Browse() {
  std::vector<std::string> words = SplitShellWords(command_->text().toStdString());
  QString start = QStringLiteral("/usr/bin");
  if (!words.empty() && words.front().find('/') != std::string::npos) {
    start = QFileInfo(QString::fromStdString(words.front())).absolutePath();
  }
  QString chosen = CLarkFileDialog::GetOpenFileName(this, QStringLiteral("Browse"), start + '/',
                                                    QStringLiteral("All Files (*)"));
  if (!chosen.isEmpty()) command_->setText(CommandWord(chosen));
}

void CExternProgramDlg::accept() {
  Store();
  std::string problem = ExternalProgramsProblem(programs_);
  if (!problem.empty()) {
    MessageWarning(this, QString::fromStdString(problem));
    return;
  }
  QDialog::accept();
}

}  // namespace tunora
