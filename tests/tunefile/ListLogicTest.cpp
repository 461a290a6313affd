#include <gtest/gtest.h>

#include "tunefile/ListLogic.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

struct Lines {
  std::vector<std::string> text;
  LineTextFn Fn() const {
    return [this](int i) { return std::string_view(text.at(static_cast<size_t>(i))); };
  }
  int Count() const { return static_cast<int>(text.size()); }
};

Lines SampleLines() {
  return {{"0 [preface text]", "1 Kesh Jig", "12 Drowsy Maggie", "3 Kid on the Mountain",
           "120 Banish Misfortune", "12 kilfenora", "7 Morrison's"}};
}

TypeAhead::Result Type(TypeAhead& ta, const Lines& l, int& current, std::string_view keys) {
  TypeAhead::Result r;
  for (char c : keys) {
    r = c == '\b' ? ta.Key(TypeAhead::KeyKind::kBackspace, 0, current, l.Count(), l.Fn())
                  : ta.Key(TypeAhead::KeyKind::kCharacter, c, current, l.Count(), l.Fn());
    if (r.select >= 0) current = r.select;
  }
  return r;
}

// One row per rule: typed from a line ("\b" is Backspace), the line selected then
// (-1: not checked) and the text typed so far (null: not checked).
TEST(TypeAhead, OneRowPerRule) {
  struct Row {
    int from;
    const char* keys;
    int selected;
    const char* text;
  } rows[] = {
      {0, "12", 2, "12"},      // digits find the number from the current line on
      {0, "120", 4, "120"},    // ... so "120" finds line 4
      {0, "1209", 4, "1209"},  // nothing matching leaves the selection
      {6, "ke", 1, nullptr},   // nothing below: from the top, once
      {5, "3", 3, nullptr},        {3, "zz", 3, nullptr},
      {0, "ki", 3, "KI"},           // letters find a title without regard to case
      {0, "kil", 5, nullptr},       // "12 kilfenora"
      {0, "drowsy m", 2, nullptr},  // a space continues a title
      {5, "12", 5, nullptr},        // "12 kilfenora" is the first from the caret
      {5, "120", 4, nullptr},       // no "120" from here on: found from the top
      {5, "120\b", 2, "12"},        // Backspace searches backwards
      {5, "120\b\b\b", -1, ""},    {3, "kx\b", 1, nullptr},  // ... never reaching the header line
  };
  const Lines l = SampleLines();
  for (const Row& row : rows) {
    TypeAhead ta;
    int current = row.from;
    Type(ta, l, current, row.keys);
    if (row.selected >= 0) {
      EXPECT_EQ(current, row.selected) << row.from << " " << row.keys;
    }
    if (row.text != nullptr) {
      EXPECT_EQ(ta.Text(), row.text) << row.from << " " << row.keys;
    }
  }
  // A key that is taken says so.
  TypeAhead ta;
  int current = 0;
  EXPECT_TRUE(Type(ta, l, current, "12").consumed);
  EXPECT_EQ(Type(ta, l, current, "9").select, -1);
}

TEST(TypeAhead, SpaceOnlyContinuesAndOtherKeysEmptyTheText) {
  Lines l = SampleLines();
  TypeAhead ta;
  TypeAhead::Result r = ta.Key(TypeAhead::KeyKind::kCharacter, ' ', 0, l.Count(), l.Fn());
  EXPECT_FALSE(r.consumed);
  EXPECT_EQ(ta.Text(), "");
  int current = 0;
  Type(ta, l, current, "m");
  r = ta.Key(TypeAhead::KeyKind::kOther, 0, current, l.Count(), l.Fn());
  EXPECT_FALSE(r.consumed);
  EXPECT_EQ(ta.Text(), "");
  r = ta.Key(TypeAhead::KeyKind::kCharacter, '-', current, l.Count(), l.Fn());
  EXPECT_FALSE(r.consumed);
  Type(ta, l, current, "k");
  r = ta.Key(TypeAhead::KeyKind::kDelete, 0, current, l.Count(), l.Fn());
  EXPECT_TRUE(r.deleteSelection);
  EXPECT_EQ(ta.Text(), "");
}

