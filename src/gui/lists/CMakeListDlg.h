// Making lists in the program: the list types loaded at start-up, the Make List
// sheet ("Make List/Index/Etc"), the "Making List" window with Stop that a run
// shows, and what follows a run (opening the output, the Found Files display).
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "lists/ListType.h"
#include "lists/MakeList.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tunora {

// The registry as loaded from lists.cfg at start-up (and as the editor saved it).
std::vector<ListTypeEntry>& LoadedListTypes();
void LoadListTypes(const std::string& programDir);

class CMakeListDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMakeListDlg(QWidget* parent = nullptr);

  // Chooses a list type by its index in the registry and fills the texts from it.
  void SelectType(int index);
  const ListType& Type() const { return type_; }

  // Checks the entries and runs the list (the Start button); false when a check
  // failed or the run could not write its output.
  bool Start();

  QComboBox* TypeBox() const { return type_box_; }
  QComboBox* FilesBox() const { return files_; }
  QComboBox* OutputBox() const { return output_; }
  QLineEdit* SortBox() const { return sort_; }
  QComboBox* MatchBox() const { return match_; }
  QCheckBox* SubdirBox() const { return subdir_; }
  QCheckBox* OpenOutputBox() const { return openOutput_; }
  // The prompt lines shown, one per placeholder of the match.
  int PromptCount() const;
  QLabel* PromptLabel(int i) const { return promptLabel_[i]; }
  QLineEdit* PromptBox(int i) const { return prompt_[i]; }

  void accept() override;

 private:
  bool Check();
  bool Run();
  void Refill();
  void UpdatePrompts();
  void EditType();
  void ShowInformation();
  void BrowseFiles();
  void BrowseOutput();

  ListType type_;
  QComboBox* type_box_;
  QComboBox* files_;
  QCheckBox* subdir_;
  QComboBox* output_;
  QCheckBox* openOutput_;
  QLineEdit* sort_;
  QComboBox* match_;
  QLabel* promptLabel_[4];
  QLineEdit* prompt_[4];
  int prompts_ = 0;
};

// The "Making List" window of one run: the file being read and Stop.
class CMakingListDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMakingListDlg(QWidget* parent = nullptr);
  void ShowFile(const std::string& path);
  // False once Stop was confirmed.
  bool KeepGoing() const { return !stopped_; }
  QPushButton* StopButton() const { return stop_; }
  QLabel* FileLabel() const { return file_; }

 protected:
  void reject() override;  // Escape and closing the window ask as Stop does

 private:
  void AskStop();
  QLabel* folder_;
  QLabel* file_;
  QPushButton* stop_;
  bool stopped_ = false;
};

// Runs a request with the "Making List" window, tells the failures, then opens the
// output or shows it in the Found Files window as the list type says. Input files
// open in tune file windows are read with their unsaved changes.
bool RunMakeList(const MakeListRequest& request, bool openOutput, QWidget* parent);

// Opens a made list with the program the desktop associates with it; tests replace it.
using OpenOutputHook = std::function<void(const QString& path)>;
void SetOpenOutputHook(OpenOutputHook hook);

// The Make List command.
void RunMakeListCommand(QWidget* parent);

}  // namespace tunora
