#include <gtest/gtest.h>

#include <algorithm>

#include "draw/RecordingCanvas.h"

namespace tunora {
namespace {

using test::Drawing;
using test::FindStaves;
using test::Op;

std::vector<Op> Texts(const std::vector<Op>& ops) {
  std::vector<Op> out;
  for (const Op& o : ops)
    if (o.type == Op::kText) out.push_back(o);
  return out;
}

const Op* FindText(const std::vector<Op>& ops, const std::string& text) {
  for (const Op& o : ops)
    if (o.type == Op::kText && o.text == text) return &o;
  return nullptr;
}

HeaderBlock Block(const std::string& fields, int align) {
  HeaderBlock b;
  b.fields = fields;
  b.align = b.adjust = align;
  return b;
}

TEST(HeaderBlocks, TitleLetters) {
  const std::string tune = "X:1\r\nT:One\r\nT:Two\r\nT:Three\r\nK:C\r\nCDEF|\r\n";
  for (auto [fields, lines] : {std::pair{"T", 3}, {"T1", 1}, {"Tx", 2}}) {
    Drawing d;
    d.format.headers = {Block(fields, kAlignCenter)};
    ASSERT_TRUE(d.Draw(tune));
    EXPECT_EQ(static_cast<int>(Texts(d.canvas.ops).size()), lines) << fields;
  }
}

TEST(HeaderBlocks, ColumnsSideBySideAndFreshline) {
  Drawing d;
  HeaderBlock fresh = Block("O", kAlignLeft);
  fresh.freshline = true;
  d.format.headers = {Block("C", kAlignRight), Block("R", kAlignLeft), fresh};
  ASSERT_TRUE(d.Draw("X:1\r\nT:t\r\nC:Composer\r\nR:reel\r\nO:Ireland\r\nK:C\r\nCDEF|\r\n"));
  const Op* c = FindText(d.canvas.ops, "Composer");
  const Op* r = FindText(d.canvas.ops, "reel");
  const Op* o = FindText(d.canvas.ops, "Ireland");
  ASSERT_TRUE(c && r && o);
  EXPECT_EQ(c->y, r->y);  // side by side
  const int32_t w = 8 * (10 * 2540 / 72) / 2;
  EXPECT_EQ(c->x + w, 20000);  // right-aligned at the right margin
  EXPECT_EQ(r->x, 1000);
  EXPECT_LT(o->y, r->y);  // fresh line below both
  // Without freshline the left column goes on below "reel" all the same.
  EXPECT_EQ(o->x, 1000);
}

TEST(HeaderBlocks, StartEndMergeAndMaxLines) {
  Drawing d;
  HeaderBlock a = Block("A", kAlignLeft);
  a.merge = true;
  HeaderBlock n = Block("N", kAlignLeft);
  n.start = "<";
  n.end = ">";
  n.maxLines = 2;
  HeaderBlock after = Block("H", kAlignLeft);
  after.after = true;
  d.format.headers = {a, n, after};
  ASSERT_TRUE(
      d.Draw("X:1\r\nT:t\r\nA:Area\r\nN:one\r\nN:two\r\nN:three\r\nH:story\r\nK:C\r\nC|\r\n"));
  EXPECT_NE(FindText(d.canvas.ops, "Area <one"), nullptr);
  EXPECT_NE(FindText(d.canvas.ops, "two"), nullptr);
  EXPECT_EQ(FindText(d.canvas.ops, "three>"), nullptr);  // past maxlines
  const Op* story = FindText(d.canvas.ops, "story");
  ASSERT_NE(story, nullptr);
  EXPECT_LT(story->y, FindStaves(d.canvas.ops).back().bottom);  // after the music
}

TEST(HeaderBlocks, CapitalisedKeepsStartEndAndOtherBytes) {
  Drawing d;
  HeaderBlock t = Block("T1", kAlignCenter);
  t.capitalised = true;
  t.start = "by ";
  d.format.headers = {t, Block("C", kAlignLeft)};
  ASSERT_TRUE(d.Draw("X:1\r\nT:Sl\xC3\xa1n abhaile\r\nC:Composer\r\nK:C\r\nCDEF|\r\n"));
  EXPECT_NE(FindText(d.canvas.ops, "by SL\xC3\xa1N ABHAILE"), nullptr);
  EXPECT_NE(FindText(d.canvas.ops, "Composer"), nullptr);  // other blocks as they are
}

TEST(Pages, PageNumberBottomRightFromFirstNumber) {
  Drawing d;
  d.format.pageNumbers = true;
  d.format.pageNumberBottom = true;
  d.format.pageNumberAlign = kAlignRight;
  d.format.firstPageNumber = 5;
  ASSERT_TRUE(d.Draw("X:1\r\nT:t\r\nK:C\r\nCDEF|\r\n"));
  const Op* n = FindText(d.canvas.ops, "5");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->x + (10 * 2540 / 72) / 2, 20000);
  EXPECT_EQ(n->y, -29700 + (10 * 2540 / 72) * 2 / 10);
}

std::string ManyTunes(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += "X:" + std::to_string(i) + "\r\nT:Tune " + std::to_string(i) +
            "\r\nM:4/4\r\nL:1/8\r\nK:G\r\n";
    for (int b = 0; b < 12; ++b) text += "abcd efga|";
    text += "\r\n\r\n";
  }
  return text;
}

