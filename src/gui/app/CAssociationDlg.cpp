#include "gui/app/CAssociationDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "platform/desktop/StartProgram.h"

namespace tunora {

namespace {

bool startupCheck = false;

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool WriteAndRefresh(const XdgDirs& dirs, const std::string& program, bool associate,
                     bool addOpenWith, QWidget* parent) {
  std::string error;
  if (!WriteAssociation(dirs, program, AssociationIconFile(), associate, addOpenWith, error)) {
    MessageError(parent, QString::fromStdString(error));
    return false;
  }
  RefreshDesktopDatabases(dirs);
  return true;
}

}  // namespace

std::string AssociationProgramPath() {
  return Local(QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath());
}

std::string AssociationIconFile() {
  QStringList candidates;
  if (CTunoraApp* app = CTunoraApp::Instance()) candidates << app->DataFilePath("icons/tunora.svg");
  const QString exeDir = QCoreApplication::applicationDirPath();
  candidates << exeDir + QStringLiteral("/icons/tunora.svg")
             << exeDir + QStringLiteral("/../share/icons/hicolor/scalable/apps/tunora.svg");
  for (const QString& c : candidates) {
    if (QFileInfo(c).isFile()) return Local(QFileInfo(c).absoluteFilePath());
  }
  return "";
}

CAssociationDlg::CAssociationDlg(const XdgDirs& dirs, const std::string& programPath, bool noCheck,
                                 QWidget* parent)
    : QDialog(parent), dirs_(dirs), programPath_(programPath) {
  setWindowTitle(QStringLiteral("Associate .abc files"));
  const AssociationInfo info = CheckAssociation(dirs, programPath);

  program_ = new QLineEdit(this);
  program_->setReadOnly(true);
  program_->setText(info.Ours() ? QStringLiteral("Tunora")
                                : QString::fromStdString(info.otherProgram));
  associate_ = new QPushButton(QStringLiteral("&Associate with Tunora instead"), this);
  addEntry_ =
      new QPushButton(QStringLiteral("Add \"&Open with Tunora\" alternative to menu"), this);
  entryPresent_ = new QLabel(QStringLiteral("\"Open with Tunora\" alternative in menu"), this);
  cancel_ = new QPushButton(QStringLiteral("Do &not change file type association"), this);
  noCheck_ = new QCheckBox(
      QStringLiteral("Do not &show this box automatically in the future if .abc files are not "
                     "associated with Tunora\n(It can be opened manually from General "
                     "Preferences)"),
      this);
  noCheck_->setChecked(noCheck);

  associate_->setEnabled(!info.Ours());
  addEntry_->setEnabled(info.ok && !info.Ours());
  addEntry_->setVisible(!info.openWithPresent);
  entryPresent_->setVisible(info.openWithPresent);

  auto* current = new QHBoxLayout;
  current->addWidget(new QLabel(QStringLiteral(".abc files are currently associated with"), this));
  current->addWidget(program_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(current);
  layout->addWidget(associate_);
  layout->addWidget(addEntry_);
  layout->addWidget(entryPresent_);
  layout->addWidget(cancel_);
  layout->addSpacing(8);
  layout->addWidget(noCheck_);

  connect(associate_, &QPushButton::clicked, this, [this] { Write(true, false); });
  connect(addEntry_, &QPushButton::clicked, this, [this] { Write(false, true); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool CAssociationDlg::NoCheck() const { return noCheck_->isChecked(); }

void CAssociationDlg::Write(bool associate, bool addOpenWith) {
  if (WriteAndRefresh(dirs_, programPath_, associate, addOpenWith, this)) {
    accept();
  } else {
    reject();
  }
}

void ShowAssociationDialog(QWidget* parent) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return;
  bool& setting = app->GetSettings().preferences.noCheckAssociation;
  CAssociationDlg dialog(XdgDirsFromProcess(), AssociationProgramPath(), setting, parent);
  dialog.exec();
  if (dialog.NoCheck() != setting) {
    setting = dialog.NoCheck();
    app->SaveSettings();
  }
}

void EnableStartupAssociationCheck(bool on) { startupCheck = on; }

void CheckAssociationAtStartup(QWidget* parent) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (!startupCheck || app == nullptr || app->GetSettings().preferences.noCheckAssociation) return;
  const XdgDirs dirs = XdgDirsFromProcess();
  const std::string program = AssociationProgramPath();
  const AssociationInfo info = CheckAssociation(dirs, program);
  if (!info.ok) {
    WriteAndRefresh(dirs, program, false, false, parent);
  } else if (!info.Ours()) {
    ShowAssociationDialog(parent);
  }
}

void AssociateAbcFiles(QWidget* parent) {
  WriteAndRefresh(XdgDirsFromProcess(), AssociationProgramPath(), true, false, parent);
}

}  // namespace tunora
