// The automation commands over the real socket against the running program, the
// transport's defences (silent and garbage clients, stale sockets), the external
// programs run as real processes, and the association dialog on a temporary XDG home.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "gui/ShellTestSupport.h"
#include "gui/app/CAssociationDlg.h"
#include "gui/app/CAutomation.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/ExternalProgramMenus.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/PlayRequest.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "platform/ipc/AutomationClient.h"
#include "platform/midi/MidiBackends.h"
#include "play/MidiLib.h"

using namespace tunora;

namespace {

// A socket connected to path (the caller closes it), or -1.
int Connect(const QString& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  QByteArray p = QFile::encodeName(path);
  memcpy(address.sun_path, p.constData(), static_cast<size_t>(p.size()) + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

class AutomationTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& messages_ = run_.script;
  std::unique_ptr<CAutomation> automation_;
  QString socket_;

  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  // Sends a command string from another thread, as another program does, while this
  // thread's event loop serves it.
  SendResult Send(const QString& socket, const std::string& text, uint16_t& status) {
    std::atomic<bool> done{false};
    SendResult result = SendResult::kNoAnswer;
    std::thread client([&] {
      result = SendAutomation(socket.toStdString(), text, 30000, status);
      done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    client.join();
    return result;
  }
  uint16_t Status(const std::string& text) {
    uint16_t status = 0xFFFF;
    if (Send(socket_, text, status) != SendResult::kAnswered) return 0xFFFF;
    return status;
  }
  // The tune file of the active window.
  CAbcDoc* ActiveFile() const {
    CMinFormDoc* doc = app_->MainFrame()->ActiveDocument();
    if (doc != nullptr && doc->TuneFileDocument() != nullptr) doc = doc->TuneFileDocument();
    return qobject_cast<CAbcDoc*>(doc);
  }
  QAction* MenuItem(const QString& menuTitle, const QString& text) const {
    for (QAction* m : app_->MainFrame()->menuBar()->actions()) {
      if (m->text() != menuTitle || !m->menu()) continue;
      emit m->menu()->aboutToShow();
      for (QAction* a : m->menu()->actions())
        if (a->isVisible() && a->text() == text) return a;
    }
    return nullptr;
  }

 private slots:
  void initTestCase() {
    QVERIFY(run_.Start(QSize(1000, 700), {"abcstyle.cfg"}));
    QDir(dir_.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(PathOf(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The built-in synth plays into a file, so no sound card is needed.
    MidiBackendOptions midi;
    midi.audioDriver = "file";
    midi.audioFile = PathOf(QStringLiteral("play.raw")).toStdString();
    InstallMidiBackends(MidiLib::Application(), midi);
    automation_ = std::make_unique<CAutomation>();
    socket_ = PathOf(QStringLiteral("run/tunora.sock"));
    QCOMPARE(automation_->StartServer(socket_), AutomationServer::Start::kListening);
  }

  void cleanup() {
    if (CPlayDoc* busy = CPlayDoc::Busy()) busy->Stop();
    test::CloseAllDocuments(*app_);
    messages_.messages.clear();
    AppExternalPrograms() = {};
  }

  void cleanupTestCase() {
    automation_.reset();
    run_.Stop();
  }

  void openSelectAndPlayOverTheSocket() {
    QString tunes;
    for (int i = 1; i <= 300; ++i)
      tunes +=
          QStringLiteral("X:%1\r\nT:Tune number %1\r\nM:4/4\r\nL:1/8\r\nK:D\r\nABcd efga|\r\n\r\n")
              .arg(i);
    QFile f(PathOf(QStringLiteral("many tunes.abc")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(tunes.toUtf8());
    f.close();
    const std::string open = "[open(\"" + f.fileName().toStdString() + "\")]";
    QCOMPARE(Status(open + "[tunecount(\"L\")]"), uint16_t(0x8000 | 44));
    QCOMPARE(Status("[tunecount(\"H\")]"), uint16_t(0x8000 | 1));
    QCOMPARE(app_->Documents().size(), size_t(1));

    QCOMPARE(Status("[tune(\"12\")][play]"), uint16_t(0x8000 | 1));
    QVERIFY(ActiveFile() != nullptr);
    QCOMPARE(ActiveFile()->View()->CurrentLine(), 12);
    QVERIFY(CPlayDoc::First() != nullptr);
    QCOMPARE(CPlayDoc::First()->TuneTitle(), QStringLiteral("Tune number 12"));
    QTRY_VERIFY(IsPlaying());
    QCOMPARE(Status("[stop]"), uint16_t(0x8000));
    QVERIFY(!IsPlaying());

    // A title is found loosely; a tune that is not there leaves the selection.
    QCOMPARE(Status("[tune(\"tune number 250\")]"), uint16_t(0x8000 | 1));
    QCOMPARE(ActiveFile()->View()->CurrentLine(), 250);
    QCOMPARE(Status("[tune(\"999\")][last]"), uint16_t(0x8000));
    QCOMPARE(Status("[open(\"x\""), uint16_t(0));  // a syntax error fails
    QCOMPARE(ActiveFile()->View()->CurrentLine(), 300);

    // The MIDI file of the current tune, written without asking.
    const QString midi = PathOf(QStringLiteral("tune 12.mid"));
    QCOMPARE(Status("[tune(\"12\")][savemidi(\"" + midi.toStdString() + "\")]"),
             uint16_t(0x8000 | 1));
    QVERIFY(QFileInfo(midi).size() > 14);

    // With PasteDDEOpen, an opened file goes into the active tune file instead.
    QFile pasted(PathOf(QStringLiteral("paste.abc")));
    QVERIFY(pasted.open(QIODevice::WriteOnly));
    pasted.write("\r\n  X:301\r\nT:Caf\xE9\r\nK:G\r\nGABc|\r\n");  // code page 1252
    pasted.close();
    app_->GetSettings().preferences.pasteDDEOpen = 1;
    auto off = qScopeGuard([this] { app_->GetSettings().preferences.pasteDDEOpen = 0; });
    QCOMPARE(Status("[open(\"" + pasted.fileName().toStdString() + "\")]"), uint16_t(0x8000 | 1));
    QCOMPARE(app_->Documents().size(), size_t(2));  // the file list and the player
    QCOMPARE(ActiveFile()->File().TuneCount(), size_t(301));
    QVERIFY(ActiveFile()->IsModified());
    QVERIFY(ActiveFile()->LineUtf8(13).find("Caf\u00e9") != std::string::npos);
  }

  void clientsThatSendNothingOrGarbageHoldNothingUp() {
    int silent = Connect(socket_);
    int garbage = Connect(socket_);
    QVERIFY(silent >= 0 && garbage >= 0);
    const std::string junk(100000, 'x');
    QVERIFY(write(garbage, junk.data(), junk.size()) > 0);
    QCOMPARE(Status("[home]"), uint16_t(0x8000));
    // A request bigger than any command string is cut off, not collected forever.
    std::atomic<bool> closed{false};
    std::thread flood([&] {
      int fd = Connect(socket_);
      const std::string block(65536, '[');
      for (int i = 0; i < 64; ++i)
        if (send(fd, block.data(), block.size(), MSG_NOSIGNAL) <= 0) break;
      char c;
      closed = recv(fd, &c, 1, 0) <= 0;
      close(fd);
    });
    while (!closed) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    flood.join();
    // The silent client is dropped after a while.
    QTRY_VERIFY_WITH_TIMEOUT(([&] {
                               char c;
                               return recv(silent, &c, 1, MSG_DONTWAIT) == 0;
                             }()),
                             AutomationServer::kRequestTimeoutMs + 3000);
    close(silent);
    close(garbage);
  }

  void staleSocketIsReplacedAndALiveOneIsNot() {
    // A socket file left by a program that crashed.
    const QString stale = PathOf(QStringLiteral("run/stale.sock"));
    {
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      QByteArray p = QFile::encodeName(stale);
      memcpy(address.sun_path, p.constData(), static_cast<size_t>(p.size()) + 1);
      int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      QCOMPARE(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
      close(fd);
    }
    CAutomation second;
    QCOMPARE(second.StartServer(stale), AutomationServer::Start::kListening);
    uint16_t status = 0;
    QCOMPARE(Send(stale, "[home]", status), SendResult::kAnswered);
    CAutomation third;
    QCOMPARE(third.StartServer(stale), AutomationServer::Start::kOtherInstance);
    // A file that is no socket is never removed.
    const QString file = PathOf(QStringLiteral("run/file.sock"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    CAutomation fourth;
    QCOMPARE(fourth.StartServer(file), AutomationServer::Start::kFailed);
    QVERIFY(QFileInfo(file).isFile());
  }

  void externalProgramsRunWithoutAShell() {
    QDir work(PathOf(QStringLiteral("ext")));
    QVERIFY(work.mkpath(QStringLiteral(".")));
    const QString hostile =
        work.filePath(QStringLiteral("a\"; touch pwned; $(touch pwned2) `touch pwned3` 'q'.abc"));
    QFile f(hostile);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("X:7\r\nT:Hostile\r\nK:G\r\nGABc|\r\n");
    f.close();
    QVERIFY(app_->OpenDocumentFile(hostile));
    ActiveFile()->View()->SelectLine(1);
    AppExternalPrograms()[0] = {"/usr/bin/touch %1.done", "Touch", false, false};
    AppExternalPrograms()[1] = {"/bin/cp %1 '" + work.path().toStdString() + "/tune %2.abc'",
                                "Copy tune", true, false};
    // The menus: whole-file entries in File, selected-tune ones in Tune.
    QVERIFY(MenuItem(QStringLiteral("&File"), QStringLiteral("Touch")));
    QVERIFY(!MenuItem(QStringLiteral("&File"), QStringLiteral("Copy tune")));
    QVERIFY(MenuItem(QStringLiteral("&Tune"), QStringLiteral("Copy tune")));
    QVERIFY(!MenuItem(QStringLiteral("&Tune"), QStringLiteral("External Program")));

    RunExternalProgram(1);
    RunExternalProgram(2);
    QTRY_VERIFY(QFileInfo::exists(hostile + QStringLiteral(".done")));
    QTRY_VERIFY(QFileInfo::exists(work.filePath(QStringLiteral("tune 7.abc"))));
    QTest::qWait(200);
    QCOMPARE(work.entryList(QDir::Files).size(), qsizetype(3));  // nothing else ran
    QVERIFY(QFileInfo::exists(app_->DataFilePath(QStringLiteral("abctmp.abc"))));
    QVERIFY(messages_.messages.isEmpty());

    // Only a whole-file entry: the Tune menu shows the disabled placeholder.
    AppExternalPrograms()[1] = {};
    QAction* placeholder = MenuItem(QStringLiteral("&Tune"), QStringLiteral("External Program"));
    QVERIFY(placeholder && !placeholder->isEnabled());

    AppExternalPrograms()[0].command = "/nonexistent/program %1";
    RunExternalProgram(1);
    QCOMPARE(messages_.messages.size(), qsizetype(1));
    QVERIFY(messages_.messages[0].text.startsWith(
        QStringLiteral("Could not run\n/nonexistent/program \"")));
    QVERIFY(messages_.messages[0].text.endsWith(QStringLiteral("\nError code 2")));

    // An unsaved file is not handed over.
    app_->MainFrame()->RunCommand(CommandId::kFileNew);
    messages_.messages.clear();
    RunExternalProgram(1);
    QCOMPARE(messages_.messages.size(), qsizetype(1));
    QCOMPARE(messages_.messages[0].text, QStringLiteral("Please save the file first."));
  }

  void associationDialogOffersWhatApplies() {
    XdgDirs dirs;
    dirs.dataHome = PathOf(QStringLiteral("xdg/data")).toStdString();
    dirs.configHome = PathOf(QStringLiteral("xdg/config")).toStdString();
    QDir().mkpath(PathOf(QStringLiteral("xdg/data/applications")));
    QDir().mkpath(PathOf(QStringLiteral("xdg/config")));
    QFile other(PathOf(QStringLiteral("xdg/data/applications/othered.desktop")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nName=Other Editor\nExec=othered %f\n");
    other.close();
    QFile list(PathOf(QStringLiteral("xdg/config/mimeapps.list")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\ntext/vnd.abc=othered.desktop\n");
    list.close();
    const std::string program = AssociationProgramPath();

    CAssociationDlg first(dirs, program, false);
    QCOMPARE(first.ProgramField()->text(), QStringLiteral("Other Editor"));
    QVERIFY(first.AssociateButton()->isEnabled());
    QVERIFY(first.AddEntryButton()->isEnabled());
    first.AddEntryButton()->click();
    QCOMPARE(first.result(), int(QDialog::Accepted));
    AssociationInfo info = CheckAssociation(dirs, program);
    QCOMPARE(info.otherProgram, std::string("Other Editor"));
    QVERIFY(info.openWithPresent);

    CAssociationDlg second(dirs, program, true);
    QVERIFY(second.AddEntryButton()->isHidden());
    QVERIFY(!second.EntryPresentText()->isHidden());
    second.AssociateButton()->click();
    QVERIFY(CheckAssociation(dirs, program).Ours());
    CAssociationDlg third(dirs, program, false);
    QCOMPARE(third.ProgramField()->text(), QStringLiteral("Tunora"));
    QVERIFY(!third.AssociateButton()->isEnabled());
    QVERIFY(!third.AddEntryButton()->isEnabled());
  }

  void startupCheckTakesUnclaimedFilesAndAsksOtherwise() {
    const QString xdg = PathOf(QStringLiteral("startup"));
    qputenv("XDG_DATA_HOME", (xdg + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (xdg + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_DIRS", (xdg + QStringLiteral("/system")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", (xdg + QStringLiteral("/etc")).toUtf8());
    auto restore = qScopeGuard([] {
      for (const char* name :
           {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        qunsetenv(name);
      EnableStartupAssociationCheck(false);
    });
    const std::string program = AssociationProgramPath();
    EnableStartupAssociationCheck(true);
    app_->GetSettings().preferences.noCheckAssociation = 1;
    CheckAssociationAtStartup(nullptr);
    QVERIFY(!CheckAssociation(XdgDirsFromProcess(), program).ok);
    app_->GetSettings().preferences.noCheckAssociation = 0;
    CheckAssociationAtStartup(nullptr);  // nobody had .abc: taken without a word
    QVERIFY(CheckAssociation(XdgDirsFromProcess(), program).Ours());
    // Another copy of the program owns them now: the dialog asks.
    XdgDirs dirs = XdgDirsFromProcess();
    std::string error;
    QVERIFY(WriteAssociation(dirs, program + "-other", "", true, false, error));
    bool asked = false;
    test::WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<CAssociationDlg*>(modal);
      asked = dialog != nullptr;
      if (dialog) dialog->NoCheckBox()->setChecked(true);
      modal->close();
    });
    CheckAssociationAtStartup(nullptr);
    QVERIFY(asked);
    QCOMPARE(app_->GetSettings().preferences.noCheckAssociation, 1);  // the tick is kept
    QVERIFY(!CheckAssociation(dirs, program).Ours());
  }
};

QTEST_MAIN(AutomationTest)
#include "AutomationTest.moc"
