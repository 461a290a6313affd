// Command line of the desktop program and the names its file dialog accepts.
#include "app/CommandLine.h"
#include "base/FileNames.h"

#include <gtest/gtest.h>

namespace tunora {
namespace {

CommandLineInfo Parse(std::string_view line) { return ParseCommandLine(SplitCommandLine(line)); }

TEST(ShellCommandLine, EmptyLineShowsBannerAndOpensNothing) {
  CommandLineInfo info = Parse("");
  EXPECT_TRUE(info.empty);
  EXPECT_TRUE(info.banner);
  EXPECT_FALSE(info.noSave);
  EXPECT_EQ(info.fileToOpen, "");
}

TEST(ShellCommandLine, OptionsTakeSlashOrDashInEitherCase) {
  CommandLineInfo info = Parse("/S -m /D");
  EXPECT_FALSE(info.empty);
  EXPECT_FALSE(info.banner);
  EXPECT_TRUE(info.noSave);
  EXPECT_TRUE(info.midiDebug);
  EXPECT_FALSE(info.playerOnly);
}

TEST(ShellCommandLine, FirstNonOptionWordIsTheFileAndEndsTheOptions) {
  CommandLineInfo info = Parse("/s reels.abc /m other.abc");
  EXPECT_EQ(info.fileToOpen, "reels.abc");
  EXPECT_FALSE(info.noSave) << "options after the file are not read";
}

TEST(ShellCommandLine, LineWithoutBlankIsTheWholeFile) {
  EXPECT_EQ(Parse("C:tunes.abc").fileToOpen, "C:tunes.abc");
  // A one-line command line is cut at its first blank.
  EXPECT_EQ(Parse("My Tunes.abc").fileToOpen, "My");
  // Words given separately by the shell keep their blanks.
  EXPECT_EQ(ParseCommandLine({"/e", "My Tunes.abc"}).fileToOpen, "My Tunes.abc");
}

TEST(ShellCommandLine, SlashBConsumesItsWordAndEIsIgnored) {
  CommandLineInfo info = Parse("/b something /e jigs.abc");
  EXPECT_EQ(info.fileToOpen, "jigs.abc");
  EXPECT_TRUE(info.banner);
  // /b at the very end has no word to take.
  EXPECT_EQ(Parse("/b").fileToOpen, "");
}

TEST(ShellCommandLine, PlayerOnlyTakesTheSongWrightName) {
  CommandLineInfo info = Parse("/w song.sng");
  EXPECT_TRUE(info.playerOnly);
  EXPECT_FALSE(info.banner);
  EXPECT_EQ(info.playerFile, "song.sng");
  EXPECT_EQ(info.fileToOpen, "");
}

TEST(ShellCommandLine, UnknownLetterSkipsTheRestOfItsWord) {
  CommandLineInfo info = Parse("/xyz /smore file.abc");
  ASSERT_EQ(info.ignored.size(), 1u);
  EXPECT_EQ(info.ignored[0], "/xyz");
  EXPECT_FALSE(info.banner) << "/smore is /s";
  EXPECT_EQ(info.fileToOpen, "file.abc");
}

TEST(ShellCommandLine, AbsolutePathsAreFilesNotOptions) {
  EXPECT_EQ(Parse("/home/me/tunes.abc").fileToOpen, "/home/me/tunes.abc");
  EXPECT_EQ(Parse("/tunes.abc").fileToOpen, "/tunes.abc");
  EXPECT_TRUE(Parse("/m").noSave);
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
