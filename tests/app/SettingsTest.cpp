#include "app/Settings.h"

#include <gtest/gtest.h>

#include "support/Scratch.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tunora {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

namespace fs = std::filesystem;

IniFile LoadIni(const std::string& path) {
  IniFile ini;
  EXPECT_TRUE(ini.Load(path));
  return ini;
}

TEST(Settings, NoFilesGiveTheDefaults) {
  ScratchDir home;
  Settings s;
  s.preferences.abcDir = "stale";
  s.search.oldStrings.Add("stale");
  CollectingSink sink;
  EXPECT_TRUE(LoadSettings(home.Dir(), s, sink));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(s, Settings{});

  // The documented defaults that shape what is written and shown.
  EXPECT_EQ(s.preferences.fieldOrder, "RCSHNABDGOFZPMLQUuV");
  EXPECT_EQ(s.search.fieldOrder, "TCR*tBDZWKMOASHNGFLPQUuVEIJY");
  EXPECT_EQ(s.preferences.preftextFormat, "0 [preface text]");
  EXPECT_EQ(s.fonts.abcFontFace, "Courier New");
  EXPECT_EQ(s.fonts.musicalSymbols.substr(0, 4), "_&?B");  // heading, clefs
  EXPECT_EQ(static_cast<unsigned char>(s.fonts.musicalSymbols[154]), 0xFDu);
  EXPECT_EQ(s.templateText, "");
  EXPECT_EQ(s.shortDatePattern, "");
}

TEST(Settings, VoiceChannelDefaultsSkipThePercussionChannel) {
  MidiSettings midi;
  EXPECT_EQ(midi.VoiceChannel(2), 1);
  EXPECT_EQ(midi.VoiceChannel(9), 8);
  EXPECT_EQ(midi.VoiceChannel(10), 10);
  EXPECT_EQ(midi.VoiceChannel(13), 13);
  for (int v = MidiSettings::kFirstVoice; v <= MidiSettings::kLastVoice; ++v) {
    EXPECT_NE(midi.VoiceChannel(v), 9) << "voice " << v;
  }

  ScratchDir home;
  WriteFile(home.File("tunora.ini"), "[midi]\nvoice9channel=3\nVoice13Channel=x\n");
  Settings s;
  CollectingSink sink;
  ASSERT_TRUE(LoadSettings(home.Dir(), s, sink));
  EXPECT_EQ(s.midi.VoiceChannel(9), 3);
  EXPECT_EQ(s.midi.VoiceChannel(10), 10);
  EXPECT_EQ(s.midi.VoiceChannel(13), 0);  // present but not a number
}

TEST(Settings, AbcFontFaceAndSize) {
  struct Case {
    const char* value;
    const char* face;
    int size;
  } cases[] = {
      {"", "MS Sans Serif", 10},
      {"Arial,12", "Arial", 12},
      {"DejaVu Sans Mono, 9", "DejaVu Sans Mono", 9},
      {"Arial", "Arial", 10},
      {",14", "MS Sans Serif", 14},
      {"Arial,big", "Arial", 10},
      {"Arial,-5", "Arial", 10},
      {"Arial,0", "Arial", 10},
      {"Arial,99999999999", "Arial", 10},
  };
  for (const Case& c : cases) {
    std::string face;
    int size = 0;
    ParseAbcFont(c.value, face, size);
    EXPECT_EQ(face, c.face) << c.value;
    EXPECT_EQ(size, c.size) << c.value;
  }
  EXPECT_EQ(FormatAbcFont("Arial", 12), "Arial,12");

  ScratchDir home;
  WriteFile(home.File("tunora.ini"), "[Fonts]\nAbcFont=\n");
  Settings s;
  CollectingSink sink;
  ASSERT_TRUE(LoadSettings(home.Dir(), s, sink));
  EXPECT_EQ(s.fonts.abcFontFace, "MS Sans Serif");
  EXPECT_EQ(s.fonts.abcFontSize, 10);
}

TEST(Settings, MusicalSymbolsAlwaysCoverEverySymbol) {
  IniFile ini;
  ini.Parse("[Fonts]\nMusicalSymbols=abc\n");
  Settings s;
  ReadSettings(ini, s);
  ASSERT_EQ(s.fonts.musicalSymbols.size(), 155u);
  EXPECT_EQ(s.fonts.musicalSymbols.substr(0, 3), "abc");
  EXPECT_EQ(s.fonts.musicalSymbols.substr(3), kDefaultMusicalSymbols.substr(3));

  ini.WriteString("Fonts", "MusicalSymbols", std::string(200, 'x'));
  ReadSettings(ini, s);
  EXPECT_EQ(s.fonts.musicalSymbols, std::string(155, 'x'));
}

