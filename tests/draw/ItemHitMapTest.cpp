// The drawing's item map: a click finds the item under it (nearest of
// overlapping ones, only on its page, with a little slack), and a byte of the
// tune text finds the smallest item drawn from it.
#include <gtest/gtest.h>

#include "draw/ItemHitMap.h"

namespace tunora {
namespace {

LaidOutItem Item(int page, const char* kind, int32_t begin, int32_t end, int32_t left,
                 int32_t bottom, int32_t right, int32_t top) {
  LaidOutItem i;
  i.page = page;
  i.kind = kind;
  i.begin = begin;
  i.end = end;
  i.left = left;
  i.bottom = bottom;
  i.right = right;
  i.top = top;
  return i;
}

TEST(ItemHitMap, FindsTheItemUnderAPointOnItsPage) {
  ItemHitMap map;
  map.Add(Item(1, "note", 40, 41, 1000, -2000, 1100, -1800), 0);
  map.Add(Item(1, "chord", 36, 40, 950, -1700, 1300, -1500), 0);
  map.Add(Item(2, "bar", 60, 61, 1000, -2000, 1020, -1600), 0);
  map.Add(Item(1, "staff", -1, -1, 0, -3000, 20000, -1000), 0);  // no source: not kept
  EXPECT_EQ(map.Entries().size(), 3u);
  ASSERT_TRUE(map.At(1, 1050, -1900, 0));
  EXPECT_EQ(map.At(1, 1050, -1900, 0)->kind, "note");
  EXPECT_EQ(map.At(1, 1200, -1600, 0)->kind, "chord");
  EXPECT_EQ(map.At(2, 1010, -1900, 0)->kind, "bar");
  // Just outside a box: found with slack, not without.
  EXPECT_FALSE(map.At(1, 1110, -1900, 0));
  EXPECT_TRUE(map.At(1, 1110, -1900, 20));
  EXPECT_FALSE(map.At(3, 1050, -1900, 100));
}

TEST(ItemHitMap, OfOverlappingBoxesTheNearestCentreWins) {
  ItemHitMap map;
  map.Add(Item(1, "decoration", 10, 11, 0, 0, 400, 400), 0);
  map.Add(Item(1, "note", 11, 12, 300, 300, 500, 500), 0);
  EXPECT_EQ(map.At(1, 350, 350, 0)->kind, "note");
  EXPECT_EQ(map.At(1, 310, 250, 0)->kind, "decoration");
}

TEST(ItemHitMap, ASourceByteFindsTheSmallestItemOfItsTune) {
  ItemHitMap map;
  map.Add(Item(1, "tuplet", 20, 30, 0, 0, 1, 1), 0);
  map.Add(Item(1, "note", 24, 26, 0, 0, 1, 1), 0);
  map.Add(Item(1, "note", 24, 26, 0, 0, 1, 1), 1);
  map.Add(Item(1, "bar", 30, 30, 0, 0, 1, 1), 0);  // an empty range answers its start
  EXPECT_EQ(map.BySource(0, 25)->kind, "note");
  EXPECT_EQ(map.BySource(0, 25)->tune, 0);
  EXPECT_EQ(map.BySource(0, 21)->kind, "tuplet");
  EXPECT_EQ(map.BySource(0, 30)->kind, "bar");
  EXPECT_FALSE(map.BySource(0, 31));
  EXPECT_FALSE(map.BySource(2, 25));
}

}  // namespace
}  // namespace tunora
