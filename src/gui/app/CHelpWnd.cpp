#include "gui/app/CHelpWnd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "gui/app/Messages.h"

namespace tunora {

namespace {
constexpr const char* kManualFile = "help/manual.html";
QPointer<QWidget> gWindow;
QPointer<QTextBrowser> gBrowser;
}  // namespace

QString ManualPath(const QString& programDir) {
  for (const QString& dir : {QCoreApplication::applicationDirPath(), programDir}) {
    if (dir.isEmpty()) continue;
    QFileInfo file(QDir(dir).filePath(QString::fromLatin1(kManualFile)));
    if (file.isFile()) return file.absoluteFilePath();
  }
  return {};
}

QTextBrowser* ShowManual(QWidget* parent, const QString& programDir, const QString& anchor) {
  const QString path = ManualPath(programDir);
  if (path.isEmpty()) {
    MessageError(parent, QStringLiteral("The user manual (%1) is not installed beside the program.")
                             .arg(QString::fromLatin1(kManualFile)));
    return nullptr;
  }
  if (gWindow == nullptr) {
    // A window of its own, so the manual stays open beside the tune windows.
    auto* window = new QWidget(parent, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Tunora Help"));
    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    // A comfortable reading size: most of the main window, in its own units.
    const QSize room = parent != nullptr ? parent->size() : QSize(1000, 760);
    window->resize(std::max(room.width() * 2 / 3, 560), std::max(room.height() * 5 / 6, 480));
    gWindow = window;
    gBrowser = browser;
  }
  QUrl url = QUrl::fromLocalFile(path);
  if (!anchor.isEmpty()) url.setFragment(anchor);
  gBrowser->setSource(url);
  gWindow->show();
  gWindow->raise();
  gWindow->activateWindow();
  return gBrowser;
}

}  // namespace tunora
