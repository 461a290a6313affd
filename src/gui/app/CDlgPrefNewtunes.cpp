#include "gui/app/CDlgPrefNewtunes.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/Settings.h"

namespace tunora {

CDlgPrefNewtunes::CDlgPrefNewtunes(QWidget* parent) : CPrefPage(QStringLiteral("New"), parent) {
  defaultLength_ = new QComboBox(this);
  defaultLength_->setEditable(true);
  defaultLength_->addItems({QStringLiteral("1/4"), QStringLiteral("1/8"), QStringLiteral("1/16")});
  auto* tunes = new QGroupBox(QStringLiteral("New Tunes"), this);
  auto* form = new QFormLayout(tunes);
  form->addRow(QStringLiteral("Default &Length (L:):"), defaultLength_);

  template_ = new QPlainTextEdit(this);
  template_->setObjectName(QStringLiteral("Template"));
  template_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  template_->setLineWrapMode(QPlainTextEdit::NoWrap);
  template_->setMinimumHeight(140);
  auto* header = new QGroupBox(QStringLiteral("File Header of New Tune Files"), this);
  auto* headerLayout = new QVBoxLayout(header);
  auto* note = new QLabel(QStringLiteral("Fields given here (such as A:, O:, Z:) are copied into "
                                         "every new tune of a new file."),
                          this);
  note->setWordWrap(true);
  headerLayout->addWidget(note);
  headerLayout->addWidget(template_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tunes);
  layout->addWidget(header, 1);
}

void CDlgPrefNewtunes::Load(const Settings& s) {
  lengthOriginal_ = s.preferences.defaultLength;
  defaultLength_->setCurrentText(TextOf(s.preferences.defaultLength));
  templateOriginal_ = s.templateText;
  // Each line of the header ends with CR LF; the last one is not an empty line.
  QString text = MultiLineTextOf(s.templateText);
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  template_->setPlainText(text);
}

bool CDlgPrefNewtunes::Store(Settings& s) {
  QString length = defaultLength_->currentText().trimmed();
  s.preferences.defaultLength = BytesOf(lengthOriginal_, length);
  QString text = template_->toPlainText();
  if (!text.isEmpty()) text += QLatin1Char('\n');
  s.templateText = MultiLineBytesOf(templateOriginal_, text);
  return true;
}

}  // namespace tunora
