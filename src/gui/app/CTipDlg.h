// The tip of the day: "Tips on how to use Tunora", stepping through the tips
// of "tips.txt".
#pragma once

#include <QDialog>
#include <QString>

#include "app/Tips.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tunora {

class CTipDlg : public QDialog {
  Q_OBJECT

 public:
  // Shows tip number first (NextTip, or 1) of the tips file at path.
  CTipDlg(int first, const QString& tipsPath, QWidget* parent = nullptr);

  // False when the file is empty or missing, or holds no tip 1 either.
  bool HasTips() const { return hasTips_; }
  // The number on display, and the text.
  int Shown() const { return shown_; }
  QString TipText() const;
  // NextTip to keep: the next tip's number, or 0 when the box is cleared.
  int NextTipSetting() const;

  QCheckBox* ShowAtStartup() const { return showAtStartup_; }

 public slots:
  void OnNext();
  void OnPrevious();

 private:
  void ShowTip(int n);

  TipsText tips_;
  bool hasTips_ = false;
  int shown_ = 0;
  QPlainTextEdit* text_ = nullptr;
  QLineEdit* number_ = nullptr;
  QCheckBox* showAtStartup_ = nullptr;
  QPushButton* previous_ = nullptr;
};

}  // namespace tunora
