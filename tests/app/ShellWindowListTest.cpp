// Window placements and the saved window list of the section "Windows".
#include "app/WindowList.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"

namespace tunora {
namespace {

WindowDoc OfKind(WindowDoc::Kind kind) {
  WindowDoc doc;
  doc.kind = kind;
  return doc;
}

TEST(ShellPlacement, FormatsTenNumbersAndReadsThemBack) {
  WindowPlacement p;
  p.flags = kRestoreToMaximized;
  p.showCmd = kShowMaximized;
  p.minX = -1;
  p.minY = -32000;
  p.maxX = -8;
  p.maxY = -8;
  p.left = 10;
  p.top = 20;
  p.right = 810;
  p.bottom = 620;
  std::string text = FormatPlacement(p);
  EXPECT_EQ(text, "2,3,-1,-32000,-8,-8,10,20,810,620");
  auto back = ParsePlacement(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, p);
  EXPECT_EQ(back->Width(), 800);
  EXPECT_EQ(back->Height(), 600);
}

TEST(ShellPlacement, AnythingButTenNumbersIsIgnored) {
  EXPECT_TRUE(ParsePlacement(" 0 , 1,0,0,0,0,1,2,3,4"));
  for (const char* bad : {"", "0,1,0,0,0,0,1,2,3", "0,1,0,0,0,0,1,2,3,4,5", "0,1,0,0,0,0,1,2,3,x",
                          "0,1,,0,0,0,1,2,3,4", "-1,1,0,0,0,0,1,2,3,4", "0,1,0,0,0,0,1,2,3,4x",
                          "0,1,0,0,0,0,1,2,3,99999999999"}) {
    EXPECT_FALSE(ParsePlacement(bad)) << bad;
  }
}

TEST(ShellWindowDoc, EachKindWritesItsFormat) {
  WindowDoc list{WindowDoc::Kind::kTuneList, "/t/reels.abc", 12, 0, false};
  EXPECT_EQ(FormatWindowDoc(list), "/t/reels.abc?12");
  WindowDoc editor{WindowDoc::Kind::kEditor, "/t/reels.abc", 0, 7, true};
  EXPECT_EQ(FormatWindowDoc(editor), "?7?/t/reels.abc?1");
  EXPECT_EQ(FormatWindowDoc(OfKind(WindowDoc::Kind::kPlayer)), "?p?0");
  EXPECT_EQ(FormatWindowDoc(OfKind(WindowDoc::Kind::kFileSearch)), "?f?0");
  for (const WindowDoc& doc : {list, editor}) {
    auto back = ParseWindowDoc(FormatWindowDoc(doc));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, doc);
  }
}

TEST(ShellWindowDoc, ReadsValuesWrittenByHandAndRefusesBrokenOnes) {
  auto plain = ParseWindowDoc("/t/jigs.abc");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->kind, WindowDoc::Kind::kTuneList);
  EXPECT_EQ(plain->path, "/t/jigs.abc");
  EXPECT_EQ(plain->line, 0);
  // A path with a question mark keeps it; the last one separates the line.
  auto odd = ParseWindowDoc("/t/what?.abc?3");
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->path, "/t/what?.abc");
  EXPECT_EQ(odd->line, 3);
  auto raw0 = ParseWindowDoc("?2?/t/a.abc?0");
  ASSERT_TRUE(raw0);
  EXPECT_FALSE(raw0->raw);
  EXPECT_EQ(ParseWindowDoc("?p?0")->kind, WindowDoc::Kind::kPlayer);
  EXPECT_EQ(ParseWindowDoc("?f?0")->kind, WindowDoc::Kind::kFileSearch);
  for (const char* bad : {"", "?", "?x?/a.abc?0", "?0?/a.abc?0", "?3??1", "?3"}) {
    EXPECT_FALSE(ParseWindowDoc(bad)) << bad;
  }
}

