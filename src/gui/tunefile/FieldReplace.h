// Replace inside the edit field that has the focus in a form (Edit, Replace,
// Ctrl+H): the "Replace" dialog asks what to find and what to put in its
// place, then the small modeless "Replacing" window steps through the
// occurrences. Works on line edits, plain and rich text edits and the edit
// field of combo boxes; the search itself is ReplaceState's.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>

#include "app/ReplaceState.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tunora {

// The field as ReplaceState sees it; null for a widget that is no edit field.
std::unique_ptr<ReplaceTarget> MakeReplaceTarget(QWidget* field);

// The one replace state of the program.
ReplaceState& TheReplaceState();

// True when a replace can begin in field: it is an editable edit field and no
// replace is running.
bool CanStartReplace(QWidget* field);
// Starts a replace in field (the "Replace" dialog, then the "Replacing" window).
void StartReplace(QWidget* field);
// Makes Replace available in the edit fields of every form view.
void InstallFieldReplace();

class CReplaceDlg : public QDialog {
  Q_OBJECT

 public:
  enum Choice { kCancel, kReplace, kReplaceAll };

  // hasSelection: the field had a non-empty selection ("Selection Only" is
  // then enabled and ticked).
  CReplaceDlg(QWidget* parent, const ReplaceState& state, bool hasSelection);

  Choice Result() const { return choice_; }
  // Copies the dialog's values into the state.
  void Store(ReplaceState& state) const;

  QLineEdit* FindEdit() const { return find_; }
  QLineEdit* ReplaceEdit() const { return replace_; }
  QCheckBox* IgnoreCaseBox() const { return ignoreCase_; }
  QCheckBox* SelectionOnlyBox() const { return selectionOnly_; }
  QPushButton* ReplaceButton() const { return replaceButton_; }
  QPushButton* ReplaceAllButton() const { return replaceAllButton_; }

 private:
  QLineEdit* find_;
  QLineEdit* replace_;
  QCheckBox* ignoreCase_;
  QCheckBox* selectionOnly_;
  QPushButton* replaceButton_;
  QPushButton* replaceAllButton_;
  Choice choice_ = kCancel;
};

// The "Replacing" window of a running replace.
class CReplacingWnd : public QDialog {
  Q_OBJECT

 public:
  CReplacingWnd(QWidget* field, std::unique_ptr<ReplaceTarget> target);
  ~CReplacingWnd() override;

  // The window of the running replace, or null.
  static CReplacingWnd* Running();

  // Puts the window's lower left corner at the field's upper left corner.
  void PlaceAtField();

  QPushButton* ReplaceButton() const { return replaceButton_; }
  QPushButton* NextButton() const { return nextButton_; }
  QPushButton* ReplaceAllButton() const { return replaceAllButton_; }
  QPushButton* QuitButton() const { return quitButton_; }

 public slots:
  void OnNext();
  void OnReplace();
  void OnReplaceAll();
  void OnQuit();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Ends the replace after the last occurrence: "No more occurrences".
  void Finished();
  bool FieldGone();

  QPointer<QWidget> field_;
  std::unique_ptr<ReplaceTarget> target_;
  QPushButton* replaceButton_;
  QPushButton* nextButton_;
  QPushButton* replaceAllButton_;
  QPushButton* quitButton_;
  bool ended_ = false;
};

}  // namespace tunora
