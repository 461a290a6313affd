#include "gui/editor/EditorDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "editor/KeyHelp.h"
#include "gui/app/Messages.h"

namespace tunora {

CKeyHelpDlg::CKeyHelpDlg(QWidget* parent, const QString& keyText) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Key/Mode Help"));
  auto* layout = new QVBoxLayout(this);

  auto* keyBox = new QGroupBox(QStringLiteral("Notes of a key"), this);
  auto* keyForm = new QFormLayout(keyBox);
  key_ = new QLineEdit(keyText.trimmed(), keyBox);
  key_->setPlaceholderText(QStringLiteral("for example Edor, F#m, Bb"));
  notes_ = new QLabel(keyBox);
  notes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  signature_ = new QLabel(keyBox);
  auto* keyLabel = new QLabel(QStringLiteral("&Key:"), keyBox);
  keyLabel->setBuddy(key_);
  keyForm->addRow(keyLabel, key_);
  keyForm->addRow(QStringLiteral("Scale:"), notes_);
  keyForm->addRow(QStringLiteral("Signature:"), signature_);
  layout->addWidget(keyBox);

  auto* findBox = new QGroupBox(QStringLiteral("Key of a signature"), this);
  auto* findForm = new QFormLayout(findBox);
  auto* countRow = new QHBoxLayout();
  count_ = new QSpinBox(findBox);
  count_->setRange(0, 6);
  kind_ = new QComboBox(findBox);
  kind_->addItems({QStringLiteral("sharps"), QStringLiteral("flats")});
  countRow->addWidget(count_);
  countRow->addWidget(kind_);
  countRow->addStretch(1);
  auto* countLabel = new QLabel(QStringLiteral("&Sharps or flats:"), findBox);
  countLabel->setBuddy(count_);
  findForm->addRow(countLabel, countRow);
  mode_ = new QComboBox(findBox);
  for (const KeyHelpMode& m : KeyHelpModes()) mode_->addItem(QString::fromLatin1(m.name));
  auto* modeLabel = new QLabel(QStringLiteral("&Mode:"), findBox);
  modeLabel->setBuddy(mode_);
  findForm->addRow(modeLabel, mode_);
  centre_ = new QComboBox(findBox);
  centre_->addItem(QStringLiteral("any"));
  for (const char* letter : {"C", "D", "E", "F", "G", "A", "B"})
    centre_->addItem(QString::fromLatin1(letter));
  auto* centreLabel = new QLabel(QStringLiteral("&Tonal centre:"), findBox);
  centreLabel->setBuddy(centre_);
  findForm->addRow(centreLabel, centre_);
  find_ = new QPushButton(QStringLiteral("&What key is that?"), findBox);
  findForm->addRow(QString(), find_);
  layout->addWidget(findBox);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(key_, &QLineEdit::textChanged, this, [this] { ShowKey(); });
  connect(find_, &QPushButton::clicked, this, [this] { FindKey(); });
  ShowKey();
}

void CKeyHelpDlg::ShowKey() {
  KeyDescription d = DescribeKey(key_->text().toStdString());
  notes_->setText(QString::fromStdString(d.notes));
  signature_->setText(QString::fromStdString(d.signature));
}

bool CKeyHelpDlg::FindKey() {
  char centre = 0;
  if (centre_->currentIndex() > 0) centre = centre_->currentText().toLatin1().at(0);
  std::optional<std::string> key =
      tunora::FindKey(count_->value(), kind_->currentIndex() == 1, mode_->currentIndex(), centre);
  if (!key) {
    MessageInfo(this, QStringLiteral("Cannot find a key like that."));
    return false;
  }
  key_->setText(QString::fromStdString(*key));
  return true;
}

CSaveTuneAsDlg::CSaveTuneAsDlg(QWidget* parent, const QString& number, const QString& title)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Save Tune As"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  number_ = new QLineEdit(number, this);
  number_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("\\s*[0-9]{1,9}\\s*")), number_));
  auto* numberLabel = new QLabel(QStringLiteral("&X:"), this);
  numberLabel->setBuddy(number_);
  form->addRow(numberLabel, number_);
  auto* titleEdit = new QLineEdit(title, this);
  titleEdit->setReadOnly(true);
  form->addRow(QStringLiteral("T:"), titleEdit);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  auto check = [this] { ok_->setEnabled(!Number().isEmpty()); };
  connect(number_, &QLineEdit::textChanged, this, check);
  check();
  number_->selectAll();
  resize(360, sizeHint().height());
}

QString CSaveTuneAsDlg::Number() const { return number_->text().trimmed(); }

}  // namespace tunora
