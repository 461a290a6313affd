#include "gui/app/CTipDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunora {

CTipDlg::CTipDlg(int first, const QString& tipsPath, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Tips on how to use Tunora"));

  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  QFont big = font();
  // The tip reads a little larger than the dialog's own text.
  if (big.pointSizeF() > 0) {
    big.setPointSizeF(big.pointSizeF() * 10.0 / 8.0);
  } else {
    big.setPixelSize(big.pixelSize() * 10 / 8);
  }
  text_->setFont(big);
  text_->setMinimumSize(460, 200);

  showAtStartup_ = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
  showAtStartup_->setChecked(true);
  previous_ = new QPushButton(QStringLiteral("<< &Previous"), this);
  auto* next = new QPushButton(QStringLiteral("&Next >>"), this);
  number_ = new QLineEdit(this);
  number_->setReadOnly(true);
  number_->setAlignment(Qt::AlignCenter);
  number_->setFixedWidth(number_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(showAtStartup_);
  buttons->addStretch();
  buttons->addWidget(previous_);
  buttons->addWidget(number_);
  buttons->addWidget(next);
  buttons->addSpacing(12);
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);

  connect(next, &QPushButton::clicked, this, &CTipDlg::OnNext);
  connect(previous_, &QPushButton::clicked, this, &CTipDlg::OnPrevious);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  tips_.Load(tipsPath.toStdString());
  std::string tip;
  int shown = 0;
  hasTips_ = tips_.Show(first > 0 ? first : 1, tip, shown);
  if (hasTips_) {
    shown_ = shown;
    text_->setPlainText(
        QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())).trimmed());
    number_->setText(QString::number(shown_));
  }
  previous_->setEnabled(shown_ > 1);
}

QString CTipDlg::TipText() const { return text_->toPlainText(); }

void CTipDlg::ShowTip(int n) {
  std::string tip;
  int shown = 0;
  if (!tips_.Show(n, tip, shown)) return;
  shown_ = shown;
  text_->setPlainText(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())).trimmed());
  number_->setText(QString::number(shown_));
  previous_->setEnabled(shown_ > 1);
}

void CTipDlg::OnNext() { ShowTip(tips_.NextNumber()); }

void CTipDlg::OnPrevious() {
  if (shown_ <= 1) return;
  ShowTip(tips_.PreviousNumber());
}

int CTipDlg::NextTipSetting() const {
  return tunora::NextTipSetting(tips_.NextNumber(), showAtStartup_->isChecked());
}

}  // namespace tunora
