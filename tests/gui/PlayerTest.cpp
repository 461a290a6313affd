// The player window in the running program, playing for real on the built-in synth:
// its states and status texts, pause and stop, the guard against a second play, the
// queue of tunes, KeepDrone, the error list, the timer and device failures, Play and
// Play Now from the tune list and the application, Save MIDI, the window's place and
// its entry in the window list, and the "Debug MIDI" listing.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "base/IniFile.h"
#include "app/Settings.h"
#include "gui/ShellTestSupport.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/CPlayView.h"
#include "gui/play/PlayDialogs.h"
#include "gui/play/PlayRequest.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "platform/midi/MidiBackends.h"
#include "play/MidiLib.h"

using namespace tunora;

namespace {

// Eight quarter notes, at 800 % half a second.
std::string Short(const char* title, const char* key = "C") {
  return std::string("X:1\r\nT:") + title + "\r\nM:4/4\r\nL:1/4\r\nQ:1/4=120\r\nK:" + key +
         "\r\nCDEF|GABc|]\r\n";
}

// Sixty-four quarter notes: four seconds at 800 %.
std::string Long(const char* title) {
  std::string body;
  for (int i = 0; i < 16; ++i) body += "CDEF|";
  return std::string("X:2\r\nT:") + title + "\r\nM:4/4\r\nL:1/4\r\nQ:1/4=120\r\nK:G\r\n" + body +
         "]\r\n";
}

PlayRequest Request(const std::string& text, bool now = false) {
  PlayRequest r;
  r.tuneText = text;
  r.now = now;
  return r;
}

}  // namespace

class PlayerTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<CTunoraApp> app_;
  QList<MessageRequest> messages_;
  MidiBackendOptions midiOptions_;

  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  // The devices as the test plays them: the built-in synth with sound when an audio
  // output opens here, else the built-in synth writing its sound to a file as it plays.
  void InstallDevices() {
    MidiLib& lib = MidiLib::Application();
    InstallMidiBackends(lib, midiOptions_);
  }

  void StartApp(const QStringList& extra = {}) {
    app_ = std::make_unique<CTunoraApp>();
    QStringList args{QStringLiteral("--home"), dir_.filePath(QStringLiteral("home")),
                     QStringLiteral("/s"), QStringLiteral("/m")};
    args << extra;
    QVERIFY(app_->InitInstance(args));
    app_->MainFrame()->resize(1000, 700);
    app_->MainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app_->MainFrame()));
    InstallDevices();
    ResetSettings();
  }

  void ResetSettings() {
    MidiSettings& m = app_->GetSettings().midi;
    m = MidiSettings{};
    m.speedPercent = 800;
    m.playPos = 1;
  }

  static CPlayView* ViewOf(CPlayDoc* doc) {
    return doc ? qobject_cast<CPlayView*>(doc->FirstView()) : nullptr;
  }

  // Records the status texts a player shows.
  struct StatusLog {
    ~StatusLog() { QObject::disconnect(connection); }
    QStringList texts;
    QMetaObject::Connection connection;
  };
  std::unique_ptr<StatusLog> LogStatus(CPlayDoc* doc) {
    auto log = std::make_unique<StatusLog>();
    StatusLog* p = log.get();
    log->connection = connect(doc, &CPlayDoc::StateChanged, doc, [p, doc] {
      if (p->texts.isEmpty() || p->texts.back() != doc->StatusText()) p->texts << doc->StatusText();
    });
    return log;
  }

  bool WaitIdle(CPlayDoc* doc, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (doc->IsBusy() && t.elapsed() < ms) QTest::qWait(20);
    return !doc->IsBusy();
  }

  CAbcDoc* OpenFile(const QString& name, const std::string& text) {
    QFile f(PathOf(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return nullptr;
    f.write(text.data(), static_cast<qint64>(text.size()));
    f.close();
    return qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(PathOf(name)));
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QDir(dir_.path()).mkdir(QStringLiteral("home"));
    QVERIFY(QFile::copy(QStringLiteral(TUNORA_DATA_DIR "/abcstyle.cfg"),
                        dir_.filePath(QStringLiteral("home/abcstyle.cfg"))));
    SetMessageHandler([this](const MessageRequest& r) {
      messages_ << r;
      return r.kind == MessageKind::kQuestion ? MessageAnswer::kYes : MessageAnswer::kOk;
    });
    // A live audio output where there is one, else FluidSynth's file output, which
    // also plays as the clock goes.
    {
      MidiLib probe;
      InstallMidiBackends(probe, MidiBackendOptions{});
      const MidiSync sync = probe.OpenSync({});
      const MidiOut out = probe.OpenMidiOut(0u, sync);
      if (out == 0) {
        midiOptions_.audioDriver = "file";
        midiOptions_.audioFile = PathOf(QStringLiteral("live.raw")).toStdString();
        qInfo("no audio output here (%s): the built-in synth plays into a file",
              probe.LastError().c_str());
      } else {
        probe.CloseMidiOut(out);
      }
      probe.CloseSync(sync);
    }
    StartApp();
  }

  void cleanup() {
    if (CPlayDoc* busy = CPlayDoc::Busy()) busy->Stop();
    test::CloseAllDocuments(*app_);
    QVERIFY(!MidiLib::Application().AnythingOpen());
    messages_.clear();
    ResetSettings();
    CLarkFileDialog::SetAnswerHook({});
  }

  void cleanupTestCase() {
    app_.reset();
    SetMessageHandler({});
  }

  void playGoesThroughItsStatesToTheEnd() {
    QVERIFY(RequestPlay(Request(Short("Scale Up"))));
    CPlayDoc* doc = CPlayDoc::First();
    QVERIFY(doc);
    CPlayView* view = ViewOf(doc);
    QVERIFY(view);
    // Play (not Play Now) shows the tune and waits for the button.
    QCOMPARE(doc->Title(), QStringLiteral("Play Tune: Scale Up"));
    QCOMPARE(view->TitleLabel()->text(), QStringLiteral("Scale Up"));
    QVERIFY(!doc->IsBusy());
    QCOMPARE(view->StatusLabel()->text(), QString());
    QVERIFY(view->PlayButton()->isEnabled());
    QVERIFY(!view->StopButton()->isEnabled());
    QCOMPARE(view->LengthLabel()->text(), QStringLiteral("8 quarter notes"));
    QList<QTreeWidgetItem*> meter =
        view->FieldList()->findItems(QStringLiteral("Meter"), Qt::MatchExactly, 0);
    QCOMPARE(meter.size(), 1);
    QCOMPARE(meter[0]->text(1), QStringLiteral("4/4"));
    // Two passes: the play length doubles.
    view->RepeatSpin()->setValue(2);
    QCOMPARE(view->LengthLabel()->text(), QStringLiteral("16 quarter notes"));

    auto log = LogStatus(doc);
    QTest::mouseClick(view->PlayButton(), Qt::LeftButton);
    QCOMPARE(doc->GetState(), CPlayDoc::State::kPlaying);
    QCOMPARE(view->StatusLabel()->text(), QStringLiteral("Playing..."));
    QVERIFY(!view->PlayButton()->isEnabled());
    QVERIFY(view->PauseButton()->isEnabled());
    QVERIFY(MidiLib::Application().AnythingOpen());
    QVERIFY(app_->MainFrame()->Action(CommandId::kTuneStopPlay)->isEnabled());
    // The position moves on in quarter notes of the whole play.
    QTRY_VERIFY_WITH_TIMEOUT(doc->PositionQuarters() >= 9, 10000);
    QVERIFY(view->PositionLabel()->text().endsWith(QStringLiteral("of 16 quarter notes")));
    QVERIFY(view->PositionBar()->value() >= 9);
    // At the end of the last pass the player closes everything by itself.
    QVERIFY(WaitIdle(doc));
    QCOMPARE(log->texts, (QStringList{QStringLiteral("Reading Tune..."),
                                      QStringLiteral("Playing..."), QString()}));
    QVERIFY(!MidiLib::Application().AnythingOpen());
    QCOMPARE(view->StatusLabel()->text(), QString());
    QVERIFY(view->PlayButton()->isEnabled());
    QVERIFY(!view->StopButton()->isEnabled());
    QVERIFY(messages_.isEmpty());
  }

  void pauseTwiceGoesOnWhereItStopped() {
    QVERIFY(RequestPlay(Request(Long("Long One"), true)));
    CPlayDoc* doc = CPlayDoc::First();
    CPlayView* view = ViewOf(doc);
    QCOMPARE(doc->GetState(), CPlayDoc::State::kPlaying);
    QTRY_VERIFY_WITH_TIMEOUT(doc->PositionQuarters() > 0, 20000);
    QTest::mouseClick(view->PauseButton(), Qt::LeftButton);
    QCOMPARE(doc->StatusText(), QStringLiteral("Paused..."));
    QCOMPARE(view->StatusLabel()->text(), QStringLiteral("Paused..."));
    QVERIFY(view->PauseButton()->isChecked());
    QVERIFY(app_->MainFrame()->Action(CommandId::kTunePausePlay)->isChecked());
    const uint32_t quarters = doc->PositionQuarters();
    QTest::qWait(300);
    QCOMPARE(doc->PositionQuarters(), quarters);
    QVERIFY(MidiLib::Application().AnythingOpen());
    // The second press goes on from the same point (the library's own test checks
    // the time after a resume).
    QTest::mouseClick(view->PauseButton(), Qt::LeftButton);
    QCOMPARE(doc->StatusText(), QStringLiteral("Playing..."));
    QVERIFY(!view->PauseButton()->isChecked());
    QVERIFY(doc->PositionQuarters() >= quarters);
    QTRY_VERIFY_WITH_TIMEOUT(doc->PositionQuarters() > quarters, 20000);
    QVERIFY(doc->IsBusy());
  }

  void stopAndClosingTheWindowCloseEverything() {
    QVERIFY(RequestPlay(Request(Long("Stopped"), true)));
    CPlayDoc* doc = CPlayDoc::First();
    CPlayView* view = ViewOf(doc);
    QTest::mouseClick(view->StopButton(), Qt::LeftButton);
    QVERIFY(!doc->IsBusy());
    QVERIFY(!MidiLib::Application().AnythingOpen());
    QCOMPARE(view->StatusLabel()->text(), QString());
    QVERIFY(view->PlayButton()->isEnabled());
    QVERIFY(!view->StopButton()->isEnabled());
    QVERIFY(!view->PauseButton()->isEnabled());
    QCOMPARE(doc->PositionQuarters(), 0u);

    // Play again from the button, then close the window.
    QVERIFY(doc->Play());
    QVERIFY(MidiLib::Application().AnythingOpen());
    QVERIFY(view->Frame()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!MidiLib::Application().AnythingOpen());
    QCOMPARE(CPlayDoc::First(), nullptr);
  }

  void aSecondPlayIsRefusedWhilePlaying() {
    CAbcDoc* file = OpenFile(QStringLiteral("two.abc"), Short("First") + "\r\n" + Short("Second"));
    QVERIFY(file);
    QVERIFY(RequestPlay(Request(Long("Busy"), true)));
    CPlayDoc* doc = CPlayDoc::First();
    QVERIFY(doc->IsBusy());
    const QString guard =
        QStringLiteral("Play is already in progress.\nPlease close it or stop it first.");
    QVERIFY(!RequestPlay(Request(Short("Other"), true)));
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].text, guard);
    QCOMPARE(doc->TuneTitle(), QStringLiteral("Busy"));
    // The same from the tune list's Play command.
    app_->MainFrame()->ActivateView(file->View());
    file->View()->SelectLine(2);
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTunePlay));
    QCOMPARE(messages_.size(), 2);
    QCOMPARE(messages_[1].text, guard);
    QVERIFY(doc->IsBusy());
    // Stop Play reaches the player from the tune list.
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTuneStopPlay));
    QVERIFY(!doc->IsBusy());
    QVERIFY(!app_->MainFrame()->Action(CommandId::kTuneStopPlay)->isEnabled());
  }

  void queuedTunesFollowWithoutStopping() {
    QVERIFY(RequestPlay(Request(Short("Opening Tune"), true)));
    CPlayDoc* doc = CPlayDoc::First();
    CPlayView* view = ViewOf(doc);
    QVERIFY(QueuePlay(Request(Short("Second Tune", "D"))));
    QVERIFY(QueuePlay(Request(Short("Third Tune", "A"))));
    QCOMPARE(doc->QueuedTunes(), 2u);
    auto log = LogStatus(doc);
    // Each tune is shown when it is heard, and the device stays open all along.
    QTRY_COMPARE_WITH_TIMEOUT(view->TitleLabel()->text(), QStringLiteral("Second Tune"), 10000);
    QCOMPARE(doc->Title(), QStringLiteral("Play Tune: Second Tune"));
    QCOMPARE(view->FieldList()->findItems(QStringLiteral("Key"), Qt::MatchExactly, 0)[0]->text(1),
             QStringLiteral("D"));
    QVERIFY(doc->IsBusy());
    QTRY_COMPARE_WITH_TIMEOUT(view->TitleLabel()->text(), QStringLiteral("Third Tune"), 10000);
    QVERIFY(WaitIdle(doc));
    QCOMPARE(log->texts, QStringList{QString()});
    QVERIFY(!MidiLib::Application().AnythingOpen());
    // With no play running, a queued tune starts at once.
    QVERIFY(QueuePlay(Request(Short("Alone"))));
    QVERIFY(doc->IsBusy());
    QCOMPARE(doc->TuneTitle(), QStringLiteral("Alone"));
  }

  void keepDroneStoresTheDroneOnStop() {
    // An ini to write the drone into.
    IniFile ini;
    ini.WriteString("Midi", "Repeat", "1");
    QVERIFY(ini.SaveAs(app_->IniPath()));
    app_->GetSettings().midi.keepDrone = 1;
    app_->GetSettings().midi.drone = "C,G,";
    QVERIFY(RequestPlay(Request(Long("Droning"))));
    CPlayDoc* doc = CPlayDoc::First();
    CPlayView* view = ViewOf(doc);
    QCOMPARE(view->DroneEdit()->text(), QStringLiteral("C,G,"));
    QTest::keyClicks(view->DroneEdit(), QStringLiteral("D,"));
    QCOMPARE(doc->DroneText(), std::string("C,G,D,"));
    QVERIFY(doc->Play());
    QVERIFY(!view->DroneEdit()->isEnabled());
    doc->Stop();
    QCOMPARE(app_->GetSettings().midi.drone, std::string("C,G,D,"));
    IniFile written;
    QVERIFY(written.Load(app_->IniPath()));
    QCOMPARE(written.GetString("Midi", "Drone", ""), std::string("C,G,D,"));
    QCOMPARE(written.GetString("Midi", "Repeat", ""), std::string("1"));
    // The next tune starts with the drone last used.
    app_->GetSettings().midi.drone = "E,";
    QVERIFY(RequestPlay(Request(Short("Next"))));
    QCOMPARE(view->DroneEdit()->text(), QStringLiteral("C,G,D,"));
    // Without KeepDrone nothing is stored and the settings' drone comes back.
    app_->GetSettings().midi.keepDrone = 0;
    QVERIFY(RequestPlay(Request(Short("Plain"))));
    QCOMPARE(view->DroneEdit()->text(), QStringLiteral("E,"));
    QVERIFY(doc->Play());
    doc->Stop();
    QCOMPARE(app_->GetSettings().midi.drone, std::string("E,"));
    // A K:Hp tune plays with the pipes' drone.
    QVERIFY(RequestPlay(Request(Short("Pipes", "Hp"))));
    QCOMPARE(view->DroneEdit()->text(), QStringLiteral("A,A,,"));
    QFile::remove(QString::fromStdString(app_->IniPath()));
  }

  void errorsAreShownUnlessNoMessages() {
    const std::string broken =
        "X:9\r\nT:Broken\r\nM:4/4\r\nL:1/4\r\nK:C\r\nC D E F | G A B | c d e f |]\r\n";
    std::string reported;
    int calls = 0;
    PlayRequest r = Request(broken, true);
    r.onErrors = [&](const std::string& list) {
      reported = list;
      ++calls;
    };
    QString dialogTitle, dialogText, note;
    test::WhenModal([&](QWidget* w) {
      auto* dlg = qobject_cast<CAbcErrorsDlg*>(w);
      if (dlg == nullptr) return;
      dialogTitle = dlg->windowTitle();
      dialogText = dlg->List()->toPlainText();
      for (QLabel* l : dlg->findChildren<QLabel*>()) note += l->text();
      test::Shot(dlg, "player-errors");
      dlg->accept();
    });
    QVERIFY(RequestPlay(r));
    QCOMPARE(calls, 1);
    QVERIFY(reported.find("Warning: Too many or too few notes in bar") != std::string::npos);
    QVERIFY(reported.find("\r\n") != std::string::npos);
    QCOMPARE(dialogTitle, QStringLiteral("Errors in ABC Tune"));
    QVERIFY(dialogText.contains(QStringLiteral("L 1: Warning: Too many or too few notes in bar")));
    QCOMPARE(note, QStringLiteral("You can use Ctrl+Shift+E to show the errors in the tune"));
    // After the dialog the tune plays.
    CPlayDoc* doc = CPlayDoc::First();
    QCOMPARE(doc->GetState(), CPlayDoc::State::kPlaying);
    doc->Stop();

    // No messages: no dialog, the list still reaches the caller; a clean tune gives "".
    r.noMessages = true;
    bool dialog = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
      if (QWidget* m = QApplication::activeModalWidget()) {
        dialog = true;
        m->close();
      }
    });
    probe.start(10);
    QVERIFY(RequestPlay(r));
    QCOMPARE(calls, 2);
    QVERIFY(!reported.empty());
    doc->Stop();
    r.tuneText = Short("Clean");
    QVERIFY(RequestPlay(r));
    QCOMPARE(calls, 3);
    QCOMPARE(reported, std::string());
    QTest::qWait(50);
    QVERIFY(!dialog);
  }

  void timerAndDeviceFailuresLeaveNothingOpen() {
    MidiLib& lib = MidiLib::Application();
    QVERIFY(RequestPlay(Request(Short("Fails"))));
    CPlayDoc* doc = CPlayDoc::First();
    // Someone else holds the timer.
    const MidiSync other = lib.OpenSync({});
    QVERIFY(other != 0);
    QVERIFY(!doc->Play());
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].text, QStringLiteral("Cannot create timer"));
    QVERIFY(!doc->IsBusy());
    QCOMPARE(ViewOf(doc)->StatusLabel()->text(), QString());
    lib.CloseSync(other);
    QVERIFY(!lib.AnythingOpen());
    // A device that is not there.
    app_->GetSettings().midi.device = "No Such Synth";
    app_->SetUpMidi();
    QCOMPARE(app_->MidiDevice(), kMidiNoDevice);
    QVERIFY(!doc->Play());
    QCOMPARE(messages_.size(), 2);
    QVERIFY(messages_[1].text.startsWith(QStringLiteral("Cannot open MIDI device")));
    QVERIFY(!doc->IsBusy());
    QVERIFY(!lib.AnythingOpen());
    app_->GetSettings().midi.device.clear();
    app_->SetUpMidi();
    InstallDevices();
    QVERIFY(doc->Play());
  }

  void playCommandsFromTheTuneListAndTheApplication() {
    CAbcDoc* file = OpenFile(QStringLiteral("list.abc"), "% header\r\n\r\n" + Short("Listed One") +
                                                             "\r\n" + Short("Listed Two", "F"));
    QVERIFY(file);
    app_->MainFrame()->ActivateView(file->View());
    file->View()->SelectLine(0);
    app_->MainFrame()->UpdateCommands();
    QVERIFY(!app_->MainFrame()->Action(CommandId::kTunePlay)->isEnabled());
    QVERIFY(!app_->MainFrame()->Action(CommandId::kTuneStopPlay)->isEnabled());
    file->View()->SelectLine(2);
    app_->MainFrame()->UpdateCommands();
    QVERIFY(app_->MainFrame()->Action(CommandId::kTunePlay)->isEnabled());
    // Play opens the player on the current tune, which belongs to the file.
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTunePlay));
    CPlayDoc* doc = CPlayDoc::First();
    QVERIFY(doc);
    QCOMPARE(doc->TuneTitle(), QStringLiteral("Listed Two"));
    QCOMPARE(doc->TuneFileDocument(), file);
    QVERIFY(!doc->IsBusy());
    // Play Now from the list: minimised (PlaynowMinimize) and playing.
    app_->MainFrame()->ActivateView(file->View());
    file->View()->SelectLine(1);
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTunePlayNow));
    QCOMPARE(doc->TuneTitle(), QStringLiteral("Listed One"));
    QVERIFY(doc->IsBusy());
    QVERIFY(ViewOf(doc)->Frame()->isMinimized());
    // Pause Play and Stop Play from the list reach the first player.
    app_->MainFrame()->ActivateView(file->View());
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTunePausePlay));
    QVERIFY(doc->IsPaused());
    QVERIFY(IsPlayPaused());
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTunePausePlay));
    QVERIFY(!doc->IsPaused());
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTuneStopPlay));
    QVERIFY(!IsPlaying());

    // With no tune file, Play Now pastes the clipboard into a new file and plays it.
    app_->CloseDocument(file);
    app_->CloseDocument(doc);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(app_->Documents().empty());
    QGuiApplication::clipboard()->setText(QString::fromStdString(Short("From Clipboard")));
    app_->GetSettings().midi.playnowMinimize = 0;
    app_->MainFrame()->UpdateCommands();
    QVERIFY(app_->MainFrame()->Action(CommandId::kTunePlayNow)->isEnabled());
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTunePlayNow));
    doc = CPlayDoc::First();
    QVERIFY(doc);
    QCOMPARE(doc->TuneTitle(), QStringLiteral("From Clipboard"));
    QVERIFY(doc->IsBusy());
    QVERIFY(!ViewOf(doc)->Frame()->isMinimized());
    auto* pasted = qobject_cast<CAbcDoc*>(doc->TuneFileDocument());
    QVERIFY(pasted);
    QCOMPARE(pasted->File().TuneCount(), size_t{1});
    // Stop Play with the player active stops it too.
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kTuneStopPlay));
    QVERIFY(!doc->IsBusy());
  }

  void saveMidiWritesTheTune() {
    QVERIFY(RequestPlay(Request(Short("Saved: A/B?"))));
    CPlayDoc* doc = CPlayDoc::First();
    QString proposed;
    const QString target = PathOf(QStringLiteral("saved"));
    CLarkFileDialog::SetAnswerHook([&](const QString&, const QString& name) {
      proposed = name;
      return target;
    });
    QTest::mouseClick(ViewOf(doc)->SaveMidiButton(), Qt::LeftButton);
    QCOMPARE(proposed, QStringLiteral("Saved AB.mid"));
    QFile f(target + QStringLiteral(".mid"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("MThd"));
    QCOMPARE(bytes.count("MTrk"), 2);
    QCOMPARE(ViewOf(doc)->StatusLabel()->text(), QString());
    // The backing chosen in the window is the one written.
    QVERIFY(
        RequestPlay(Request("X:5\r\nT:Chords\r\nT:T\xc3\xa4nze\r\nM:4/4\r\nL:1/4\r\nK:C\r\n"
                            "\"C\"CDEF|\"G\"GABc|]\r\n")));
    // The first title heads the window, the others are listed (UTF-8 shown as such).
    QCOMPARE(ViewOf(doc)->TitleLabel()->text(), QStringLiteral("Chords"));
    const QList<QTreeWidgetItem*> titles =
        ViewOf(doc)->FieldList()->findItems(QStringLiteral("Title"), Qt::MatchExactly, 0);
    QCOMPARE(titles.size(), 1);
    QCOMPARE(titles[0]->text(1), QStringLiteral("T\u00e4nze"));
    // A request without a tune changes nothing.
    QVERIFY(!RequestPlay(Request("\r\n  \r\n", true)));
    QCOMPARE(doc->TuneTitle(), QStringLiteral("Chords"));
    QVERIFY(!doc->IsBusy());
    QComboBox* chooser = ViewOf(doc)->BackingChooser();
    QVERIFY(chooser->count() >= 2);
    QCOMPARE(chooser->currentText(), QStringLiteral("Standard"));
    QVERIFY(doc->SaveMidi(target + QStringLiteral("-standard.mid")));
    const int sustained = chooser->findText(QStringLiteral("Sustained"));
    QVERIFY(sustained > 0);
    chooser->setCurrentIndex(sustained);
    emit chooser->activated(sustained);
    QCOMPARE(doc->BackingStyle(), std::string("Sustained"));
    QVERIFY(doc->SaveMidi(target + QStringLiteral("-sustained.mid")));
    QFile a(target + QStringLiteral("-standard.mid")), b(target + QStringLiteral("-sustained.mid"));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray standard = a.readAll(), held = b.readAll();
    QCOMPARE(standard.count("MTrk"), 3);
    QVERIFY(standard != held);
    QVERIFY(messages_.isEmpty());
    // A file that cannot be made is told (a file stands where its folder would be).
    QVERIFY(!doc->SaveMidi(target + QStringLiteral("-standard.mid/folder/x.mid")));
    QCOMPARE(messages_.size(), 1);
  }

  void placedByPlayPosAndSavedAsPlayerEntry() {
    app_->GetSettings().midi.playPos = 2;
    QVERIFY(RequestPlay(Request(Short("Upper Right"))));
    CPlayDoc* doc = CPlayDoc::First();
    QMdiSubWindow* frame = ViewOf(doc)->Frame();
    QMdiArea* area = app_->MainFrame()->MdiArea();
    QCOMPARE(frame->y(), 0);
    QCOMPARE(frame->x() + frame->width(), area->viewport()->width());
    app_->CloseDocument(doc);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    app_->GetSettings().midi.playPos = 1;
    QVERIFY(RequestPlay(Request(Short("Lower Left"))));
    doc = CPlayDoc::First();
    frame = ViewOf(doc)->Frame();
    QCOMPARE(frame->x(), 0);
    QCOMPARE(frame->y() + frame->height(), area->viewport()->height());

    // The window list keeps the player as "?p?0".
    const DocTemplate* t = app_->Templates().FindById(167);
    QVERIFY(t && t->saveWindow && t->restoreWindow && t->saveFirstOnly);
    std::optional<WindowDoc> saved = t->saveWindow(doc->FirstView());
    QVERIFY(saved);
    QCOMPARE(FormatWindowDoc(*saved), std::string("?p?0"));
  }

  void debugModeListsTheTrackBeforePlaying() {
    app_.reset();
    StartApp({QStringLiteral("/d")});
    QVERIFY(app_->CommandLine().midiDebug);
    QStringList lines;
    test::WhenModal([&](QWidget* w) {
      auto* dlg = qobject_cast<CDebugMidiDlg*>(w);
      if (dlg == nullptr) return;
      QCOMPARE(dlg->windowTitle(), QStringLiteral("Debug MIDI"));
      for (int i = 0; i < dlg->List()->count(); ++i) lines << dlg->List()->item(i)->text();
      test::Shot(dlg, "player-debug-midi");
      dlg->accept();
    });
    QVERIFY(RequestPlay(Request(Short("Debugged"), true)));
    QVERIFY(lines.size() > 10);
    QCOMPARE(lines[0], QStringLiteral("Dtime\tStatus\tData1\tData2\tData3\tTime"));
    // The tempo comes first: 62 500 us a quarter at 800 % of 120.
    QCOMPARE(lines[1], QStringLiteral("0\t00\t0\t244\t36\t0"));
    QVERIFY(CPlayDoc::First()->IsBusy());
  }
};

QTEST_MAIN(PlayerTest)
#include "PlayerTest.moc"
