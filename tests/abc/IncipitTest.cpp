// The incipit of format strings: the first two bars written back as short ABC.
#include <gtest/gtest.h>

#include "abc/Incipit.h"
#include "tunefile/TuneRecord.h"

namespace tunora {
namespace {

std::string Incipit(std::string_view body, std::string_view key = "D",
                    std::string_view meter = "4/4", std::string_view unit = "1/8") {
  return MakeIncipit(key, meter, unit, body);
}

TEST(IncipitTest, TwoBarsFromTheFirstNote) {
  EXPECT_EQ(Incipit("|:d2fd A2FA|d2fd g2fe|dcde fgaf|\r\n"), "d2fd A2FA|d2fd g2fe|");
  EXPECT_EQ(Incipit("FA|defe d2ef|g2fg a2ag|"), "FA|defe d2ef|");
  // Line breaks, blanks and tabs become one blank, none next to a bar line.
  EXPECT_EQ(Incipit("A  B\t\r\nc |  d | e"), "A B c|d|");
  EXPECT_EQ(Incipit("ABC"), "ABC");
  EXPECT_EQ(Incipit(""), "");
  EXPECT_EQ(Incipit("% only a comment\r\n"), "");
}

TEST(IncipitTest, NotesAsWritten) {
  // Accidentals as written, octaves, rests, lengths relative to the unit length.
  EXPECT_EQ(Incipit("^c=f_B, z2 c'/ d3/2 e// x|"), "^c=f_B, z2 c'/ d3/2 e/4 x|");
  // Grace notes and all but a chord's first note are left out; so are symbols,
  // decorations and slurs.
  EXPECT_EQ(Incipit("{ga}f [c2eg] \"Am\"!trill!(AB)|"), "f c2 AB|");
  EXPECT_EQ(Incipit("A>B c<<d|"), "A>B c<<d|");
  EXPECT_EQ(Incipit("(3ABc (3:2:3def (5::5ABCDE|"), "(3ABc (3:2:3def (5::5ABCDE|");
  // A change of unit length in the body is written relative to the tune's.
  EXPECT_EQ(Incipit("A [L:1/16]B4 c|"), "A B2 c/|");
}

TEST(IncipitTest, KeptWithTheRecord) {
  TuneRecord tune;
  *tune.Field('K') = "G";
  *tune.Field('L') = "1/4";
  tune.body = "GABc|dedB|dedB|";
  EXPECT_EQ(ComputeIncipit(tune), "GABc|dedB|");
  tune.body = "% changed";
  EXPECT_EQ(ComputeIncipit(tune), "GABc|dedB|");  // computed once
  tune.incipit.reset();
  EXPECT_EQ(ComputeIncipit(tune), "");
}

}  // namespace
}  // namespace tunora
