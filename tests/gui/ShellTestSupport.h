// Helpers of the shell's window tests: a program folder with chosen data
// files and settings, and a way to act on a modal dialog once it is open.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>

#include "base/IniFile.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"

namespace tunora::test {

// Records every message the program shows and answers its questions from a queue
// (Yes when the queue is empty); Yes/No/Cancel questions are answered from their
// own queue (No when it is empty), the rest OK.
struct ScriptedMessages {
  void Install() {
    SetMessageHandler([this](const MessageRequest& r) {
      messages << r;
      if (r.kind == MessageKind::kQuestion) {
        if (answers.empty()) return MessageAnswer::kYes;
        MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
      }
      if (r.kind == MessageKind::kYesNoCancel) {
        if (threeWay.empty()) return MessageAnswer::kNo;
        MessageAnswer a = threeWay.front();
        threeWay.pop_front();
        return a;
      }
      return MessageAnswer::kOk;
    });
  }
  QList<MessageRequest> messages;
  std::deque<MessageAnswer> answers;
  std::deque<MessageAnswer> threeWay;
};

class ProgramFolder {
 public:
  ProgramFolder() {
    for (const char* name : {"template.abc", "tips.txt", "userdef.abc", "userdef0.abc"}) {
      QFile::copy(QStringLiteral(TUNORA_DATA_DIR "/") + name, File(name));
    }
  }
  QString Dir() const { return dir_.path() + QLatin1Char('/'); }
  QString File(const QString& name) const { return Dir() + name; }
  // A copy of the sample tunes under another name.
  QString CopySample(const QString& name) const {
    QFile::copy(QStringLiteral(TUNORA_DATA_DIR "/samples/traditional.abc"), File(name));
    return File(name);
  }
  void WriteIni(const std::string& text) const {
    QFile f(File("tunora.ini"));
    f.open(QIODevice::WriteOnly);
    f.write(text.data(), static_cast<qint64>(text.size()));
  }
  IniFile Ini() const {
    IniFile ini;
    ini.Load(File("tunora.ini").toStdString());
    return ini;
  }
  QString ReadFile(const QString& name) const {
    QFile f(File(name));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
  }

 private:
  QTemporaryDir dir_;
};

// The first visible top-level window of a kind, or null.
template <class Window>
Window* FindVisibleWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<Window*>(w); found && found->isVisible()) return found;
  return nullptr;
}

// Runs action on the first modal dialog that opens (polling the event loop),
// so a test can drive dialogs that run with exec().
inline void WhenModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    }
  });
  timer->start();
}

// With TUNORA_SHOT_DIR set, windows are saved as pictures for a look at them.
inline void Shot(QWidget* w, const char* name) {
  QByteArray dir = qgetenv("TUNORA_SHOT_DIR");
  if (dir.isEmpty() || w == nullptr) return;
  QApplication::processEvents();
  w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
}

// Starts the program on the program folder home, quietly (/s: no tips, /m: no
// association check), as the window tests want it.
inline bool StartQuietly(CTunoraApp& app, const QString& home) {
  return app.InitInstance(
      {QStringLiteral("--home"), home, QStringLiteral("/s"), QStringLiteral("/m")});
}

// The program running for all the cases of one window test: its program folder is
// "home" in a scratch folder, with the named data files copied in; the messages are
// scripted and the main window is shown at the size given.
struct RunningProgram {
  QTemporaryDir dir;
  std::unique_ptr<CTunoraApp> app;
  ScriptedMessages script;

  QString Home() const { return dir.filePath(QStringLiteral("home")) + QLatin1Char('/'); }
  bool Start(QSize size, std::initializer_list<const char*> dataFiles = {}) {
    if (!dir.isValid() || !QDir(dir.path()).mkpath(QStringLiteral("home"))) return false;
    for (const char* name : dataFiles) {
      QDir().mkpath(QFileInfo(Home() + name).path());
      QFile::copy(QStringLiteral(TUNORA_DATA_DIR "/") + name, Home() + name);
    }
    script.Install();
    app = std::make_unique<CTunoraApp>();
    if (!StartQuietly(*app, Home())) return false;
    app->MainFrame()->resize(size);
    app->MainFrame()->show();
    return QTest::qWaitForWindowExposed(app->MainFrame());
  }
  void Stop() {
    app.reset();
    SetMessageHandler({});
  }
};

// Closes every open document and deletes its windows.
inline void CloseAllDocuments(CTunoraApp& app) {
  for (CMinFormDoc* doc : std::vector<CMinFormDoc*>(app.Documents())) app.CloseDocument(doc);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace tunora::test