TEST(ShellWindowList, WritesKeysAndReadsThemBackSkippingDamagedEntries) {
  IniFile ini;
  ini.Parse("[Preferences]\r\nSaveWindows=1\r\n");
  WindowPlacement p1{0, kShowNormal, -1, -1, -1, -1, 0, 0, 300, 200};
  WindowPlacement p2{0, kShowMaximized, -1, -1, -1, -1, 30, 30, 330, 230};
  std::vector<SavedWindow> windows = {{p1, {WindowDoc::Kind::kTuneList, "/t/a.abc", 2, 0, false}},
                                      {p2, {WindowDoc::Kind::kEditor, "/t/a.abc", 0, 2, false}},
                                      {p1, OfKind(WindowDoc::Kind::kPlayer)}};
  WriteWindowList(ini, windows, 2);
  EXPECT_EQ(ini.GetInt("Windows", "WinCount", -1), 3);
  EXPECT_EQ(ini.GetInt("Windows", "Active", -1), 2);
  EXPECT_EQ(ini.GetString("Windows", "WinDoc2", ""), "?2?/t/a.abc?0");
  EXPECT_EQ(ini.GetInt("Preferences", "SaveWindows", 0), 1) << "other sections stay";

  SavedWindowList read = ReadWindowList(ini);
  ASSERT_EQ(read.windows.size(), 3u);
  EXPECT_EQ(read.windows, windows);
  EXPECT_EQ(read.active, 2);

  // A damaged placement skips that window only; the numbering stays.
  ini.WriteString("Windows", "WinPos1", "1,2,3");
  read = ReadWindowList(ini);
  ASSERT_EQ(read.windows.size(), 2u);
  EXPECT_EQ(read.numbers, (std::vector<int>{2, 3}));
  EXPECT_EQ(read.windows[0].doc.kind, WindowDoc::Kind::kEditor);
}

TEST(ShellWindowList, ShorterListRemovesTheOldKeys) {
  IniFile ini;
  WindowPlacement p{0, kShowNormal, -1, -1, -1, -1, 0, 0, 300, 200};
  WriteWindowList(ini,
                  {{p, {WindowDoc::Kind::kTuneList, "/a.abc", 0, 0, false}},
                   {p, {WindowDoc::Kind::kTuneList, "/b.abc", 0, 0, false}}},
                  1);
  WriteWindowList(ini, {{p, {WindowDoc::Kind::kTuneList, "/c.abc", 0, 0, false}}}, 1);
  EXPECT_FALSE(ini.HasKey("Windows", "WinDoc2"));
  EXPECT_FALSE(ini.HasKey("Windows", "WinPos2"));
  // Active out of range is written as none.
  WriteWindowList(ini, {}, 5);
  EXPECT_EQ(ini.GetInt("Windows", "Active", -1), 0);
  EXPECT_EQ(ini.GetInt("Windows", "WinCount", -1), 0);
}

TEST(ShellWindowList, HugeCountDoesNotWalkForever) {
  IniFile ini;
  ini.Parse(
      "[Windows]\r\nWinCount=2147483647\r\nWinPos1=0,1,0,0,0,0,0,0,10,10\r\n"
      "WinDoc1=/a.abc?0\r\n");
  SavedWindowList read = ReadWindowList(ini);
  EXPECT_EQ(read.windows.size(), 1u);
}

TEST(ShellWindowList, MainPlacementNeedsTenNumbers) {
  IniFile ini;
  EXPECT_FALSE(ReadMainPlacement(ini));
  ini.Parse("[windows]\r\nwinpos=0,1,-1,-1,-1,-1,5,6,705,506\r\n");
  auto p = ReadMainPlacement(ini);
  ASSERT_TRUE(p) << "section and key compare without case";
  EXPECT_EQ(p->left, 5);
  ini.WriteString("Windows", "WinPos", "0,1,2");
  EXPECT_FALSE(ReadMainPlacement(ini));
}

}  // namespace
}  // namespace tunora
