// Match expressions: the grammar as compiled programs, and evaluation on tunes.
#include <gtest/gtest.h>

#include "search/MatchExpression.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

std::string Listing(std::string_view expression) {
  MatchProgram p;
  p.Compile(expression);
  return p.Listing() + (p.Valid() ? "" : p.ErrorText() + "\n");
}

TEST(MatchGrammar, PrecedenceAndPostfixOrder) {
  EXPECT_EQ(Listing("R=reel | T#lark & !X>10"),
            "= R \"reel\"\n# T \"lark\"\n> X \"10\"\nnot\nand\nor\n");
  EXPECT_EQ(Listing("(R=reel | R=jig) & C+$\"Trad \""),
            "= R \"reel\"\n= R \"jig\"\nor\n$ C+ \"Trad \"\nand\n");
  // Every operator spelling, bare words ending at an operator character.
  EXPECT_EQ(Listing("A==x&B!=y&D<>z&F<=1&G>=2&H<3&K>4"),
            "= A \"x\"\n<> B \"y\"\nand\n<> D \"z\"\nand\n<= F \"1\"\nand\n"
            ">= G \"2\"\nand\n< H \"3\"\nand\n> K \"4\"\nand\n");
  EXPECT_EQ(Listing(""), "");
}

TEST(MatchGrammar, PlaceholdersAndErrors) {
  MatchProgram p;
  EXPECT_TRUE(p.Compile("T#[Title word] & R=[Rhythm]"));
  EXPECT_EQ(p.Prompts(), (std::vector<std::string>{"Title word", "Rhythm"}));
  EXPECT_FALSE(p.Compile("T#[a]|T#[b]|T#[c]|T#[d]|T#[e]"));
  EXPECT_EQ(p.Error(), "more than four prompts");
  // The instructions before an error are kept and the place is told.
  EXPECT_EQ(Listing("R=reel & T#[open"), "= R \"reel\"\nerror at 12: missing ]\n");
  EXPECT_EQ(Listing("R=reel &"), "= R \"reel\"\nerror at 9: a comparison is missing\n");
  EXPECT_EQ(Listing("Y=1"), "error at 1: unknown field letter\n");
  EXPECT_EQ(Listing("R reel"), "error at 3: an operator is missing\n");
  EXPECT_EQ(Listing("(R=reel"), "= R \"reel\"\nerror at 8: missing )\n");
  EXPECT_EQ(Listing("R=\"reel"), "error at 3: missing closing \"\n");
  EXPECT_EQ(Listing("R=reel)"), "= R \"reel\"\nerror at 7: unexpected text\n");
  // Deep nesting is refused, not recursed into without end.
  EXPECT_FALSE(MatchProgram().Compile(std::string(5000, '(')));
}

class Evaluation : public ::testing::Test {
 protected:
  Evaluation() {
    file.SplitTunes("X:12\nT:The Lark\nT:Morning Star\nR:Reel\nC:Trad\nK:D\nabc|\nW:sing\n\n", true,
                    0, false);
  }
  bool Eval(std::string_view expression, size_t title = 0, std::vector<std::string> values = {}) {
    MatchProgram p;
    p.Compile(expression);
    p.SetPlaceholderValues(values);
    return p.Evaluate(*file.TuneAt(1), title);
  }
  TuneFile file;
};

TEST_F(Evaluation, CaseRules) {
  EXPECT_TRUE(Eval("R=reel"));
  EXPECT_FALSE(Eval("R+=reel"));
  EXPECT_TRUE(Eval("R+=Reel"));
  EXPECT_TRUE(Eval("C#RA"));
  EXPECT_FALSE(Eval("C+#RA"));
  EXPECT_TRUE(Eval("C$tr"));
  EXPECT_FALSE(Eval("C$rad"));
  EXPECT_TRUE(Eval("R>jig & R<strathspey & R>=REEL & R<=reel & R!=jig"));
  EXPECT_TRUE(Eval("t#ABC & W#SING & Z=\"\""));  // body, words, a missing field
}

TEST_F(Evaluation, NumbersTitlesAndPlaceholders) {
  EXPECT_TRUE(Eval("X=12 & X#12 & X$12 & X>9 & X<100 & X>=12 & X<=12 & X!=11"));
  EXPECT_FALSE(Eval("X=1"));
  EXPECT_FALSE(Eval("T#star", 0));
  EXPECT_TRUE(Eval("T#star", 1));
  EXPECT_TRUE(Eval("T#[Word] & !R=[Rhythm]", 0, {"lark", "jig"}));
  EXPECT_FALSE(Eval("T#[Word]", 0, {"star"}));
  EXPECT_TRUE(Eval(""));
  // A program cut short by an error still runs what it has.
  EXPECT_FALSE(Eval("R=reel & (C=x |"));
  EXPECT_TRUE(Eval("R=reel & (C=trad |"));
  EXPECT_FALSE(Eval("R=jig & T#"));
  MatchProgram p;
  p.Compile("T#star");
  size_t title = 9;
  EXPECT_TRUE(p.EvaluateAnyTitle(*file.TuneAt(1), &title));
  EXPECT_EQ(title, 1u);
}

TEST(CompareText, ReadsBackAsTheSameComparison) {
  EXPECT_EQ(CompareText('T', "#", false, "Lark in"), "T#\"Lark in\"");
  EXPECT_EQ(CompareText('R', "=", true, "reel"), "R+=\"reel\"");
  EXPECT_EQ(Listing(CompareText('T', "$", false, "a & b")), "$ T \"a & b\"\n");
}

}  // namespace
}  // namespace tunora