TEST(Pages, NewPagesKeepStavesAboveTheBottomMargin) {
  Drawing d;
  d.format.pageNumbers = true;
  d.format.pageHeader = "%T";
  ASSERT_TRUE(d.Draw(ManyTunes(12)));
  EXPECT_GE(d.canvas.page, 3);
  for (const test::Staff& s : FindStaves(d.canvas.ops)) {
    EXPECT_GE(s.bottom, -29700 + 1000);
    EXPECT_LE(s.bottom + 4 * 210, -1000);
  }
  // Every page has its number and the title of its first tune.
  for (int p = 1; p <= d.canvas.page; ++p) {
    bool number = false, header = false;
    for (const Op& o : d.canvas.ops) {
      if (o.type != Op::kText || o.page != p) continue;
      if (o.text == std::to_string(p)) number = true;
      if (o.text.rfind("Tune ", 0) == 0 && o.y > -1000) header = true;
    }
    EXPECT_TRUE(number) << "page " << p;
    EXPECT_TRUE(header) << "page " << p;
  }
  EXPECT_NE(FindText(d.canvas.ops, "Tune 1"), nullptr);
}

TEST(Pages, OnePerPageAndHeaderBlockThatDoesNotFit) {
  Drawing d;
  d.format.onePerPage = true;
  d.format.pageHeader = "%T";
  ASSERT_TRUE(d.Draw("X:1\r\nT:First\r\nK:C\r\nC|\r\n\r\nX:2\r\nT:Second\r\nK:C\r\nD|\r\n"));
  EXPECT_EQ(d.canvas.page, 2);
  const Op* first = FindText(d.canvas.ops, "First");
  const Op* second = FindText(d.canvas.ops, "Second");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->page, 1);
  EXPECT_EQ(second->page, 2);

  Drawing n;
  n.format.pageNumbers = true;
  HeaderBlock notes = Block("N", kAlignLeft);
  notes.after = true;
  n.format.headers = {notes};
  std::string tune = "X:1\r\nT:t\r\nK:C\r\nC|\r\n";
  for (int i = 0; i < 120; ++i)
    tune.insert(tune.find("K:"), "N:note " + std::to_string(i) + "\r\n");
  ASSERT_TRUE(n.Draw(tune));
  EXPECT_EQ(n.canvas.page, 2);
  const Op* last = FindText(n.canvas.ops, "note 119");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->page, 2);
  EXPECT_NE(FindText(n.canvas.ops, "2"), nullptr);  // the new page has its number
}

TEST(Pages, RefusedNewPageStopsTheDrawing) {
  Drawing d;
  d.canvas.refuseNewPage = true;
  EXPECT_FALSE(d.Draw(ManyTunes(12)));
}

TEST(Pages, StaffSizeScalesTheMeasures) {
  Drawing d;
  d.format.staffSize = 50;
  ASSERT_TRUE(d.Draw("X:1\r\nT:t\r\nK:C\r\nCDEF|\r\n"));
  EXPECT_EQ(FindStaves(d.canvas.ops, 105).size(), 1u);
  for (const Op& o : d.canvas.ops) {
    if (o.type == Op::kChar && o.font.symbol) {
      EXPECT_EQ(o.font.height, 12 * 2540 / 72);
    }
  }
}

}  // namespace
}  // namespace tunora
