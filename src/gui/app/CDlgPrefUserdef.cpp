#include "gui/app/CDlgPrefUserdef.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "abc/UserSymbols.h"
#include "base/FileIO.h"
#include "base/TextEncoding.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"

namespace tunora {

namespace {

// Lines of the text that define nothing: they would be dropped on saving.
int UnusableLines(const std::string& text) {
  int count = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    UserSymbols probe;
    bool ok =
        line.size() >= 2 && line[1] == ':' && (line[0] == 'U' || line[0] == 'u') &&
        probe.AddDefinition(line[0] == 'U' ? UserSymbols::kDrawTable : UserSymbols::kPlayTable,
                            line.substr(2));
    if (!ok) ++count;
  }
  return count;
}

}  // namespace

CDlgPrefUserdef::CDlgPrefUserdef(QWidget* parent)
    : CPrefPage(QStringLiteral("User Defines"), parent) {
  auto* intro = new QLabel(
      QStringLiteral("One definition per line: U: for drawing, u: for playing, then the symbol "
                     "(~, H to Z or h to w), = and its text, for example:<br>"
                     "<tt>U: T = !trill!</tt>"),
      this);
  intro->setTextFormat(Qt::RichText);
  intro->setWordWrap(true);
  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName(QStringLiteral("UserDefines"));
  edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setMinimumHeight(180);
  check_ = new QLabel(this);
  auto* restore = new QPushButton(QStringLiteral("&Restore Defaults"), this);
  restore->setObjectName(QStringLiteral("Restore"));
  connect(restore, &QPushButton::clicked, this, &CDlgPrefUserdef::OnRestore);
  connect(edit_, &QPlainTextEdit::textChanged, this, &CDlgPrefUserdef::CheckText);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(check_, 1);
  bottom->addWidget(restore);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(edit_, 1);
  layout->addLayout(bottom);
}

void CDlgPrefUserdef::Load(const Settings&) {
  std::string text = UserSymbols::Application().AsText();
  edit_->setPlainText(MultiLineTextOf(text));
  CheckText();
}

void CDlgPrefUserdef::CheckText() {
  int bad = UnusableLines(edit_->toPlainText().toStdString());
  check_->setText(bad == 0 ? QString()
                  : bad == 1
                      ? QStringLiteral("1 line is no definition and is not kept.")
                      : QStringLiteral("%1 lines are no definitions and are not kept.").arg(bad));
}

bool CDlgPrefUserdef::Store(Settings&) {
  std::string text = EncodeText(edit_->toPlainText().toStdString(), TextEncoding::kUtf8);
  UserSymbols& symbols = UserSymbols::Application();
  symbols.Clear();
  symbols.LoadFromText(text);
  return true;
}

void CDlgPrefUserdef::OnRestore() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (!app) return;
  std::string path = app->ProgramDir() + "userdef0.abc";
  std::string bytes, error;
  if (!ReadWholeFile(path, bytes, error)) {
    MessageWarning(this, QStringLiteral("Error reading %1").arg(QString::fromStdString(path)));
    return;
  }
  edit_->setPlainText(MultiLineTextOf(bytes));
}

}  // namespace tunora
