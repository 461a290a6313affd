#include <gtest/gtest.h>

#include "tunefile/Fields.h"

namespace tunora {
namespace {

TEST(FieldNames, ChooserFollowsOrderAndSkipsUnnamed) {
  auto entries = FieldChooserEntries(kDefaultSearchFieldOrder);
  ASSERT_GE(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, "T: Title");
  EXPECT_EQ(entries[1].name, "C: Composer");
  EXPECT_EQ(entries[2].name, "R: Rhythm");
  EXPECT_EQ(entries[3].name, "*: All Fields");
  EXPECT_EQ(entries[4].name, "t: Tune");
  EXPECT_EQ(FieldChooserEntries("T1!C").size(), 2u);
  EXPECT_EQ(FieldChooserIndex(entries, 'R'), 2);
  EXPECT_STREQ(FieldLongName('?'), "t: Tune");
  EXPECT_EQ(FieldLongName('q'), nullptr);
  EXPECT_STREQ(FieldShortName('Z'), "Z: Tr.Notes");
  EXPECT_EQ(FieldShortName('t'), nullptr);
  EXPECT_EQ(EditorRowOrder(kDefaultFieldOrder), "XTRCSHNABDGOFZPMLQUuVK");
}

TEST(FieldOrderModel, FixedEntriesRefuseToMove) {
  std::string flags(kDefaultFieldExpanded);
  FieldOrderModel m("XT", kDefaultFieldOrder, "K", &flags);
  ASSERT_EQ(m.Entries().size(), 22u);
  EXPECT_EQ(m.Entries()[1].text, "T: Title\t(expanded)");
  for (int fixed : {0, 1, 21}) {
    m.Select(fixed);
    EXPECT_EQ(m.Down(), FieldOrderModel::kFixedMessage);
    EXPECT_EQ(m.Up(), FieldOrderModel::kFixedMessage);
    EXPECT_EQ(m.First(), FieldOrderModel::kFixedMessage);
  }
  m.Select(2);  // R, first movable
  EXPECT_EQ(m.Up(), FieldOrderModel::kFixedMessage);
  m.Select(20);  // V, last movable
  EXPECT_EQ(m.Down(), FieldOrderModel::kFixedMessage);
  EXPECT_EQ(m.Order(), kDefaultFieldOrder);
  EXPECT_EQ(m.Flags(), "0100000000000000000000");
}

TEST(FieldOrderModel, MovesAndExpandedFlags) {
  std::string flags(kDefaultFieldExpanded);
  FieldOrderModel m("XT", kDefaultFieldOrder, "K", &flags);
  m.Select(20);  // V
  EXPECT_EQ(m.First(), "");
  EXPECT_EQ(m.Selected(), 2);
  m.ToggleExpanded();
  m.Select(3);  // R now
  EXPECT_EQ(m.Down(), "");
  EXPECT_EQ(m.Last(), "");
  EXPECT_EQ(m.Order(), "VCSHNABDGOFZPMLQUuR");
  EXPECT_EQ(m.Flags(), "0110000000000000000000");

  FieldOrderModel search("", kDefaultSearchFieldOrder, "");
  EXPECT_FALSE(search.HasFlags());
  search.Select(0);
  EXPECT_EQ(search.Up(), "");  // nothing fixed: nothing to say
  EXPECT_EQ(search.Order(), kDefaultSearchFieldOrder);
}

}  // namespace
}  // namespace tunora
