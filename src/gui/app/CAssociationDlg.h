// The .abc association in the window: the dialog "Associate .abc files", the check
// once at start-up and the button of the general preferences.
#pragma once

#include <QDialog>
#include <string>

#include "app/Association.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tunora {

// The program the desktop should start for .abc files (this executable).
std::string AssociationProgramPath();
// The program's icon (SVG) to give the desktop; "" when none is found.
std::string AssociationIconFile();

class CAssociationDlg : public QDialog {
  Q_OBJECT

 public:
  CAssociationDlg(const XdgDirs& dirs, const std::string& programPath, bool noCheck,
                  QWidget* parent = nullptr);

  // The check box's state when the dialog closed.
  bool NoCheck() const;
  QPushButton* AssociateButton() const { return associate_; }
  QPushButton* AddEntryButton() const { return addEntry_; }
  QLabel* EntryPresentText() const { return entryPresent_; }
  QLineEdit* ProgramField() const { return program_; }
  QCheckBox* NoCheckBox() const { return noCheck_; }

 private:
  void Write(bool associate, bool addOpenWith);

  XdgDirs dirs_;
  std::string programPath_;
  QLineEdit* program_;
  QPushButton* associate_;
  QPushButton* addEntry_;
  QLabel* entryPresent_;
  QPushButton* cancel_;
  QCheckBox* noCheck_;
};

// Shows the dialog; a change of its check box is stored in NoCheckAssociation
// and the settings are saved.
void ShowAssociationDialog(QWidget* parent);
// The start-up check: unless NoCheckAssociation is on, takes .abc silently when no
// program has it and shows the dialog when another program has it. It runs only
// once the program has switched it on (the desktop program does at start; a
// window test that builds the application leaves the user's desktop alone).
void CheckAssociationAtStartup(QWidget* parent);
void EnableStartupAssociationCheck(bool on);
// The preferences' button: makes Tunora the program of .abc files.
void AssociateAbcFiles(QWidget* parent);

}  // namespace tunora
