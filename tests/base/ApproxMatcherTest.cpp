// The approximate matcher and the text test of one tune.
#include <gtest/gtest.h>

#include <random>

#include "base/ApproxMatcher.h"
#include "search/TextSearch.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

TEST(ApproxMatcher, DifferencesAllowedAndCounted) {
  // 10 characters at 25 %: (10 x 25 + 50) / 100 = 3.
  EXPECT_EQ(ApproxMatcher::ErrorsFor(10, 25), 3);
  EXPECT_EQ(ApproxMatcher::ErrorsFor(20, 20), 4);
  EXPECT_EQ(ApproxMatcher::ErrorsFor(1, 49), 0);
  EXPECT_EQ(ApproxMatcher::ErrorsFor(1, 50), 1);

  ApproxMatcher exact("Drowsy Maggie", 0, false, false);
  EXPECT_TRUE(exact.Matches("The Drowsy Maggie reel"));
  EXPECT_EQ(exact.MatchStart(), 4u);
  EXPECT_FALSE(exact.Matches("The Drowsy Magie reel"));
  EXPECT_FALSE(exact.Matches(""));

  // One replaced, one deleted, one inserted character; a fourth is too many.
  ApproxMatcher loose("Drowsy Maggie", 3, false, false);
  EXPECT_TRUE(loose.Matches("Drowzy Magie"));
  EXPECT_TRUE(loose.Matches("xDrowzy Maggiie"));
  EXPECT_TRUE(loose.Matches("Drxwzy Magie"));
  EXPECT_FALSE(loose.Matches("Dxxwzy Magie"));
  // More differences than the pattern is long are cut to its length.
  EXPECT_EQ(ApproxMatcher("ab", 9, false, false).Errors(), 2);
  EXPECT_FALSE(ApproxMatcher().Matches("anything"));
}

TEST(ApproxMatcher, CaseMasks) {
  ApproxMatcher blind("reel", 0, true, false);
  EXPECT_TRUE(blind.Matches("REEL"));
  EXPECT_TRUE(blind.Matches("Reel"));
  ApproxMatcher exact("reel", 0, false, false);
  EXPECT_FALSE(exact.Matches("Reel"));
  // Accented letters of code page 1252 fold too.
  EXPECT_TRUE(ApproxMatcher("\xe9t\xe9", 0, true, false).Matches("\xc9T\xc9"));
}

TEST(ApproxMatcher, WholeLineOnlyWithoutDifferences) {
  ApproxMatcher line("reel", 0, true, true);
  EXPECT_TRUE(line.Matches("reel"));
  EXPECT_TRUE(line.Matches("jig\r\nreel\r\nhornpipe"));
  EXPECT_FALSE(line.Matches("reels"));
  EXPECT_FALSE(line.Matches("a reel"));
  // A later whole line is still found after a partial one.
  EXPECT_TRUE(line.Matches("reels\r\nreel"));
  ApproxMatcher loose("reel", 1, true, true);
  EXPECT_FALSE(loose.WholeLine());
  EXPECT_TRUE(loose.Matches("reels"));
}

TEST(ApproxMatcher, PatternsAreCutAt64Characters) {
  const std::string first64(64, 'a');
  ApproxMatcher m(first64 + "bbbb", 0, false, false);
  EXPECT_EQ(m.Length(), 64u);
  EXPECT_TRUE(m.Matches("x" + first64 + "c"));
  ApproxMatcher k64(first64, 64, false, false);
  EXPECT_TRUE(k64.Matches("z"));
}

TEST(PackedApproxMatcher, AgreesWithSeparateMatchers) {
  // Random patterns side by side must find exactly what they find one by one.
  std::mt19937 random(18);
  auto word = [&](size_t n) {
    std::string w;
    for (size_t i = 0; i < n; ++i) w += "abcd|^"[random() % 6];
    return w;
  };
  for (int round = 0; round < 3000; ++round) {
    const int k = static_cast<int>(random() % 4);
    PackedApproxMatcher packed(k);
    std::vector<ApproxMatcher> single;
    for (int p = 0; p < 4; ++p) {
      const std::string pattern = word(1 + random() % 20);
      if (!packed.Add(pattern)) break;
      single.emplace_back(pattern, k, false, false);
    }
    const std::string text = word(random() % 40);
    bool any = false;
    for (ApproxMatcher& m : single) any = m.Matches(text) || any;
    ASSERT_EQ(packed.Matches(text), any) << "round " << round << " text " << text;
  }
  PackedApproxMatcher full(0);
  EXPECT_TRUE(full.Add(std::string(40, 'a')));
  EXPECT_FALSE(full.Add(std::string(25, 'b')));
  EXPECT_TRUE(full.Add(std::string(24, 'b')));
}

