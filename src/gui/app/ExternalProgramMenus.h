// The external programs in the window: their items in the File menu (entries on
// the whole file) and the Tune menu (entries on the selected tune), rebuilt each
// time a menu opens, Ctrl+1 to Ctrl+9, running an entry, and the options dialog
// "External Program Options".
#pragma once

#include <QDialog>
#include <QObject>
#include <array>

#include "app/ExternalPrograms.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QRadioButton;
class QSpinBox;

namespace tunora {

// The entries loaded at start-up, owned for the program's life.
ExternalPrograms& AppExternalPrograms();

// Puts the nine commands into the frame (shortcuts) and keeps the two menus'
// placeholders ("External Program") filled; adds the options item to optionsMenu.
void InstallExternalProgramMenus(QMainWindow* frame, QMenu* fileMenu, QAction* filePlaceholder,
                                 QMenu* tuneMenu, QAction* tunePlaceholder, QMenu* optionsMenu);

// Runs entry number (1 to 9) on the active tune file or its selected tune.
void RunExternalProgram(int number);

class CExternProgramDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CExternProgramDlg(const ExternalPrograms& programs, QWidget* parent = nullptr);

  const ExternalPrograms& Programs() const { return programs_; }
  QSpinBox* NumberBox() const { return number_; }
  QLineEdit* MenuTextBox() const { return menuText_; }
  QLineEdit* CommandBox() const { return command_; }
  QCheckBox* ShortNamesBox() const { return shortNames_; }
  QRadioButton* SelectedTuneButton() const { return selectedTune_; }

  void accept() override;

 private:
  void Store();
  void Load();
  void Browse();

  ExternalPrograms programs_;
  int shown_ = 1;
  QSpinBox* number_;
  QLabel* shortcut_;
  QLineEdit* menuText_;
  QLineEdit* command_;
  QCheckBox* shortNames_;
  QRadioButton* wholeFile_;
  QRadioButton* selectedTune_;
};

}  // namespace tunora
