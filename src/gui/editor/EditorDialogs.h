// The small dialogs of the tune editor: "Key/Mode Help" and "Save Tune As".
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tunora {

// Key/Mode Help: the notes and signature of a key, and the key of a
// signature in a mode on a tonal centre.
class CKeyHelpDlg : public QDialog {
  Q_OBJECT

 public:
  CKeyHelpDlg(QWidget* parent, const QString& keyText);

  QLineEdit* KeyEdit() const { return key_; }
  QLabel* NotesLabel() const { return notes_; }
  QLabel* SignatureLabel() const { return signature_; }
  QSpinBox* CountSpin() const { return count_; }
  QComboBox* KindCombo() const { return kind_; }
  QComboBox* ModeCombo() const { return mode_; }
  QComboBox* CentreCombo() const { return centre_; }
  QPushButton* FindButton() const { return find_; }

  // "What key is that?": true when a key was found (it goes into the key box);
  // otherwise "Cannot find a key like that." is shown and nothing changes.
  bool FindKey();

 private:
  void ShowKey();

  QLineEdit* key_;
  QLabel* notes_;
  QLabel* signature_;
  QSpinBox* count_;
  QComboBox* kind_;
  QComboBox* mode_;
  QComboBox* centre_;
  QPushButton* find_;
};

// Save Tune As: the X: number to give the new tune, with the title shown.
class CSaveTuneAsDlg : public QDialog {
  Q_OBJECT

 public:
  CSaveTuneAsDlg(QWidget* parent, const QString& number, const QString& title);
  QString Number() const;
  QLineEdit* NumberEdit() const { return number_; }

 private:
  QLineEdit* number_;
  QPushButton* ok_;
};

}  // namespace tunora
