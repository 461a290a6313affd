#include <gtest/gtest.h>

#include "app/ReplaceState.h"

namespace tunora {
namespace {

// An edit field in memory.
class FakeField : public ReplaceTarget {
 public:
  explicit FakeField(std::u16string t) : text(std::move(t)) {}
  std::u16string Text() const override { return text; }
  void Selection(int& s, int& e) const override {
    s = start;
    e = end;
  }
  void Select(int s, int e) override {
    start = s;
    end = e;
  }
  void ReplaceSelection(const std::u16string& with) override {
    text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), with);
    start = end = start + static_cast<int>(with.size());
  }
  std::u16string text;
  int start = 0;
  int end = 0;
};

TEST(FindText, ExactAndIgnoringCase) {
  EXPECT_EQ(FindText(u"Kesh kesh", 0, u"kesh", false), 5u);
  EXPECT_EQ(FindText(u"Kesh kesh", 0, u"kesh", true), 0u);
  EXPECT_EQ(FindText(u"Kesh kesh", 1, u"KESH", true), 5u);
  EXPECT_EQ(FindText(u"\u00C9T\u00C9 \u0141\u00F3d\u017A", 0, u"\u00E9t\u00E9", true), 0u);
  EXPECT_EQ(FindText(u"\u0141\u00D3D\u0179", 0, u"\u0142\u00F3d\u017A", true), 0u);
  EXPECT_EQ(FindText(u"\u041C\u0410\u0428\u0410", 0, u"\u043C\u0430\u0448\u0430", true), 0u);
  EXPECT_FALSE(FindText(u"abc", 0, u"", false).has_value());  // empty text finds nothing
  EXPECT_FALSE(FindText(u"abc", 5, u"a", false).has_value());
  EXPECT_FALSE(FindText(u"ab", 1, u"bc", true).has_value());
}

TEST(ReplaceState, ReplaceAllStartsEachSearchAfterTheInsertedText) {
  FakeField f(u"a-a-a");
  ReplaceState r;
  r.findText = u"a";
  r.replaceText = u"ab";
  EXPECT_FALSE(r.Prepare(f));
  r.Begin(f);
  ASSERT_TRUE(r.Next(f));
  EXPECT_EQ(f.start, 0);
  EXPECT_EQ(f.end, 1);
  EXPECT_EQ(r.ReplaceAll(f), 3);
  EXPECT_EQ(f.text, u"ab-ab-ab");
  EXPECT_FALSE(r.Running());
}

TEST(ReplaceState, SelectionOnlyLeavesTextAfterTheSelection) {
  FakeField f(u"x one\nx two\nx three");
  f.start = 6;  // the second line
  f.end = 11;
  ReplaceState r;
  r.findText = u"x";
  r.replaceText = u"yy";  // longer: the remembered end moves with the text
  ASSERT_TRUE(r.Prepare(f));
  r.selectionOnly = true;
  r.Begin(f);
  EXPECT_EQ(f.start, 6);
  EXPECT_EQ(f.end, 6);
  ASSERT_TRUE(r.Next(f));
  EXPECT_EQ(f.start, 6);
  EXPECT_EQ(r.ReplaceAll(f), 1);
  EXPECT_EQ(f.text, u"x one\nyy two\nx three");
}

// Replace All covers the whole field wherever the caret is, and a selection that
// shrinks as text is taken out of it.
TEST(ReplaceState, ReplaceAllCoversTheFieldOrTheSelectionWhereverTheCaretIs) {
  FakeField f(u"abc abc abc");
  f.Select(11, 11);
  ReplaceState r;
  r.findText = u"abc";
  r.replaceText = u"d";
  r.Prepare(f);
  r.Begin(f);
  EXPECT_EQ(r.ReplaceAll(f), 3);
  EXPECT_EQ(f.text, u"d d d");

  FakeField g(u"xx xx xx");
  g.Select(0, 5);
  r.findText = u"xx";
  r.replaceText = u"";
  ASSERT_TRUE(r.Prepare(g));
  r.selectionOnly = true;
  r.Begin(g);
  g.Select(5, 5);
  EXPECT_EQ(r.ReplaceAll(g), 2);
  EXPECT_EQ(g.text, u"  xx");
}

TEST(ReplaceState, NextStepsAndQuitRestoresTheSelection) {
  FakeField f(u"aXbXcX");
  f.start = 0;
  f.end = 4;
  ReplaceState r;
  r.findText = u"x";
  r.ignoreCase = true;
  r.replaceText = u"-";
  r.Prepare(f);
  r.selectionOnly = true;
  r.Begin(f);
  ASSERT_TRUE(r.Next(f));
  EXPECT_EQ(f.start, 1);
  ASSERT_TRUE(r.Next(f));  // skipped, not replaced
  EXPECT_EQ(f.start, 3);
  r.Quit(f);
  EXPECT_FALSE(r.Running());
  EXPECT_EQ(f.start, 0);
  EXPECT_EQ(f.end, 4);
  EXPECT_EQ(f.text, u"aXbXcX");
  // The remembered texts stay for the next use.
  EXPECT_EQ(r.findText, u"x");
}

TEST(ReplaceState, ReplaceTouchesOnlyAnOccurrence) {
  FakeField f(u"cat and cat");
  ReplaceState r;
  r.findText = u"CAT";
  r.ignoreCase = true;
  r.replaceText = u"dog";
  r.Prepare(f);
  r.Begin(f);
  ASSERT_TRUE(r.Next(f));
  f.Select(4, 4);  // the user clicks into the field between two steps
  ASSERT_TRUE(r.Replace(f));
  EXPECT_EQ(f.text, u"cat and cat");  // nothing typed in at the caret
  EXPECT_EQ(f.start, 8);
  EXPECT_FALSE(r.Replace(f));
  EXPECT_EQ(f.text, u"cat and dog");
}

TEST(ReplaceState, WholeFieldRunEndsWhenNothingIsLeft) {
  FakeField f(u"abc");
  ReplaceState r;
  r.findText = u"z";
  r.Prepare(f);
  r.selectionOnly = true;  // ignored without a selection
  r.Begin(f);
  EXPECT_FALSE(r.selectionOnly);
  EXPECT_FALSE(r.Next(f));
  EXPECT_FALSE(r.Running());
  EXPECT_EQ(r.ReplaceAll(f), 0);
  // An empty find text ends at once instead of looping.
  r.findText.clear();
  r.Begin(f);
  EXPECT_FALSE(r.Next(f));
}

}  // namespace
}  // namespace tunora