TEST(PackedApproxLanes, AgreesWithEachPackedMatcherOnItsLength) {
  // Lanes run in one pass must answer as the packed matchers one by one, each on its
  // own length of the text, for every number of differences (the fixed and the
  // general scans) and with lanes that are empty or always match.
  std::mt19937 random(16);
  auto word = [&](size_t n) {
    std::string w;
    for (size_t i = 0; i < n; ++i) w += "abcd|^"[random() % 6];
    return w;
  };
  for (int round = 0; round < 4000; ++round) {
    const int k = static_cast<int>(random() % 6);
    std::vector<PackedApproxMatcher> packed;
    const size_t count = 1 + random() % PackedApproxLanes::kLanes;
    for (size_t i = 0; i < count; ++i) {
      packed.emplace_back(k);
      const size_t patterns = random() % 4;
      for (size_t p = 0; p < patterns; ++p) packed.back().Add(word(1 + random() % 14));
    }
    PackedApproxLanes lanes(packed.data(), packed.size());
    const std::string text = word(random() % 60);
    std::array<size_t, PackedApproxLanes::kLanes> lengths{};
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
      lengths[i] = random() % 3 == 0 ? text.size() + 5 : random() % (text.size() + 1);
      any = packed[i].Matches(std::string_view(text).substr(0, lengths[i])) || any;
    }
    ASSERT_EQ(lanes.Matches(text, lengths), any) << "round " << round << " text " << text;
  }
}

class TuneText : public ::testing::Test {
 protected:
  TuneText() {
    file.SplitTunes(
        "X:7\nT:The Lark\nT:Lark in the Morning\nR:jig\nC:trad.\nK:D\n|:lark abc|\n"
        "W:the lark sings\n\nX:8\nT:Other\nR:jigs\nK:G\nGAB|\n\n",
        true, 0, false);
  }
  bool Found(const TuneRecord& tune, const std::string& text, char field, bool exact = false,
             int loose = 0) {
    ApproxMatcher m = BuildTextMatcher(TextQuery{text, field, exact, true, loose});
    return MatchTuneText(m, field, tune);
  }
  TuneFile file;
};

TEST_F(TuneText, FieldSelection) {
  const TuneRecord& t = *file.TuneAt(1);
  EXPECT_TRUE(Found(t, "morning", 'T'));  // the second title
  EXPECT_TRUE(Found(t, "7", 'X'));
  EXPECT_TRUE(Found(t, "trad", 'C'));
  EXPECT_TRUE(Found(t, "sings", 'W'));
  EXPECT_TRUE(Found(t, "abc", 't'));
  EXPECT_TRUE(Found(t, "abc", '?'));
  EXPECT_FALSE(Found(t, "trad", 'Z'));  // a field the tune does not have
  EXPECT_FALSE(Found(t, "trad", '%'));  // not a field letter
  // "*": any header field, but neither the body nor the words.
  EXPECT_TRUE(Found(t, "trad", '*'));
  EXPECT_TRUE(Found(t, "D", '*'));
  EXPECT_FALSE(Found(t, "abc", '*'));
  EXPECT_FALSE(Found(t, "sings", '*'));
}

TEST_F(TuneText, ExactMatchOnlyWithoutLooseMatch) {
  const TuneRecord& jig = *file.TuneAt(1);
  const TuneRecord& jigs = *file.TuneAt(2);
  EXPECT_TRUE(Found(jig, "JIG", 'R', true));
  EXPECT_FALSE(Found(jigs, "JIG", 'R', true));
  EXPECT_TRUE(Found(jigs, "JIG", 'R', false));
  EXPECT_TRUE(Found(jigs, "jig", 'R', true, 40));
}

}  // namespace
}  // namespace tunora