TEST(Settings, HistoryKeepsTenNewestWithoutRepeats) {
  History h;
  h.Add("");
  EXPECT_EQ(h.Count(), 0);
  h.Add("a");
  h.Add("b");
  h.Add("a");  // moves to the front, not repeated
  ASSERT_EQ(h.Count(), 2);
  EXPECT_EQ(h.At(0), "a");
  EXPECT_EQ(h.At(1), "b");
  EXPECT_EQ(h.At(2), "");
  EXPECT_EQ(h.At(-1), "");

  for (int i = 0; i < 12; ++i) h.Add("t" + std::to_string(i));
  ASSERT_EQ(h.Count(), History::kSlots);
  EXPECT_EQ(h.At(0), "t11");
  EXPECT_EQ(h.At(9), "t2");
  h.Add("t5");
  EXPECT_EQ(h.At(0), "t5");
  EXPECT_EQ(h.At(9), "t2");
  EXPECT_EQ(h.Count(), History::kSlots);
}

TEST(Settings, ExitStoresTheNineNewestHistoryEntries) {
  ScratchDir home;
  Settings s;
  for (int i = 0; i < 10; ++i) s.search.oldStrings.Add("find " + std::to_string(i));
  s.search.oldMatch.Add("T=\"reel\"");
  s.preferences.nextTip = 17;
  CollectingSink sink;
  ASSERT_TRUE(SaveExitSettings(home.Dir(), s, sink));

  IniFile ini = LoadIni(home.File("tunora.ini"));
  EXPECT_EQ(ini.GetString("Search", "OldStrings1", ""), "find 9");  // the newest is kept
  EXPECT_EQ(ini.GetString("Search", "OldStrings9", ""), "find 1");
  EXPECT_FALSE(ini.HasKey("Search", "OldStrings10"));
  EXPECT_EQ(ini.GetString("Search", "OldMatch2", "?"), "");
  // Only what changes while running is written at exit.
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Preferences", "Search"}));
  EXPECT_EQ(ini.Keys("Preferences"), (std::vector<std::string>{"NextTip"}));
  EXPECT_EQ(ini.Keys("Search").size(), 45u);

  Settings back;
  ASSERT_TRUE(LoadSettings(home.Dir(), back, sink));
  EXPECT_EQ(back.preferences.nextTip, 17);
  ASSERT_EQ(back.search.oldStrings.Count(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(back.search.oldStrings.At(i), s.search.oldStrings.At(i));
  EXPECT_EQ(back.search.oldMatch.At(0), "T=\"reel\"");

  // Gaps and repeats in the stored keys are closed up.
  IniFile gaps;
  gaps.Parse("[Search]\nOldFiles1=a\nOldFiles3=b\nOldFiles4=a\n");
  ReadSettings(gaps, back);
  EXPECT_EQ(back.search.oldFiles.Count(), 2);
  EXPECT_EQ(back.search.oldFiles.At(0), "a");
  EXPECT_EQ(back.search.oldFiles.At(1), "b");
}

// Gives every key the preference dialogs save a distinct value, loads it, saves
// it again and expects every key back: a key read into one member and written
// from another, or under another name, shows up here.
TEST(Settings, EverySavedKeyRoundTrips) {
  ScratchDir home;
  CollectingSink sink;
  ASSERT_TRUE(SaveSettings(home.Dir(), Settings{}, sink));
  IniFile written = LoadIni(home.File("tunora.ini"));
  EXPECT_EQ(written.Keys("Preferences").size(), 26u);
  EXPECT_EQ(written.Keys("Search").size(), 10u);
  EXPECT_EQ(written.Keys("MusicSearch").size(), 11u);
  EXPECT_EQ(written.Keys("Fonts"), std::vector<std::string>{"AbcFont"});
  EXPECT_EQ(written.Keys("Midi").size(), 50u);  // the table's 49 and SoundFont
  EXPECT_EQ(written.Keys("Chordwise").size(), 24u);
  EXPECT_FALSE(written.HasKey("Preferences", "NextTip"));
  EXPECT_FALSE(written.HasKey("Search", "ListFormat"));
  EXPECT_FALSE(written.HasKey("Search", "OldStrings1"));

  IniFile distinct;
  int n = 100;
  for (const std::string& section : written.Sections()) {
    for (const std::string& key : written.Keys(section)) distinct.WriteInt(section, key, n++);
  }
  distinct.WriteString("Fonts", "AbcFont", "Liberation Mono,13");

  // Loads the settings of ini and saves them again.
  auto roundTrip = [&](IniFile ini) {
    EXPECT_TRUE(ini.SaveAs(home.File("tunora.ini")));
    Settings s;
    EXPECT_TRUE(LoadSettings(home.Dir(), s, sink));
    ScratchDir copy;
    EXPECT_TRUE(SaveSettings(copy.Dir(), s, sink));
    return LoadIni(copy.File("tunora.ini"));
  };
  IniFile again = roundTrip(distinct);
  EXPECT_EQ(again.GetString("Fonts", "AbcFont", ""), "Liberation Mono,13");
  // An on/off key keeps only on or off, so its number comes back as 1; those keys
  // are then given off and on in turn, which still shows two crossed keys.
  std::vector<std::pair<std::string, std::string>> onOff;
  for (const std::string& section : distinct.Sections()) {
    for (const std::string& key : distinct.Keys(section)) {
      const std::string value = again.GetString(section, key, "missing");
      if (value == "1" && section != "Fonts")
        onOff.emplace_back(section, key);
      else
        EXPECT_EQ(value, distinct.GetString(section, key, "")) << section << "/" << key;
    }
  }
  EXPECT_EQ(onOff.size(), 32u);
  for (size_t i = 0; i < onOff.size(); ++i)
    distinct.WriteInt(onOff[i].first, onOff[i].second, static_cast<int>(i % 2));
  again = roundTrip(distinct);
  for (const auto& [section, key] : onOff)
    EXPECT_EQ(again.GetString(section, key, "missing"), distinct.GetString(section, key, ""))
        << section << "/" << key;
  EXPECT_TRUE(sink.messages.empty());
}

TEST(Settings, SavingKeepsTheRestOfTheFile) {
  ScratchDir home;
  const std::string original =
      "; my settings\n"
      "[Preferences]\n"
      "NextTip=7\n"
      "AbcDir=/old\n"
      "garbage line\n"
      "[Search]\n"
      "ListFormat=%T only\n"
      "OldStrings1=kept\n"
      "[Fonts]\n"
      "MusicalSymbols=xyz\n"
      "[Music]\n"
      "StaffSize=120\n"
      "[Intl]\n"
      "sShortDate=dd.mm.yy\n";
  WriteFile(home.File("tunora.ini"), original);
  Settings s;
  CollectingSink sink;
  ASSERT_TRUE(LoadSettings(home.Dir(), s, sink));
  EXPECT_EQ(s.shortDatePattern, "dd.mm.yy");
  EXPECT_EQ(s.search.listFormat, "%T only");
  ASSERT_EQ(s.iniWarnings.size(), 1u);
  EXPECT_EQ(s.iniWarnings[0], (IniWarning{5, "garbage line"}));

  s.preferences.nextTip = 1;  // written only at exit
  s.preferences.abcDir = "/new";
  s.search.oldStrings.Add("not yet");
  s.search.listFormat = "changed";
  ASSERT_TRUE(SaveSettings(home.Dir(), s, sink));
  std::string text = ReadFile(home.File("tunora.ini"));
  EXPECT_EQ(text.rfind("; my settings\n[Preferences]\nNextTip=7\nAbcDir=/new\n", 0), 0u) << text;
  for (const char* line :
       {"garbage line\n", "ListFormat=%T only\n", "OldStrings1=kept\n", "MusicalSymbols=xyz\n",
        "[Music]\nStaffSize=120\n", "[Intl]\nsShortDate=dd.mm.yy\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }

  ASSERT_TRUE(SaveExitSettings(home.Dir(), s, sink));
  IniFile ini = LoadIni(home.File("tunora.ini"));
  EXPECT_EQ(ini.GetInt("Preferences", "NextTip", 0), 1);
  EXPECT_EQ(ini.GetString("Search", "OldStrings1", ""), "not yet");
  EXPECT_EQ(ini.GetString("Search", "OldStrings2", ""), "kept");
  EXPECT_EQ(ini.GetString("Search", "OldStrings3", "?"), "");
  EXPECT_EQ(ini.GetString("Music", "StaffSize", ""), "120");
}

TEST(Settings, TemplateLinesEndWithCrLf) {
  EXPECT_EQ(TemplateTextFromFile(""), "");
  EXPECT_EQ(TemplateTextFromFile("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(TemplateTextFromFile("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(TemplateTextFromFile("\n\n"), "\r\n\r\n");

  ScratchDir home;
  WriteFile(home.File("template.abc"), "%%scale 0.8\n%%titlefont Times 18");
  Settings s;
  CollectingSink sink;
  ASSERT_TRUE(LoadSettings(home.Dir(), s, sink));
  EXPECT_EQ(s.templateText, "%%scale 0.8\r\n%%titlefont Times 18\r\n");

  s.templateText = "%%scale 0.7\r\n";
  ASSERT_TRUE(SaveSettings(home.Dir(), s, sink));
  EXPECT_EQ(ReadFile(home.File("template.abc")), "%%scale 0.7\r\n");
  s.templateText.clear();
  ASSERT_TRUE(SaveSettings(home.Dir(), s, sink));
  EXPECT_TRUE(fs::exists(home.File("template.abc")));
  EXPECT_EQ(ReadFile(home.File("template.abc")), "");
}

TEST(Settings, DataFileHooksRunInOrderWithTheirPaths) {
  ScratchDir home;
  WriteFile(home.File("tunora.ini"), "[Preferences]\nLayoutFile=mine.cfg\n[Music]\nStaffSize=90\n");
  std::vector<std::string> calls;
  SettingsDataHooks hooks;
  hooks.loadExternalPrograms = [&](const IniFile&) { calls.push_back("programs"); };
  hooks.loadStyleFile = [&](const std::string& path) {
    calls.push_back("style " + path);
    return false;
  };
  hooks.loadListTypes = [&](const std::string& dir) { calls.push_back("lists " + dir); };
  hooks.loadUserSymbols = [&](const std::string& path) { calls.push_back("userdef " + path); };
  hooks.loadLayoutFile = [&](const std::string& path) { calls.push_back("layout " + path); };
  hooks.loadMusicSection = [&](const IniFile& ini) {
    calls.push_back("music " + ini.GetString("Music", "StaffSize", ""));
  };
  hooks.saveUserSymbols = [&](const std::string& path) {
    calls.push_back("save userdef " + path);
    return false;
  };

  Settings s;
  CollectingSink sink;
  EXPECT_FALSE(LoadSettings(home.Dir(), s, sink, hooks));
  const std::string d = home.Dir();
  EXPECT_EQ(calls, (std::vector<std::string>{"programs", "style " + d + "abcstyle.cfg",
                                             "lists " + d, "userdef " + d + "userdef.abc",
                                             "layout " + d + "mine.cfg", "music 90"}));
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Error reading " + d + "abcstyle.cfg"});
  EXPECT_EQ(s.preferences.layoutFile, "mine.cfg");  // the rest still loaded

  calls.clear();
  sink.messages.clear();
  EXPECT_FALSE(SaveSettings(home.Dir(), s, sink, hooks));
  EXPECT_EQ(calls, std::vector<std::string>{"save userdef " + d + "userdef.abc"});
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Error writing " + d + "userdef.abc"});
}

TEST(Settings, UnreadableSettingsFileIsReportedAndNotOverwritten) {
  ScratchDir home;
  fs::create_directory(home.File("tunora.ini"));
  Settings s;
  s.midi.speedPercent = 80;
  CollectingSink sink;
  EXPECT_FALSE(LoadSettings(home.Dir(), s, sink));
  EXPECT_EQ(sink.messages, std::vector<std::string>{"Error reading " + home.File("tunora.ini")});
  EXPECT_EQ(s.midi.speedPercent, 100);  // defaults

  sink.messages.clear();
  EXPECT_FALSE(SaveSettings(home.Dir(), s, sink));
  EXPECT_FALSE(SaveExitSettings(home.Dir(), s, sink));
  EXPECT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0], "Error writing " + home.File("tunora.ini"));
  EXPECT_TRUE(fs::is_directory(home.File("tunora.ini")));
}

}  // namespace
}  // namespace tunora
