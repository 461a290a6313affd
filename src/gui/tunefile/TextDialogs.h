// The small dialogs of the tune list: the plain text dialog (file header, text
// after a tune, a tune's text), "Renumber Tunes" and the close guard that asks
// the user to close the windows open on a file's tunes.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QSpinBox;

namespace tunora {

// A multi-line text in an edit field with OK and Cancel.
class CTextEditDlg : public QDialog {
  Q_OBJECT

 public:
  CTextEditDlg(QWidget* parent, const QString& caption, const QString& text);
  QString Text() const;
  QPlainTextEdit* Edit() const { return edit_; }

 private:
  QPlainTextEdit* edit_;
};

// Shows text in a CTextEditDlg; true with the edited text on OK.
bool EditText(QWidget* parent, const QString& caption, const QString& text, QString& result);

// "Renumber Tunes": "&Beginning on:" with a spin control from 1 to 32767.
class CRenumberDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CRenumberDlg(QWidget* parent);
  int Start() const;
  QSpinBox* Spin() const { return spin_; }

 private:
  QSpinBox* spin_;
};

// Asks for the first number; true when confirmed.
bool AskRenumberStart(QWidget* parent, int& start);

enum class CloseGuardChoice { kGoToFirst, kCloseAll, kCancel };
// "There are open tunes for this abc file window." / "Please close them first."
// with "Go to first open tune", "Close all open tunes" and "Cancel".
CloseGuardChoice AskCloseGuard(QWidget* parent);

}  // namespace tunora
