#include <gtest/gtest.h>

#include "editor/KeyHelp.h"

namespace tunora {
namespace {

TEST(KeyHelp, NotesAndSignatureOfAKey) {
  KeyDescription d = DescribeKey("Edor");
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.notes, "=E ^F =G =A =B ^C =D");
  EXPECT_EQ(d.signature, "2 sharps");
  d = DescribeKey("F");
  EXPECT_EQ(d.notes, "=F =G =A _B =C =D =E");
  EXPECT_EQ(d.signature, "1 flat");
  EXPECT_EQ(DescribeKey("Am").signature, "no sharps or flats");
  EXPECT_EQ(DescribeKey("C#").signature, "7 sharps");
  EXPECT_EQ(DescribeKey("HP").notes, "=A =B ^C =D =E ^F =G");
  // Explicit accidentals that need both kinds: no signature.
  d = DescribeKey("D ^g _b");
  EXPECT_TRUE(d.valid);
  EXPECT_EQ(d.sharps, 3);
  EXPECT_EQ(d.flats, 1);
  EXPECT_EQ(d.signature, "");
  EXPECT_FALSE(DescribeKey("").valid);
  EXPECT_FALSE(DescribeKey("none").valid);
}

TEST(KeyHelp, FindsTheKeyOfASignature) {
  const auto& modes = KeyHelpModes();
  auto mode = [&](const char* name) {
    for (size_t k = 0; k < modes.size(); ++k)
      if (std::string(modes[k].name) == name) return static_cast<int>(k);
    return -1;
  };
  EXPECT_EQ(FindKey(2, false, mode("dorian"), 0), "Edor");
  EXPECT_EQ(FindKey(2, false, mode("dorian"), 'e'), "Edor");
  EXPECT_EQ(FindKey(0, false, mode("major"), 0), "C");
  EXPECT_EQ(FindKey(3, true, mode("minor"), 0), "Cm");
  EXPECT_EQ(FindKey(6, true, mode("major"), 0), "Gb");
  EXPECT_EQ(FindKey(4, false, mode("dorian"), 'F'), "F#dor");
  // No dorian on F with two sharps.
  EXPECT_FALSE(FindKey(2, false, mode("dorian"), 'F'));
  EXPECT_FALSE(FindKey(7, false, 0, 0));
  EXPECT_FALSE(FindKey(1, false, 99, 0));
  EXPECT_FALSE(FindKey(1, false, 0, 'H'));
  // Every signature has a key in every mode.
  for (int m = 0; m < static_cast<int>(modes.size()); ++m)
    for (int n = 0; n <= 6; ++n)
      for (bool flats : {false, true}) EXPECT_TRUE(FindKey(n, flats, m, 0)) << m << n << flats;
}

}  // namespace
}  // namespace tunora
