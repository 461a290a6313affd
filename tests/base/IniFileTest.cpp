#include "base/IniFile.h"

#include <gtest/gtest.h>

#include "support/Scratch.h"

#include <algorithm>
#include <climits>
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

// The names in a folder, to see that a failed save leaves no temporary file.
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniFile, LookupsIgnoreCaseAndMissingKeysGiveDefault) {
  IniFile ini;
  ini.Parse("[Preferences]\nAbcDir = /music/abc \nNextTip=5\nEmpty=\n[Midi]\nDevice=Synth\n");
  EXPECT_EQ(ini.GetString("preferences", "ABCDIR", "x"), "/music/abc");
  EXPECT_EQ(ini.GetInt("PREFERENCES", "nexttip", 1), 5);
  EXPECT_EQ(ini.GetString("Preferences", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.GetString("Nowhere", "AbcDir", "dflt"), "dflt");
  EXPECT_EQ(ini.GetString("Midi", "NextTip", "dflt"), "dflt");  // keys belong to their section
  // A present empty value is an empty string, but an int falls back to its default.
  EXPECT_EQ(ini.GetString("Preferences", "Empty", "dflt"), "");
  EXPECT_EQ(ini.GetInt("Preferences", "Empty", 42), 42);
  EXPECT_TRUE(ini.HasKey("MIDI", "device"));
}

TEST(IniFile, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
  IniFile ini;
  ini.Parse("[S]\n a = \t\"  spaced  \" \nb=\"\"x\"\"\nc=\"\nd=say \"hi\"\ne=x=y\n");
  EXPECT_EQ(ini.GetString("S", "a", ""), "  spaced  ");
  EXPECT_EQ(ini.GetString("S", "b", ""), "\"x\"");
  EXPECT_EQ(ini.GetString("S", "c", ""), "\"");
  EXPECT_EQ(ini.GetString("S", "d", ""), "say \"hi\"");
  EXPECT_EQ(ini.GetString("S", "e", ""), "x=y");
}

TEST(IniFile, IntegersReadLikeThePlatform) {
  IniFile ini;
  ini.Parse(
      "[S]\nplain=12\ntrailing=12abc\nneg=-7\nplus=+3\nword=abc\nhuge=99999999999\n"
      "tiny=-99999999999\nquoted=\"8\"\n");
  EXPECT_EQ(ini.GetInt("S", "plain", 0), 12);
  EXPECT_EQ(ini.GetInt("S", "trailing", 0), 12);
  EXPECT_EQ(ini.GetInt("S", "neg", 0), -7);
  EXPECT_EQ(ini.GetInt("S", "plus", 0), 3);
  EXPECT_EQ(ini.GetInt("S", "word", 9), 0);
  EXPECT_EQ(ini.GetInt("S", "huge", 0), INT_MAX);
  EXPECT_EQ(ini.GetInt("S", "tiny", 0), INT_MIN);
  EXPECT_EQ(ini.GetInt("S", "quoted", 0), 8);
}

TEST(IniFile, JunkLinesAreReportedKeptAndDoNotDisturbReading) {
  const std::string text =
      "stray=before any section\n"
      "; comment\n"
      "[Search]\n"
      "this line has no equals sign\n"
      "IgnoreCase=0\n"
      "[broken section\n"
      "=no key\n"
      "# other comment\n"
      "Subdir=1\n";
  IniFile ini;
  ini.Parse(text);
  EXPECT_EQ(ini.GetInt("Search", "IgnoreCase", 1), 0);
  EXPECT_EQ(ini.GetInt("Search", "Subdir", 0), 1);
  ASSERT_EQ(ini.Warnings().size(), 4u);
  EXPECT_EQ(ini.Warnings()[0], (IniWarning{1, "stray=before any section"}));
  EXPECT_EQ(ini.Warnings()[1], (IniWarning{4, "this line has no equals sign"}));
  EXPECT_EQ(ini.Warnings()[2].line, 6);
  EXPECT_EQ(ini.Warnings()[3].line, 7);
  EXPECT_EQ(ini.Text(), text);

  ini.WriteInt("Search", "Subdir", 0);
  EXPECT_EQ(ini.Text(), text.substr(0, text.size() - 9) + "Subdir=0\n");
}

TEST(IniFile, LineEndsOfTheFileAreKept) {
  IniFile crlf;
  crlf.Parse("[A]\r\nx=1\r\n");
  EXPECT_EQ(crlf.GetString("A", "x", ""), "1");
  crlf.WriteInt("A", "y", 2);
  EXPECT_EQ(crlf.Text(), "[A]\r\nx=1\r\ny=2\r\n");

  IniFile lf;
  lf.Parse("[A]\nx=1");  // no line end after the last line
  lf.WriteInt("B", "y", 2);
  EXPECT_EQ(lf.Text(), "[A]\nx=1\n\n[B]\ny=2\n");

  IniFile fresh;
  fresh.WriteString("A", "k", "v");
  EXPECT_EQ(fresh.Text(), "[A]\nk=v\n");
}

TEST(IniFile, WritingAKeyKeepsEveryOtherLine) {
  IniFile ini;
  ini.Parse(
      "; Settings\n"
      "[Preferences]\n"
      "  abcdir = old  \n"
      "NextTip=3\n"
      "\n"
      "; drawing measures follow\n"
      "[Music]\n"
      "StaffSize=100\n"
      "[Windows]\n"
      "WinPos=1,2,3,4,5,6,7,8,9,10\n");
  ini.WriteString("PREFERENCES", "AbcDir", "new");  // existing key, spelling kept
  ini.WriteInt("Preferences", "SaveWindows", 1);    // new key after the last one
  ini.WriteInt("Music", "StaffSize", 100);          // same value: line untouched
  ini.WriteString("Fonts", "AbcFont", "Arial,12");  // new section at the end
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(ini.Text(),
            "; Settings\n"
            "[Preferences]\n"
            "abcdir=new\n"
            "NextTip=3\n"
            "SaveWindows=1\n"
            "\n"
            "; drawing measures follow\n"
            "[Music]\n"
            "StaffSize=100\n"
            "[Windows]\n"
            "WinPos=1,2,3,4,5,6,7,8,9,10\n"
            "\n"
            "[Fonts]\n"
            "AbcFont=Arial,12\n");
}

TEST(IniFile, WrittenValuesReadBackUnchanged) {
  IniFile ini;
  const std::string values[] = {"  lead", "trail\t", "\"quoted\"", "plain \"inner\" text",
                                "",       "a=b;c#d"};
  for (const std::string& v : values) {
    ini.WriteString("S", "k", v);
    IniFile reread;
    reread.Parse(ini.Text());
    EXPECT_EQ(reread.GetString("S", "k", "?"), v) << ini.Text();
  }
  // A value is one line: line breaks cannot smuggle in other keys or sections.
  ini.WriteString("S", "k", "one\r\n[Evil]\nx=1");
  IniFile reread;
  reread.Parse(ini.Text());
  EXPECT_EQ(reread.GetString("S", "k", ""), "one  [Evil] x=1");
  EXPECT_EQ(reread.Sections(), std::vector<std::string>{"S"});
}

TEST(IniFile, MalformedNamesAreRefused) {
  IniFile ini;
  ini.Parse("[S]\nk=1\n");
  const std::string before = ini.Text();
  EXPECT_FALSE(ini.WriteString("S", "a=b", "x"));
  EXPECT_FALSE(ini.WriteString("S", "", "x"));
  EXPECT_FALSE(ini.WriteString("S", ";k", "x"));
  EXPECT_FALSE(ini.WriteString("", "k", "x"));
  EXPECT_FALSE(ini.WriteString("a]b", "k", "x"));
  EXPECT_FALSE(ini.WriteString("S", "line\nbreak", "x"));
  EXPECT_EQ(ini.Text(), before);
  EXPECT_FALSE(ini.Modified());
}

TEST(IniFile, SectionsKeysAndDelete) {
  IniFile ini;
  ini.Parse("[One]\nA=1\nb=2\na=3\n[two]\nC=4\n[ONE]\nD=5\n");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"One", "two"}));
  EXPECT_EQ(ini.Keys("one"), (std::vector<std::string>{"A", "b"}));
  EXPECT_EQ(ini.GetInt("One", "a", 0), 1);  // the first of equal keys counts
  EXPECT_TRUE(ini.Keys("missing").empty());

  EXPECT_TRUE(ini.DeleteKey("ONE", "B"));
  EXPECT_FALSE(ini.DeleteKey("One", "b"));
  EXPECT_FALSE(ini.DeleteKey("Three", "x"));
  EXPECT_EQ(ini.Text(), "[One]\nA=1\na=3\n[two]\nC=4\n[ONE]\nD=5\n");
}

