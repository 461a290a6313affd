// The tips of the day and the recent-file list.
#include "app/RecentFiles.h"
#include "app/Tips.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/IniFile.h"

namespace tunora {
namespace {

const char* kTips =
    "Tips file\r\n"
    "TIP #1:\r\nFirst tip.\r\n<<>>\r\n"
    "TIP #2:\r\nSecond tip\r\non two lines.\r\n<<>>\r\n"
    "TIP #3:\r\nLast tip without an end mark.\r\n";

TEST(ShellTips, TipRunsFromItsMarkerToTheNextEndMark) {
  TipsText tips(kTips);
  std::string tip;
  ASSERT_TRUE(tips.Find(2, tip));
  EXPECT_EQ(tip, "Second tip\r\non two lines.\r\n");
  ASSERT_TRUE(tips.Find(3, tip));
  EXPECT_EQ(tip, "Last tip without an end mark.\r\n");
  EXPECT_FALSE(tips.Find(4, tip));
  EXPECT_FALSE(tips.Find(0, tip));
}

TEST(ShellTips, MarkerTenIsNotMarkerOne) {
  TipsText tips("TIP #10:\r\nten<<>>TIP #1:\r\none<<>>");
  std::string tip;
  ASSERT_TRUE(tips.Find(1, tip));
  EXPECT_EQ(tip, "one");
}

TEST(ShellTips, StepsForwardBackAndWrapsToTheFirst) {
  TipsText tips(kTips);
  std::string tip;
  int shown = 0;
  ASSERT_TRUE(tips.Show(2, tip, shown));
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(tips.NextNumber(), 3);
  EXPECT_EQ(tips.PreviousNumber(), 1);
  ASSERT_TRUE(tips.Show(tips.NextNumber(), tip, shown));
  EXPECT_EQ(shown, 3);
  // Past the last tip, tip 1 comes again.
  ASSERT_TRUE(tips.Show(tips.NextNumber(), tip, shown));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(tip, "First tip.\r\n");
  EXPECT_EQ(tips.PreviousNumber(), 0) << "nothing before tip 1";
}

TEST(ShellTips, EmptyOrMissingFileShowsNothing) {
  TipsText none;
  std::string tip;
  int shown = 0;
  EXPECT_FALSE(none.Show(1, tip, shown));
  EXPECT_FALSE(none.Show(5, tip, shown));
  TipsText noFirst("TIP #2:\r\nonly two");
  EXPECT_FALSE(noFirst.Show(7, tip, shown));
  EXPECT_FALSE(none.Load("/nonexistent/tips.txt"));
}

TEST(ShellTips, FileWithBareLineEndsStillFindsItsTips) {
  TipsText tips("TIP #1:\nplain\n<<>>\n");
  std::string tip;
  ASSERT_TRUE(tips.Find(1, tip));
  EXPECT_EQ(tip, "plain\n");
}

TEST(ShellTips, NextTipSettingAndFirstNumber) {
  EXPECT_EQ(FirstTipNumber(0), 1);
  EXPECT_EQ(FirstTipNumber(-3), 1);
  EXPECT_EQ(FirstTipNumber(7), 7);
  EXPECT_EQ(NextTipSetting(8, true), 8);
  EXPECT_EQ(NextTipSetting(8, false), 0);
}

TEST(ShellTips, BundledTipsFileHoldsItsTipsInOrder) {
  TipsText tips;
  ASSERT_TRUE(tips.Load(std::string(TUNORA_SOURCE_DIR) + "/data/tips.txt"));
  std::string tip;
  int count = 0;
  while (tips.Find(count + 1, tip)) {
    EXPECT_FALSE(tip.empty());
    EXPECT_EQ(tip.find("TIP #"), std::string::npos) << "tip " << count + 1 << " runs into the next";
    ++count;
  }
  EXPECT_GE(count, 25);
  EXPECT_LE(count, 40);
}

TEST(ShellRecentFiles, NewestFirstWithoutDuplicatesAndLimited) {
  RecentFiles recent(3);
  recent.Add("/a.abc");
  recent.Add("/b.abc");
  recent.Add("/a.abc");
  recent.Add("/c.abc");
  recent.Add("/d.abc");
  EXPECT_EQ(recent.Entries(), (std::vector<std::string>{"/d.abc", "/c.abc", "/a.abc"}));
  recent.SetSize(1);
  EXPECT_EQ(recent.Entries(), (std::vector<std::string>{"/d.abc"}));
  recent.SetSize(0);
  recent.Add("/e.abc");
  EXPECT_TRUE(recent.Entries().empty());
  recent.SetSize(1000);
  EXPECT_EQ(recent.Size(), RecentFiles::kMaxEntries);
}

TEST(ShellRecentFiles, WritesAndReadsItsSection) {
  IniFile ini;
  RecentFiles recent(4);
  recent.Add("/x/one.abc");
  recent.Add("/x/two.abc");
  recent.Write(ini);
  EXPECT_EQ(ini.GetString("Recent File List", "File1", ""), "/x/two.abc");
  RecentFiles back(4);
  back.Read(ini);
  EXPECT_EQ(back.Entries(), recent.Entries());
  RecentFiles shorter(4);
  shorter.Add("/x/three.abc");
  shorter.Write(ini);
  EXPECT_FALSE(ini.HasKey("Recent File List", "File2"));
}

}  // namespace
}  // namespace tunora