TEST(DropTarget, SingleAndMultiColumnArithmetic) {
  DropGeometry g;
  g.lineHeight = 16;
  g.lineCount = 40;
  g.y = 50;
  g.topLine = 10;
  EXPECT_EQ(DropTargetLine(g), 13);
  g.y = 5000;
  EXPECT_EQ(DropTargetLine(g), 39);  // past the end: the last line
  g.multiColumn = true;
  g.topLine = 0;
  g.y = 20;
  g.x = 250;
  g.columnWidth = 100;
  g.clientHeight = 160;  // ten rows per column
  EXPECT_EQ(DropTargetLine(g), 21);
  g.lineHeight = 0;  // no division by zero
  EXPECT_GE(DropTargetLine(g), 0);
}

TEST(DropPlan, MoveWithinAListFollowsTheTargetTune) {
  // Lines 2, 3, 4 dropped on line 6: after removal the old tune 6 is tune 3.
  DropPlan p = PlanDrop({2, 3, 4}, 2, 6, true, true);
  EXPECT_FALSE(p.nothing);
  EXPECT_TRUE(p.removeSource);
  EXPECT_EQ(p.insertAfter, 3);
  // Dropping on the pressed line does nothing; on the header inserts at the start.
  EXPECT_TRUE(PlanDrop({2, 3, 4}, 3, 3, true, true).nothing);
  EXPECT_EQ(PlanDrop({4, 5}, 4, 0, true, true).insertAfter, 0);
  // Copy and moves to another list keep the target line.
  EXPECT_EQ(PlanDrop({2, 3, 4}, 2, 6, true, false).insertAfter, 6);
  EXPECT_FALSE(PlanDrop({2, 3, 4}, 2, 6, true, false).removeSource);
  EXPECT_EQ(PlanDrop({2, 3, 4}, 2, 6, false, true).insertAfter, 6);
  // The header line is no tune.
  EXPECT_TRUE(PlanDrop({0}, 0, 3, true, true).nothing);
  EXPECT_EQ(PlanDrop({0, 2}, 2, 5, true, true).tunes, std::vector<int>{2});
}

std::unique_ptr<TuneFile> Load(std::string_view text) {
  auto f = std::make_unique<TuneFile>();
  f->SplitTunes(text, true, 0, false);
  return f;
}

std::string Titles(const TuneFile& f) {
  std::string s;
  for (int i = 1; i <= static_cast<int>(f.TuneCount()); ++i) s += f.TuneAt(i)->titles[0];
  return s;
}

TEST(TuneTransfer, MoveKeepsTheTextAfterEachTune) {
  auto f = Load(
      "X:10\nT:A\nK:G\nabc\n\nabout A\nX:2\nT:B\nK:G\nB\n\nX:3\nT:C\nK:G\nC\n\n"
      "X:4\nT:D\nK:G\nD\n\nX:5\nT:E\nK:G\nE\n\nX:6\nT:F\nK:G\nF\n\n");
  const std::string before = f->WriteFile();
  DropPlan p = PlanDrop({1, 2}, 1, 4, true, true);
  auto moved = TakeTunes(*f, p.tunes);
  f->DeleteTunes(p.tunes);
  EXPECT_EQ(PutTunes(*f, p.insertAfter, moved), 2);
  EXPECT_EQ(Titles(*f), "CDABEF");
  EXPECT_EQ(f->TuneAt(3)->body, "abc\r\n");
  ASSERT_TRUE(f->TuneAt(3)->afterText.has_value());
  EXPECT_EQ(*f->TuneAt(3)->afterText, "\r\nabout A\r\n");
  // Moving them back gives the same file, byte for byte.
  p = PlanDrop({3, 4}, 3, 0, true, true);
  moved = TakeTunes(*f, p.tunes);
  f->DeleteTunes(p.tunes);
  PutTunes(*f, p.insertAfter, moved);
  EXPECT_EQ(f->WriteFile(), before);
}

TEST(TuneTransfer, CopyToAnotherFileConvertsCharacters) {
  auto src = Load("X:1\nT:Caf\xE9\nK:G\nabc\n\n");
  auto dst = Load("X:7\nT:Other\nK:D\nd\n\n");
  auto tunes = TakeTunes(*src, {1});
  int n = PutTunes(*dst, 1, tunes, [](std::string_view s) {
    std::string out(s);
    for (size_t k = out.find('\xE9'); k != std::string::npos; k = out.find('\xE9', k))
      out.replace(k, 1, "\xC3\xA9");
    return out;
  });
  EXPECT_EQ(n, 1);
  ASSERT_EQ(dst->TuneCount(), 2u);
  EXPECT_EQ(dst->TuneAt(2)->titles[0], "Caf\xC3\xA9");
  // A tune numbered 1 takes the number after the tune it follows.
  EXPECT_EQ(dst->TuneAt(2)->number, 8);
  EXPECT_EQ(src->TuneCount(), 1u);
}