TEST(IniFile, LoadAndSaveFiles) {
  ScratchDir dir;
  IniFile ini;
  EXPECT_TRUE(ini.Load(dir.File("missing.ini")));
  EXPECT_TRUE(ini.Sections().empty());
  ini.WriteInt("A", "x", 1);
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(ReadFile(dir.File("missing.ini")), "[A]\nx=1\n");
  EXPECT_FALSE(ini.Modified());

  WriteFile(dir.File("win.ini"), "\xEF\xBB\xBF; c\r\n[A]\r\nx=1\r\n");
  IniFile win;
  ASSERT_TRUE(win.Load(dir.File("win.ini")));
  EXPECT_EQ(win.GetInt("a", "X", 0), 1);
  win.WriteInt("A", "x", 2);
  ASSERT_TRUE(win.Save());
  EXPECT_EQ(ReadFile(dir.File("win.ini")), "\xEF\xBB\xBF; c\r\n[A]\r\nx=2\r\n");
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"missing.ini", "win.ini"}));

  IniFile folder;
  EXPECT_FALSE(folder.Load(dir.Path().string()));
  EXPECT_FALSE(folder.Error().empty());
}

TEST(IniFile, FailedSaveLeavesTheOriginal) {
  ScratchDir dir;
  const std::string path = dir.File("tunora.ini");
  const std::string original = "; mine\n[A]\nx=1\n";
  WriteFile(path, original);
  IniFile ini;
  ASSERT_TRUE(ini.Load(path));
  ini.WriteInt("A", "x", 2);

  // The folder cannot be made: a file stands where it would be.
  EXPECT_FALSE(ini.SaveAs(dir.File("tunora.ini/folder/tunora.ini")));
  EXPECT_FALSE(ini.Error().empty());

  // The temporary file cannot be renamed over the target (a folder in the way).
  const std::string blocked = dir.File("blocked.ini");
  fs::create_directory(blocked);
  WriteFile(blocked + "/keep.txt", "x");
  EXPECT_FALSE(ini.SaveAs(blocked));
  EXPECT_EQ(ReadFile(blocked + "/keep.txt"), "x");
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"blocked.ini", "tunora.ini"}));
  EXPECT_EQ(ReadFile(path), original);

  // Still saves to its own file, and only then is it no longer modified.
  EXPECT_TRUE(ini.Modified());
  EXPECT_TRUE(ini.SaveAs(path));
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(ReadFile(path), "; mine\n[A]\nx=2\n");
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"blocked.ini", "tunora.ini"}));
}

TEST(IniFile, FailedSaveInReadOnlyFolderLeavesTheOriginal) {
  ScratchDir dir;
  const std::string path = dir.File("tunora.ini");
  WriteFile(path, "[A]\nx=1\n");
  fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream(dir.File("probe")).good()) {
    fs::remove(dir.File("probe"));
    GTEST_SKIP() << "folder permissions do not apply to this user";
  }
  IniFile ini;
  ASSERT_TRUE(ini.Load(path));
  ini.WriteInt("A", "x", 2);
  EXPECT_FALSE(ini.Save());
  EXPECT_EQ(ReadFile(path), "[A]\nx=1\n");
  EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"tunora.ini"});
}

}  // namespace
}  // namespace tunora
