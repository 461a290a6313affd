// The playback options: the "Playback and MIDI Options" sheet with its six pages,
// the style editors and "abcstyle.cfg", the "Playback Settings" dialog, the SoundFont,
// patch caching and the start-up check for a MIDI device.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "base/MessageSink.h"
#include "gui/ShellTestSupport.h"
#include "gui/app/CBannerWnd.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/play/options/CEditBackingDlg.h"
#include "gui/play/options/CEditChordDlg.h"
#include "gui/play/options/CEditRhythmDlg.h"
#include "gui/play/options/COptPlayBacking.h"
#include "gui/play/options/COptPlayChords.h"
#include "gui/play/options/COptPlayRhythms.h"
#include "gui/play/options/COptPlaySheet.h"
#include "gui/play/options/CPlaySettingsDlg.h"
#include "gui/play/options/OptWidgets.h"
#include "play/MidiLib.h"
#include "play/StyleEdit.h"
#include "play/StyleSet.h"

using namespace tunora;
using tunora::test::ProgramFolder;
using tunora::test::WhenModal;

namespace {

const QString kNoDevice = QStringLiteral(
    "You have not selected a MIDI output device.\nYou need one in order to be able to play "
    "music through the computer speakers.");

// Collects the messages and answers questions with the answers given, then Yes.
struct Messages {
  std::vector<QString> texts;
  std::vector<MessageAnswer> answers;
  Messages() {
    SetMessageHandler([this](const MessageRequest& r) {
      texts.push_back(r.text);
      if (r.kind != MessageKind::kQuestion) return MessageAnswer::kOk;
      if (answers.empty()) return MessageAnswer::kYes;
      MessageAnswer a = answers.front();
      answers.erase(answers.begin());
      return a;
    });
  }
  ~Messages() { SetMessageHandler({}); }
  bool Saw(const QString& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
};

class NullSink : public MessageSink {
 public:
  void Message(std::string_view) override {}
};

template <typename W>
W* Field(QWidget* page, const QString& name) {
  W* w = page->findChild<W*>(name);
  if (!w) qWarning("no field %s", qPrintable(name));
  return w;
}

QString StyleFile() { return QStringLiteral(TUNORA_DATA_DIR "/abcstyle.cfg"); }

StyleSet ReadStyles(const QString& path) {
  StyleSet set;
  NullSink sink;
  set.LoadFromFile(path.toStdString(), sink);
  return set;
}

// A program folder with the shipped styles and these settings.
void PrepareHome(ProgramFolder& home, const std::string& ini = {}) {
  QFile::copy(StyleFile(), home.File("abcstyle.cfg"));
  if (!ini.empty()) home.WriteIni(ini);
}

}  // namespace

class PlayOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetMessageHandler({}); }

  void sheetShowsTheDefaults() {
    ProgramFolder home;
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    COptPlaySheet sheet;
    QWidget* midi = sheet.Page("MIDI");
    QCOMPARE(Field<QSpinBox>(midi, "Voice9Channel")->value(), 8);  // 9 is the drums' channel
    QCOMPARE(Field<QSpinBox>(midi, "Voice10Channel")->value(), 10);
    QCOMPARE(Field<QComboBox>(midi, "MelodyInstrument")->currentText(),
             QStringLiteral("110 Fiddle"));
    QCOMPARE(Field<QComboBox>(midi, "DroneInstrument")->currentIndex(), 71);
    QCOMPARE(Field<QSpinBox>(midi, "BackingChannel")->value(), 14);
    QCOMPARE(Field<QSpinBox>(midi, "SpeedPercent")->value(), 100);
    // An empty Device setting is the built-in synth, the first device.
    QCOMPARE(Field<QComboBox>(midi, "Device")->currentIndex(), 0);
    QWidget* play = sheet.Page("Playback");
    QCOMPARE(Field<QSpinBox>(play, "PauseLen")->value(), 200);
    QVERIFY(Field<QCheckBox>(play, "PlayChords")->isChecked());
    QVERIFY(!Field<QCheckBox>(play, "NoRepeats")->isChecked());
    QCOMPARE(Field<QComboBox>(play, "PlayPos")->currentIndex(), 1);
    QCOMPARE(Field<QSpinBox>(sheet.Page("Volumes"), "LoudPercent")->value(), 150);
  }

  void valuesOutOfRangeAreRefusedAndThePageStaysOpen() {
    struct Case {
      const char* page;
      const char* key;
      int bad;
      int good;
      int minimum, maximum;
    };
    const Case cases[] = {
        {"MIDI", "SpeedPercent", 0, 80, 1, 65535},
        {"MIDI", "Voice5Channel", 16, 9, 0, 15},
        {"MIDI", "DroneOctave", -2, -1, -1, 1},
        {"Playback", "StaccatoLen", 101, 100, 1, 100},
        {"Playback", "PauseLen", 99, 100, 100, 65535},
        {"Playback", "GraceFraction", 769, 768, 1, 768},
        {"Playback", "Transpose", -25, -24, -24, 24},
        {"Playback", "Repeat", 0, 100, 1, 100},
        {"Volumes", "VelNoteBeat", 128, 127, 0, 127},
        {"Volumes", "LoudPercent", 99, 200, 100, 200},
    };
    for (const Case& c : cases) {
      ProgramFolder home;
      CTunoraApp app;
      QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
      Messages messages;
      COptPlaySheet sheet;
      sheet.show();
      // Another page is on show when OK is pressed.
      sheet.Tabs()->setCurrentIndex(c.page == QStringLiteral("Volumes") ? 0 : 2);
      auto* field = Field<QSpinBox>(sheet.Page(c.page), c.key);
      field->setValue(c.bad);
      sheet.accept();
      QVERIFY2(sheet.isVisible(), c.key);
      QCOMPARE(sheet.result(), int(QDialog::Rejected));
      QCOMPARE(sheet.Tabs()->currentWidget(), sheet.Page(c.page));
      QCOMPARE(messages.texts.size(), size_t{1});
      QCOMPARE(messages.texts[0], QStringLiteral("Please enter an integer between %1 and %2.")
                                      .arg(c.minimum)
                                      .arg(c.maximum));
      QVERIFY(!home.Ini().HasKey("Midi", c.key));
      // A lone minus sign is no number either.
      field->findChild<QLineEdit*>()->setText("-");
      sheet.accept();
      QVERIFY(sheet.isVisible());
      QCOMPARE(messages.texts.size(), size_t{2});
      // Arrows step within the range only.
      field->setValue(c.good);
      field->stepBy(1000);
      QVERIFY(field->value() <= c.maximum);
      field->setValue(c.good);
      sheet.accept();
      QCOMPARE(sheet.result(), int(QDialog::Accepted));
      QCOMPARE(home.Ini().GetInt("Midi", c.key, -99), c.good);
    }
  }

  void okWritesEveryPageAndCancelWritesNothing() {
    ProgramFolder home;
    home.WriteIni("[Midi]\r\nVelChordBeat=50\r\nVelChordOffbeat=40\r\nVelChordOther=30\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Messages messages;
    const Settings before = app.GetSettings();
    auto change = [](COptPlaySheet& sheet) {
      QWidget* midi = sheet.Page("MIDI");
      Field<QComboBox>(midi, "MelodyInstrument")->setCurrentIndex(40);
      Field<QSpinBox>(midi, "Voice13Channel")->setValue(9);
      Field<QCheckBox>(midi, "CachePatches")->setChecked(false);
      QWidget* play = sheet.Page("Playback");
      Field<QSpinBox>(play, "Transpose")->setValue(-3);
      Field<QCheckBox>(play, "WarnBarLen")->setChecked(false);
      Field<QComboBox>(play, "PlayPos")->setCurrentIndex(2);
    };
    {
      COptPlaySheet sheet;
      change(sheet);
      Field<QSpinBox>(sheet.Page("Volumes"), "VelChord")->setValue(90);
      sheet.reject();
    }
    QVERIFY(app.GetSettings() == before);
    QVERIFY(!home.Ini().HasKey("Midi", "MelodyInstrument"));
    QVERIFY(!QFile::exists(home.File("abcstyle.cfg")));

    {
      // The chord velocities as they were while "Chords" stays unchanged.
      COptPlaySheet sheet;
      QCOMPARE(Field<QSpinBox>(sheet.Page("Volumes"), "VelChord")->value(), 30);
      change(sheet);
      sheet.accept();
      QCOMPARE(sheet.result(), int(QDialog::Accepted));
    }
    IniFile ini = home.Ini();
    QCOMPARE(ini.GetInt("Midi", "MelodyInstrument", 0), 40);
    QCOMPARE(ini.GetInt("Midi", "Voice13Channel", 0), 9);
    QCOMPARE(ini.GetInt("Midi", "Voice12Channel", 0), 12);
    QCOMPARE(ini.GetInt("Midi", "Transpose", 0), -3);
    QCOMPARE(ini.GetInt("Midi", "WarnBarLen", 1), 0);
    QCOMPARE(ini.GetInt("Midi", "PlayPos", 0), 2);
    QCOMPARE(ini.GetInt("Midi", "VelChordBeat", 0), 50);
    QCOMPARE(ini.GetInt("Midi", "VelChordOffbeat", 0), 40);
    QCOMPARE(ini.GetInt("Midi", "VelChordOther", 0), 30);
    QCOMPARE(ini.GetString("Midi", "Device", "x"), std::string());
    QCOMPARE(app.GetSettings().midi.melodyInstrument, 40);
    // Nothing changed in the styles: the file is not written.
    QVERIFY(!QFile::exists(home.File("abcstyle.cfg")));

    {
      COptPlaySheet sheet;
      Field<QSpinBox>(sheet.Page("Volumes"), "VelChord")->setValue(90);
      sheet.accept();
    }
    ini = home.Ini();
    QCOMPARE(ini.GetInt("Midi", "VelChordBeat", 0), 90);
    QCOMPARE(ini.GetInt("Midi", "VelChordOffbeat", 0), 90);
    QCOMPARE(ini.GetInt("Midi", "VelChordOther", 0), 90);
    QVERIFY(messages.texts.empty());
  }

  void styleEditsGoThroughTheStyleFile() {
    ProgramFolder home;
    PrepareHome(home);
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Messages messages;
    StyleSet expected = ReadStyles(StyleFile());
    QVERIFY(expected == StyleSet::Application());
    QCOMPARE(expected.backings[1].name, std::string("Sustained"));

    COptPlaySheet sheet;
    sheet.show();

    // Rhythms: the reel gets a second name, a faster tempo, new swing and a > ratio.
    auto* rhythms = static_cast<COptPlayRhythms*>(sheet.Page("Rhythms"));
    QCOMPARE(rhythms->List()->topLevelItemCount(), int(expected.rhythms.size()));
    QCOMPARE(rhythms->List()->topLevelItem(0)->text(0), QStringLiteral("reel"));
    rhythms->SetCurrentRow(0);
    WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CEditRhythmDlg*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit Rhythm"));
      QCOMPARE(dialog->TempoField()->text(), QStringLiteral("1/4=216"));
      QCOMPARE(Field<QLineEdit>(dialog, "SwingWeight2")->text(), QStringLiteral("15"));
      dialog->NameField(1)->setText("  fast reel ");
      dialog->TempoField()->setText("1/4=230");
      Field<QLineEdit>(dialog, "SwingWeight1")->setText("18");
      Field<QLineEdit>(dialog, "SwingWeight2")->setText("14");
      Field<QLineEdit>(dialog, "SwingbrA")->setText("3");
      Field<QLineEdit>(dialog, "SwingbrB")->setText("1");
      Field<QLineEdit>(dialog, "SwingbrC")->setText("2");
      dialog->accept();
    });
    rhythms->OnEdit();
    RhythmRecord& reel = expected.rhythms[0];
    reel.names.push_back("fast reel");
    reel.tempo = "1/4=230";
    reel.swing.weights = {18, 14, 0, 0};
    reel.swingbr = {true, 3, 1, 2};
    QCOMPARE(rhythms->List()->topLevelItem(0)->text(0), QStringLiteral("reel, fast reel"));

    // Chords: a new entry that is cancelled goes again.
    auto* chords = static_cast<COptPlayChords*>(sheet.Page("Chords"));
    chords->SetCurrentRow(2);
    const int chordCount = chords->List()->topLevelItemCount();
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    chords->OnNew();
    QCOMPARE(chords->List()->topLevelItemCount(), chordCount);

    // Backing: delete "Sustained" (No first), move "Waltz" up, make it the standard,
    // and give "Arpeggio" a pattern for 3/8.
    auto* backing = static_cast<COptPlayBacking*>(sheet.Page("Backing"));
    backing->SetCurrentRow(1);
    messages.answers = {MessageAnswer::kNo, MessageAnswer::kYes};
    backing->Button("Dele&te")->click();
    QCOMPARE(backing->List()->topLevelItem(1)->text(0), QStringLiteral("Sustained"));
    backing->Button("Dele&te")->click();
    QCOMPARE(messages.texts.size(), size_t{2});
    QCOMPARE(messages.texts[0],
             QStringLiteral("Are you sure you want to delete this backing style?"));
    expected.backings.erase(expected.backings.begin() + 1);
    QCOMPARE(backing->List()->topLevelItem(1)->text(0), QStringLiteral("Arpeggio"));
    backing->SetCurrentRow(2);
    backing->Button("&Up 1")->click();
    std::swap(expected.backings[1], expected.backings[2]);
    QCOMPARE(backing->CurrentRow(), 1);
    backing->Button("Use as &Standard Backing Style")->click();
    SetStandardBacking(expected.backings, 1);
    QCOMPARE(backing->List()->topLevelItem(1)->text(1), QStringLiteral("yes"));
    QCOMPARE(backing->List()->topLevelItem(0)->text(1), QString());
    backing->SetCurrentRow(2);
    WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CEditBackingDlg*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->NameField()->text(), QStringLiteral("Arpeggio"));
      int free = 0;
      while (!dialog->MeterField(free)->text().isEmpty()) ++free;
      dialog->MeterField(free)->setText("3/8, 3/4");
      dialog->PatternField(free)->setText("a b c");
      dialog->accept();
    });
    backing->OnEdit();
    expected.backings[2].pairs.push_back({"3/8,3/4", "a b c"});

    sheet.accept();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    const StyleSet written = ReadStyles(home.File("abcstyle.cfg"));
    QVERIFY(written == expected);
    QVERIFY(StyleSet::Application() == expected);
    QVERIFY(home.ReadFile("abcstyle.cfg").startsWith("// Do NOT edit this file.\r\n"));
    QCOMPARE(messages.texts.size(), size_t{2});  // the two questions, nothing else
  }

  void badChordAndBadRhythmFieldsKeepTheirDialogOpen() {
    Messages messages;
    CEditChordDlg chord(ChordType{"m", {0, 3, 7}});
    QCOMPARE(chord.windowTitle(), QStringLiteral("Edit Chord Type"));
    chord.show();
    chord.TypeField()->setText("m/9");
    chord.accept();
    QVERIFY(chord.isVisible());
    QCOMPARE(messages.texts.back(), QStringLiteral("Bad chord."));
    chord.TypeField()->setText("sus4");
    chord.NoteField(1)->setText("");  // a note that is not there
    chord.accept();
    QVERIFY(chord.isVisible());
    chord.NoteField(1)->setText("5");
    chord.CountField()->setValue(2);  // the third note is left out
    chord.accept();
    QCOMPARE(chord.result(), int(QDialog::Accepted));
    QVERIFY(chord.Chord() == (ChordType{"sus4", {0, 5}}));

    RhythmRecord reel;
    reel.names = {"reel"};
    reel.meters = {"4/4"};
    CEditRhythmDlg rhythm(reel);
    rhythm.show();
    auto refused = [&](const QString& message) {
      const size_t shown = messages.texts.size();
      rhythm.accept();
      return rhythm.isVisible() && messages.texts.size() == shown + 1 &&
             messages.texts.back() == message;
    };
    Field<QLineEdit>(&rhythm, "SwingUnit")->setText("769");
    QVERIFY(refused("Please enter an integer between 1 and 768."));
    Field<QLineEdit>(&rhythm, "SwingUnit")->setText("8");
    QVERIFY(refused("Please enter an integer between 1 and 999999999."));  // no weight
    Field<QLineEdit>(&rhythm, "SwingWeight2")->setText("7");
    QVERIFY(refused("Please enter an integer between 1 and 999999999."));  // a gap
    Field<QLineEdit>(&rhythm, "SwingWeight1")->setText("9");
    QVERIFY(refused("Please enter an integer between 1 and 999999999."));  // no divisor
    Field<QLineEdit>(&rhythm, "SwingDivisor")->setText("8");
    Field<QLineEdit>(&rhythm, "SwingbbrC")->setText("0");
    QVERIFY(refused("Please enter an integer between 0 and 999999999."));
    Field<QLineEdit>(&rhythm, "SwingbbrA")->setText("1");
    Field<QLineEdit>(&rhythm, "SwingbbrB")->setText("3");
    QVERIFY(refused("Please enter an integer between 1 and 999999999."));
    Field<QLineEdit>(&rhythm, "SwingbbrC")->setText("2");
    rhythm.NameField(0)->setText("reel; jig");
    QVERIFY(refused("A semicolon (;) cannot be part of this text."));
    rhythm.NameField(0)->setText("");
    rhythm.MeterField(0)->setText(" ");
    QVERIFY(refused("Please enter at least one meter."));
    rhythm.MeterField(2)->setText("C|");
    rhythm.accept();
    QCOMPARE(rhythm.result(), int(QDialog::Accepted));
    const RhythmRecord& r = rhythm.Rhythm();
    QCOMPARE(r.names, std::vector<std::string>{""});  // serves every R:
    QCOMPARE(r.meters, std::vector<std::string>{"C|"});
    QCOMPARE(r.swing.count, 2);
    QVERIFY(r.swingbbr == (BrokenRatio{true, 1, 3, 2}));
    QVERIFY(!r.beatlen.Present());

    CEditBackingDlg backing(Backing{"Mine", false, {}});
    backing.show();
    backing.PatternField(0)->setText("a2 b2");
    backing.accept();
    QVERIFY(backing.isVisible());  // a pattern without its meter
    backing.MeterField(0)->setText("2/4");
    backing.NameField()->setText("");
    backing.accept();
    QCOMPARE(messages.texts.back(), QStringLiteral("Please enter a name."));
    backing.NameField()->setText("Mine");
    backing.accept();
    QCOMPARE(backing.result(), int(QDialog::Accepted));
  }

  void styleSetTooLongForItsFileIsNotWritten() {
    ProgramFolder home;
    PrepareHome(home);
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Messages messages;
    // More than the reader takes: such a file would be lost at the next start.
    StyleSet& styles = StyleSet::Application();
    for (int i = 0; styles.Write().size() <= StyleSet::kMaxFileBytes + 2000; ++i) {
      styles.backings.push_back(
          {"Long" + std::to_string(i), false, {{"4/4", std::string(200, 'a')}}});
    }
    COptPlaySheet sheet;
    sheet.show();
    auto* backing = static_cast<COptPlayBacking*>(sheet.Page("Backing"));
    backing->SetCurrentRow(0);
    backing->OnDelete();
    sheet.accept();
    QVERIFY(sheet.isVisible());
    QVERIFY(messages.texts.back().startsWith("The backing styles are too long"));
    QCOMPARE(ReadStyles(home.File("abcstyle.cfg")), ReadStyles(StyleFile()));
  }

  void noDeviceIsToldWhenTheMidiPageOpens() {
    {
      ProgramFolder home;
      home.WriteIni("[Midi]\r\nDevice=No Such Synth\r\n");
      CTunoraApp app;
      QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
      QCOMPARE(app.MidiDevice(), 0xFFFFu);
      Messages messages;
      COptPlaySheet sheet;
      QCOMPARE(Field<QComboBox>(sheet.Page("MIDI"), "Device")->currentIndex(), -1);
      sheet.show();
      QTRY_COMPARE(messages.texts.size(), size_t{1});
      QCOMPARE(messages.texts[0], kNoDevice);
      // OK without a choice keeps the device that is not there now.
      sheet.accept();
      QCOMPARE(home.Ini().GetString("Midi", "Device", ""), std::string("No Such Synth"));
    }
    ProgramFolder home;
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Messages messages;
    COptPlaySheet sheet;
    sheet.show();
    QTest::qWait(50);
    QVERIFY(messages.texts.empty());
  }

  void missingSoundFontKeepsTheSheetOpen() {
    ProgramFolder home;
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Messages messages;
    COptPlaySheet sheet;
    Field<QLineEdit>(sheet.Page("MIDI"), "SoundFont")->setText(home.File("missing.sf2"));
    sheet.show();
    sheet.accept();
    QVERIFY(sheet.isVisible());
    QCOMPARE(messages.texts.back(),
             QStringLiteral("The SoundFont %1 does not exist.").arg(home.File("missing.sf2")));
    QVERIFY(!home.Ini().HasKey("Midi", "SoundFont"));
  }

  void patchCachingFailureIsToldAtStartAndOnOk() {
    ProgramFolder home;
    home.WriteIni("[Midi]\r\nDevice=No Such Synth\r\nCachePatches=1\r\n");
    Messages messages;
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    QCOMPARE(messages.texts, std::vector<QString>{"Cache MIDI Patches Failed!"});
    CommandState state;
    QVERIFY(app.OnUpdateCommand(CommandId::kEditPlaybackOptions, state) && state.enabled);
    QVERIFY(app.OnUpdateCommand(CommandId::kEditPlaybackSettings, state) && state.enabled);
    messages.texts.clear();
    COptPlaySheet sheet;
    sheet.accept();
    QCOMPARE(messages.texts.back(), QStringLiteral("Cache MIDI Patches Failed!"));
    messages.texts.clear();
    CPlaySettingsDlg dialog;
    dialog.accept();
    QCOMPARE(messages.texts.back(), QStringLiteral("Cache MIDI Patches Failed!"));
  }

  void startWithoutDeviceOpensTheOptions() {
    ProgramFolder home;
    home.WriteIni("[Preferences]\r\nNextTip=0\r\n[Midi]\r\nDevice=No Such Synth\r\n");
    Messages messages;
    QString title;
    WhenModal([&](QWidget* modal) {
      title = modal->windowTitle();
      QTRY_VERIFY(messages.Saw(kNoDevice));
      static_cast<QDialog*>(modal)->reject();
    });
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir()}));
    QTest::keyClick(app.MainFrame(), Qt::Key_Shift);
    QTRY_COMPARE(title, QStringLiteral("Playback and MIDI Options"));
    QVERIFY(messages.Saw(kNoDevice));
  }

  void playbackSettingsDialogSavesDeviceAndInstrument() {
    ProgramFolder home;
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Messages messages;
    {
      CPlaySettingsDlg dialog;
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Playback Settings"));
      QCOMPARE(dialog.InstrumentCombo()->currentText(), QStringLiteral("110 Fiddle"));
      QCOMPARE(dialog.DeviceCombo()->currentIndex(), 0);
      dialog.InstrumentCombo()->setCurrentIndex(73);
      dialog.reject();
    }
    QVERIFY(!home.Ini().HasKey("Midi", "MelodyInstrument"));
    CPlaySettingsDlg dialog;
    dialog.InstrumentCombo()->setCurrentIndex(73);
    dialog.accept();
    QCOMPARE(home.Ini().GetInt("Midi", "MelodyInstrument", 0), 73);
    // The built-in synth stays the empty setting while it is not chosen anew.
    QCOMPARE(home.Ini().GetString("Midi", "Device", "x"), std::string());
    QCOMPARE(app.MidiDevice(), 0u);
    QVERIFY(messages.texts.empty());
  }
};

QTEST_MAIN(PlayOptionsTest)
#include "PlayOptionsTest.moc"