TEST(ListTitles, SaveAsNameAndModifiedMarker) {
  EXPECT_EQ(SaveAsSuggestion("/home/me/reels.abc", "reels.abc *"), "/home/me/reels.abc");
  EXPECT_EQ(SaveAsSuggestion("", "Abc1 *"), "Abc1.abc");
  EXPECT_EQ(SaveAsSuggestion("", "Jigs: the best"), "Jigs.abc");
  EXPECT_EQ(SaveAsSuggestion("", "a/b"), "a.abc");
  EXPECT_EQ(SaveAsSuggestion("", "tab\there"), "tab.abc");
  EXPECT_EQ(SaveAsSuggestion("", "Caf\xC3\xA9"), "Caf\xC3\xA9.abc");

  EXPECT_EQ(TitleWithModified("reels.abc", true), "reels.abc *");
  EXPECT_EQ(TitleWithModified("reels.abc *", true), "reels.abc *");
  EXPECT_EQ(TitleWithModified("odd*", true), "odd*");
  EXPECT_EQ(TitleWithModified("reels.abc *", false), "reels.abc");
  EXPECT_EQ(TitleWithModified("odd*", false), "odd*");
}

TEST(ListTabStops, AutomaticStopsFollowTheWidestCellOfEachColumn) {
  TabStops tabs;
  tabs.Reset(0, 4);
  EXPECT_TRUE(tabs.Measure({10, 5}));
  EXPECT_TRUE(tabs.Measure({30, 7, 2}));  // a wider first cell and a third column
  EXPECT_FALSE(tabs.Measure({20, 6}));    // nothing wider
  // Every line's cells begin at the same stops, short ones and wide ones.
  EXPECT_EQ(tabs.Positions({10, 5}), (std::vector<int>{0, 34}));
  EXPECT_EQ(tabs.Positions({30, 7, 2}), (std::vector<int>{0, 34, 45}));
  EXPECT_EQ(tabs.Positions({1, 1, 1}), (std::vector<int>{0, 34, 45}));
  // The widest laid-out line: the three-cell one ends at 45 + 2, the two-cell one at 34 + 6.
  EXPECT_EQ(tabs.Width(), 47);
  EXPECT_FALSE(tabs.Measure({1, 30}));  // a wider last cell moves no stop
  EXPECT_EQ(tabs.Width(), 64);
  // A line not measured yet that is wider than a column pushes its own cells on.
  EXPECT_EQ(tabs.Positions({50, 1, 1}), (std::vector<int>{0, 54, 65}));
  // A line without tabs is one cell.
  EXPECT_EQ(tabs.Positions({12}), (std::vector<int>{0}));
  EXPECT_EQ(tabs.Positions({}), (std::vector<int>{}));
  tabs.Reset(0, 4);
  EXPECT_EQ(tabs.Width(), 0);
  EXPECT_FALSE(tabs.Measure({}));
}

TEST(ListTabStops, FixedStopsLieEveryTabWidth) {
  TabStops tabs;
  tabs.Reset(40, 4);
  // A cell begins at the first stop past the end of the text before it, even when
  // that text ends exactly on a stop.
  EXPECT_EQ(tabs.Positions({10, 5, 50, 3}), (std::vector<int>{0, 40, 80, 160}));
  EXPECT_EQ(tabs.Positions({40, 5}), (std::vector<int>{0, 80}));
  EXPECT_FALSE(tabs.Measure({10, 5, 50, 3}));
  EXPECT_FALSE(tabs.Measure({40, 5}));
  EXPECT_EQ(tabs.Width(), 163);
  // Negative settings and widths are harmless.
  tabs.Reset(-5, -1);
  EXPECT_EQ(tabs.Positions({-3, 2}), (std::vector<int>{0, 0}));
}

TEST(ListTitles, RemoveQuestionHonoursSettings) {
  EXPECT_EQ(RemoveQuestion(3, true, true), "Are you sure you want to remove these 3 tunes?");
  EXPECT_EQ(RemoveQuestion(3, true, false), "");
  EXPECT_EQ(RemoveQuestion(1, true, false), "Are you sure you want to remove this tune?");
  EXPECT_EQ(RemoveQuestion(1, false, true), "");
  EXPECT_EQ(RemoveQuestion(0, true, true), "");
}

}  // namespace
}  // namespace tunora
