// The song player of the start mode /w on the offscreen platform: the SongWright
// file of the command line is converted into a new tune file and shown in the small
// player window with the main window hidden; Play plays it through the real
// built-in synth (writing its sound to a file here), Stop ends it, and the full
// program opens on the song. A file that is no SongWright file is told.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <memory>

#include "ShellTestSupport.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/import/CSongPlayerWnd.h"
#include "gui/play/CPlayDoc.h"
#include "gui/tunefile/CAbcDoc.h"
#include "platform/midi/MidiBackends.h"
#include "play/MidiLib.h"

using namespace tunora;

class SongPlayerTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  test::ScriptedMessages script_;

  QString Write(const QString& name, const QByteArray& bytes) {
    QFile f(dir_.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return dir_.filePath(name);
  }

  std::unique_ptr<CTunoraApp> Start(const QString& song) {
    auto app = std::make_unique<CTunoraApp>();
    if (!app->InitInstance({QStringLiteral("--home"), dir_.filePath(QStringLiteral("home")),
                            QStringLiteral("/m"), QStringLiteral("/w"), song})) {
      return nullptr;
    }
    MidiBackendOptions options;
    options.audioDriver = "file";
    options.audioFile = dir_.filePath(QStringLiteral("song.raw")).toStdString();
    InstallMidiBackends(MidiLib::Application(), options);
    app->GetSettings().midi.speedPercent = 800;
    return app;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QDir(dir_.path()).mkdir(QStringLiteral("home"));
    script_.Install();
  }

  void cleanupTestCase() { SetMessageHandler({}); }

  void showsPlaysAndHandsOverToTheFullProgram() {
    const QByteArray words(30, 'x');
    const QString song =
        Write("song.sng",
              "N-Morning Song\r\nK-G\r\nB-3/4\r\nS-120\r\nM-G-4 a-4 b-4 S-6 c-4 b-4 a-4 S-6 "
              "G-2 R-4 S-6\r\nL-" +
                  words + " " + words + " " + words + " end\r\n");
    auto app = Start(song);
    QVERIFY(app);
    QVERIFY(!app->MainFrame()->isVisible());
    CSongPlayerWnd* window = test::FindVisibleWindow<CSongPlayerWnd>();
    QVERIFY(window);
    QCOMPARE(window->Title(), QStringLiteral("Morning Song"));
    // The text is wrapped at blanks within 80 characters.
    for (const QString& line : window->ShownText().split(QLatin1Char('\n')))
      QVERIFY(line.size() <= 80);
    QVERIFY(window->ShownText().contains(QStringLiteral("G2 A2 B2 |")));
    QVERIFY(window->ShownText().contains(QStringLiteral("end")));
    QCOMPARE(app->Documents().size(), size_t(2));  // the tune file and its player

    test::Shot(window, "song-player");
    CPlayDoc* player = window->Player();
    QVERIFY(player);
    window->PlayButton()->click();
    QVERIFY(player->IsBusy());
    QVERIFY(window->StopButton()->isEnabled());
    window->StopButton()->click();
    QVERIFY(!player->IsBusy());
    QVERIFY(window->PlayButton()->isEnabled());

    window->FullProgramButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(test::FindVisibleWindow<CSongPlayerWnd>() == nullptr);
    QVERIFY(app->MainFrame()->isVisible());
    QCOMPARE(app->Documents().size(), size_t(1));
    auto* doc = qobject_cast<CAbcDoc*>(app->Documents().front());
    QVERIFY(doc);
    QVERIFY(!doc->IsModified());
    QCOMPARE(doc->File().TuneCount(), size_t(1));
    QVERIFY(script_.messages.isEmpty());
    for (CMinFormDoc* d : std::vector<CMinFormDoc*>(app->Documents())) app->CloseDocument(d);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void aFileThatIsNoSongIsTold() {
    const QString notSong = Write("notes.txt", "just some text\r\n");
    auto app = Start(notSong);
    QVERIFY(app);
    QVERIFY(test::FindVisibleWindow<CSongPlayerWnd>() == nullptr);
    QCOMPARE(script_.messages.size(), 1);
    QCOMPARE(script_.messages[0].text, QStringLiteral("Error reading SongWright file."));
    // The program does not stay invisible.
    QVERIFY(app->MainFrame()->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(app->Documents().empty());
  }
};

QTEST_MAIN(SongPlayerTest)
#include "SongPlayerTest.moc"
