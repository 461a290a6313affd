#include "gui/tunefile/TextDialogs.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tunora {

CTextEditDlg::CTextEditDlg(QWidget* parent, const QString& caption, const QString& text)
    : QDialog(parent) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  edit_ = new QPlainTextEdit(this);
  edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setPlainText(text);
  layout->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  QFontMetrics fm(edit_->font());
  resize(fm.horizontalAdvance(QLatin1Char('m')) * 72, fm.lineSpacing() * 24);
}

QString CTextEditDlg::Text() const { return edit_->toPlainText(); }

bool EditText(QWidget* parent, const QString& caption, const QString& text, QString& result) {
  CTextEditDlg dlg(parent, caption, text);
  if (dlg.exec() != QDialog::Accepted) return false;
  result = dlg.Text();
  return true;
}

CRenumberDlg::CRenumberDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Renumber Tunes"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  spin_ = new QSpinBox(this);
  spin_->setRange(1, 32767);
  spin_->setValue(1);
  auto* label = new QLabel(QStringLiteral("&Beginning on:"), this);
  label->setBuddy(spin_);
  form->addRow(label, spin_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  spin_->selectAll();
}

int CRenumberDlg::Start() const { return spin_->value(); }

bool AskRenumberStart(QWidget* parent, int& start) {
  CRenumberDlg dlg(parent);
  if (dlg.exec() != QDialog::Accepted) return false;
  start = dlg.Start();
  return true;
}

CloseGuardChoice AskCloseGuard(QWidget* parent) {
  QMessageBox box(parent);
  box.setWindowTitle(QStringLiteral("Tunora"));
  box.setIcon(QMessageBox::Warning);
  box.setText(
      QStringLiteral("There are open tunes for this abc file window.\nPlease close them first."));
  QPushButton* goTo =
      box.addButton(QStringLiteral("Go to first open tune"), QMessageBox::AcceptRole);
  QPushButton* closeAll =
      box.addButton(QStringLiteral("Close all open tunes"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(goTo);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == goTo) return CloseGuardChoice::kGoToFirst;
  if (box.clickedButton() == closeAll) return CloseGuardChoice::kCloseAll;
  return CloseGuardChoice::kCancel;
}

}  // namespace tunora
