// What the player window lists of a tune and the drone text chosen in it.
#include <gtest/gtest.h>

#include "play/PlayerFields.h"
#include "play/TuneBuild.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneRecord.h"

namespace tunora {
namespace {

TEST(PlayerFieldsTest, RowsFollowTheFieldOrderWithShortLabels) {
  TuneRecord tune;
  TuneFile::ParseTune(tune,
                      "X:7\r\nT:Main\r\nT:Second\r\nC:Someone\r\nN:one\r\nN:two\r\nE:e\r\n"
                      "M:6/8\r\nK:G\r\nGAB|\r\n",
                      false);
  const std::vector<PlayerFieldRow> rows = PlayerFieldRows(tune, "NCEM");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0].label, "Index");
  EXPECT_EQ(rows[0].value, "7");
  // The first title heads the window; only the others are rows.
  EXPECT_EQ(rows[1].label, "Title");
  EXPECT_EQ(rows[1].value, "Second");
  EXPECT_EQ(rows[2].label, "Notes");
  EXPECT_EQ(rows[2].value, "one / two");
  EXPECT_EQ(rows[3].label, "Composer");
  // A field whose name is only its letter is labelled with the letter.
  EXPECT_EQ(rows[4].label, "E");
  EXPECT_EQ(rows[5].label, "Meter");
  EXPECT_EQ(rows[6].label, "Key");
  EXPECT_EQ(rows[6].value, "G");
}

TEST(PlayerFieldsTest, AChosenDronePlaysOnlyWhenNotBlank) {
  PlaySettings ps;
  ChooseDrone(ps, "A,A,,");
  EXPECT_TRUE(ps.droneOn);
  EXPECT_EQ(ps.droneText, "A,A,,");
  ChooseDrone(ps, " \t\r\n");
  EXPECT_FALSE(ps.droneOn);
  EXPECT_EQ(ps.droneText, " \t\r\n");
}

}  // namespace
}  // namespace tunora
