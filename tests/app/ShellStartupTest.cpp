// Command line of the desktop program and the names its file dialog accepts.
#include "app/CommandLine.h"
#include "base/FileNames.h"

#include <gtest/gtest.h>

namespace tunora {
namespace {

CommandLineInfo Parse(std::string_view line) { return ParseCommandLine(SplitCommandLine(line)); }

// One row per rule: the file a one-line command line opens and the switches it sets.
TEST(ShellCommandLine, OneRowPerRule) {
  struct Row {
    const char* line;
    const char* file;
    bool banner, noSave;
  } rows[] = {
      {"", "", true, false},
      {"/S -m /D", "", false, true},                              // slash or dash, any case
      {"/s reels.abc /m other.abc", "reels.abc", false, false},   // the file ends the options
      {"C:tunes.abc", "C:tunes.abc", true, false},                // a line without a blank
      {"My Tunes.abc", "My", true, false},                        // cut at its first blank
      {"/b something /e jigs.abc", "jigs.abc", true, false},      // /b takes a word, /e none
      {"/b", "", true, false},                                    // ... when there is one
      {"/xyz /smore file.abc", "file.abc", false, false},         // /smore is /s
      {"/home/me/tunes.abc", "/home/me/tunes.abc", true, false},  // absolute paths are files
      {"/tunes.abc", "/tunes.abc", true, false},
      {"/m", "", true, true},
  };
  for (const Row& r : rows) {
    const CommandLineInfo info = Parse(r.line);
    EXPECT_EQ(info.fileToOpen, r.file) << r.line;
    EXPECT_EQ(info.banner, r.banner) << r.line;
    EXPECT_EQ(info.noSave, r.noSave) << r.line;
  }
  EXPECT_TRUE(Parse("").empty);
  EXPECT_FALSE(Parse("/S -m /D").empty);
  EXPECT_TRUE(Parse("/S -m /D").midiDebug);
  EXPECT_FALSE(Parse("/S -m /D").playerOnly);
  // An unknown letter skips the rest of its word.
  const CommandLineInfo unknown = Parse("/xyz /smore file.abc");
  ASSERT_EQ(unknown.ignored.size(), 1u);
  EXPECT_EQ(unknown.ignored[0], "/xyz");
  // Words given separately by the shell keep their blanks.
  EXPECT_EQ(ParseCommandLine({"/e", "My Tunes.abc"}).fileToOpen, "My Tunes.abc");
  // The player alone takes the song file's name.
  const CommandLineInfo player = Parse("/w song.sng");
  EXPECT_TRUE(player.playerOnly);
  EXPECT_FALSE(player.banner);
  EXPECT_EQ(player.playerFile, "song.sng");
  EXPECT_EQ(player.fileToOpen, "");
}

TEST(ShellCommandLine, HomeOptionIsReadAnywhereBeforeTheFileAndLeavesTheLineEmpty) {
  CommandLineInfo info = ParseCommandLine({"--home", "/tmp/t u", "/s", "a.abc"});
  EXPECT_EQ(info.home, "/tmp/t u");
  EXPECT_EQ(info.fileToOpen, "a.abc");
  CommandLineInfo onlyHome = ParseCommandLine({"--home=/x"});
  EXPECT_EQ(onlyHome.home, "/x");
  EXPECT_TRUE(onlyHome.empty) << "windows are restored when only the folder was given";
  // A dangling --home is not a crash and names no folder.
  EXPECT_EQ(ParseCommandLine({"--home"}).home, "");
}

TEST(ShellFileNames, RefusesCharactersAFileNameCannotHold) {
  EXPECT_TRUE(IsAcceptableFileName("Reels & Jigs (2).abc", false));
  for (const char* bad : {"a\\b.abc", "a/b.abc", "c:x.abc", "say\"hi\".abc", "a<b.abc", "a>b.abc",
                          "a|b.abc", "tab\there.abc"}) {
    EXPECT_FALSE(IsAcceptableFileName(bad, false)) << bad;
    EXPECT_FALSE(IsAcceptableFileName(bad, true)) << bad;
  }
  EXPECT_FALSE(IsAcceptableFileName("", false));
}

TEST(ShellFileNames, WildcardsOnlyWhenAllowed) {
  EXPECT_FALSE(IsAcceptableFileName("*.abc", false));
  EXPECT_FALSE(IsAcceptableFileName("tune?.abc", false));
  EXPECT_TRUE(IsAcceptableFileName("*.abc", true));
  EXPECT_TRUE(IsAcceptableFileName("tune?.abc", true));
  // Bytes above 127 (accented names) are fine.
  EXPECT_TRUE(IsAcceptableFileName("Br\xc3\xa9 Mhaith.abc", false));
}

}  // namespace
}  // namespace tunora
