// The tune rewriter's ABC tools, one behaviour per case: a small body and its
// reviewed output.
#include <gtest/gtest.h>

#include "tools/NoteWriter.h"
#include "tools/ToolsTestSupport.h"

namespace tunora {
namespace {

using test::RewriteBody;

std::string Tidy(const std::string& body, RewriteOptions o, const std::string& key = "C") {
  return RewriteBody(body, o, key).body;
}

TEST(Rewriter, WithoutOptionsTheBodyComesBackAsWritten) {
  const std::string body =
      "|:\"G\"d2 (3BcB {ga}A>B ^c=c_B|[CEG]2 !trill!e'2 z2 x y|1 G,4-G,4:|2 g'8 |]\r\n"
      "%%MIDI program 1\r\nK:Dmix clef=bass\r\nU:T = !trill!\r\n\\ backslash line\r\n"
      "A B/ C3/2 [K:G] D/4 ~E .F H|\r\n";
  EXPECT_EQ(Tidy(body, {}), body);
  // Lengths, ties and broken rhythm after a chord's bracket, +word+ decorations,
  // overlays, backquotes, slashed graces, rests of several bars and the lines of
  // fields that tell about the tune.
  const std::string newer =
      "N:first line\r\n[CEG]2 [ce]/ [ce]3/2 [ce]>d [C2E2]2- +CE+2 | +fine+ A & B`c {/g}a |"
      " Z4 | X2 |\r\nN: Norge\r\nH:history\r\nAB|";
  EXPECT_EQ(Tidy(newer, {}), newer);
  // U: and u: fields stay exactly as written, also with options on.
  RewriteOptions o;
  o.addBreaks = true;
  o.addBarSpaces = true;
  EXPECT_EQ(Tidy("U: T = !trill!\r\nA|B [u: S = !slide!] c\r\nu:  X = z\r\nd", o),
            "U: T = !trill!\r\nA | B [u: S = !slide!] c!\r\nu:  X = z\r\nd");
}

TEST(Rewriter, BarSpaces) {
  RewriteOptions remove;
  remove.removeBarSpaces = true;
  EXPECT_EQ(Tidy("A | B  |1 c :| 2 d || e |]", remove), "A|B|1c:|2d||e|]");
  EXPECT_EQ(Tidy("A | | B :| |: c", remove), "A| |B:| |:c");  // no "||" made of two
  RewriteOptions add;
  add.addBarSpaces = true;
  // Adding is idempotent: blanks already there are not doubled; none goes before
  // an ending number or after "[".
  EXPECT_EQ(Tidy("A|B |1c:|2d|]\r\nA|[1B:|[2c|]", add),
            "A | B |1 c :|2 d |]\r\nA | [1 B :| [2 c |]");
  EXPECT_EQ(Tidy("A | B |1 c :|2 d |]", add), "A | B |1 c :|2 d |]");
  // "| 1" loses its blank; "|" and a line end before the number keep the line end.
  EXPECT_EQ(Tidy("A| 1 B:|\r\n2 c|]", {}), "A|1 B:|\r\n2 c|]");
}

TEST(Rewriter, LineMarks) {
  RewriteOptions breaks;
  breaks.addBreaks = true;
  // Once per line end; a "!" already there stays; lines of fields and comments and
  // the body's last line get none.
  EXPECT_EQ(Tidy("AB|\r\ncd!\r\n% note\r\nK:G\r\nef|\r\ngg", breaks),
            "AB|!\r\ncd!\r\n% note\r\nK:G\r\nef|!\r\ngg");
  EXPECT_EQ(Tidy("AB|\r\nN:text\r\ncd|\r\nef", breaks), "AB|!\r\nN:text\r\ncd|!\r\nef");
  breaks.removeBreaks = true;
  EXPECT_EQ(Tidy("AB!\r\ncd\r\nef", breaks), "AB!\r\ncd!\r\nef");
  RewriteOptions joins;
  joins.addContinuations = true;
  joins.removeBreaks = true;
  EXPECT_EQ(Tidy("AB!\r\ncd\\\r\nef|\r\ng", joins), "AB\\\r\ncd\\\r\nef|\\\r\ng");
  RewriteOptions removeJoins;
  removeJoins.removeContinuations = true;
  EXPECT_EQ(Tidy("AB\\\r\ncd \\\r\nef", removeJoins), "AB\r\ncd \r\nef");
}

TEST(Rewriter, RemovingCommentsChordsAndGraces) {
  RewriteOptions o;
  o.removeComments = true;
  // A line that only held a comment goes with its line end: an empty line would
  // end the tune. Directives stay.
  EXPECT_EQ(Tidy("AB % one\r\n% two\r\n%%MIDI program 2\r\ncd", o), "AB\r\n%%MIDI program 2\r\ncd");
  // A continuation that joined such a line goes with it, or it would join the K:
  // line after it; a blank-only line is dropped the same way.
  EXPECT_EQ(Tidy("AB \\\r\n% two\r\nK:G\r\ncd", o), "AB \r\nK:G\r\ncd");
  EXPECT_EQ(Tidy("AB \\ \r\n   \r\nK:G\r\ncd", {}), "AB \r\nK:G\r\ncd");
  EXPECT_EQ(Tidy("AB \\\r\n% two\r\ncd \\\r\nef", o), "AB \r\ncd \\\r\nef");
  o = {};
  o.removeChords = true;
  // Annotations placed with ^ _ < > @ are no chords and stay.
  EXPECT_EQ(Tidy("\"G\"AB \"^fine\"c \"Xyz\"d \"_below\"e", o), "AB \"^fine\"c d \"_below\"e");
  // +fine+ is a decoration, no chord.
  EXPECT_EQ(Tidy("\"D\"A +fine+B|", o), "A +fine+B|");
  o = {};
  o.removeGraces = true;
  // Grace groups go with their notes; ornaments (~, user symbols, staccato) too.
  EXPECT_EQ(Tidy("{ga}A ~B .c Td {/e}f !trill!g", o), "A B c d f !trill!g");
  // Z and X are rests, no ornaments.
  EXPECT_EQ(Tidy("A2 Z3|X|", o), "A2 Z3|X|");
}

TEST(Rewriter, DefaultLengthChange) {
  RewriteOptions o;
  o.newUnitLength = "1/16";
  RewriteResult r = RewriteBody("A B/ C3/2 D// E2 (3F/G/A/ z3|", o);
  EXPECT_EQ(r.body, "A2 B C3 D/ E4 (3FGA z6|");
  ASSERT_TRUE(r.unitLengthText);
  EXPECT_EQ(*r.unitLengthText, "1/16");
  // A chord's bracket length takes the change for all its notes; without one the
  // notes change. Rests of several bars count bars, not units.
  EXPECT_EQ(RewriteBody("[CE]2 [ce]/ [C2E2]2 [C/E]3/2 [ce]>d Z4|", o).body,
            "[CE]4 [ce] [C2E2]4 [C/E]3 [c2e2]>d2 Z4|");
  // A ratio that is no whole number is kept exact with fractions.
  o.newUnitLength = "3/16";
  EXPECT_EQ(RewriteBody("A B3 C6 D/", o).body, "A2/3 B2 C4 D/3");
  // After an L: of the body the notes follow that unit, which is kept.
  o.newUnitLength = "1/4";
  EXPECT_EQ(RewriteBody("A2 B|[L:1/16]c4 d|\r\nL:1/2\r\ne", o).body,
            "A B/|[L:1/16]c4 d|\r\nL:1/2\r\ne");
  // The whole tune changes even when only a part is chosen: L: is the tune's.
  o.wholeBody = false;
  o.rangeStart = 3;
  o.rangeEnd = 4;
  EXPECT_EQ(RewriteBody("A2 B2", o).body, "A B");
  for (const char* bad : {"1/0", "x", "1/1024", "0/8", "1/8/2"}) {
    o.newUnitLength = bad;
    EXPECT_FALSE(RewriteBody("A", o).ok) << bad;
  }
}

TEST(Rewriter, WrapsLongLinesAtBlanksAndBarLines) {
  RewriteOptions o;
  o.wrapColumn = 20;
  EXPECT_EQ(Tidy("abc def gab c2 d2 | e2 f2 g2 a2 | b4 c4 | d4 e4 |] % end\r\nT:a long title line "
                 "stays whole\r\nABC",
                 o),
            "abc def gab c2 d2 |\r\ne2 f2 g2 a2 | b4\r\nc4 | d4 e4 |] % end\r\nT:a long title "
            "line stays whole\r\nABC");
  // A line of just the column's width stays whole.
  o.wrapColumn = 8;
  EXPECT_EQ(Tidy("abcd efg\r\nabcd efga", o), "abcd efg\r\nabcd\r\nefga");
  // Never inside a token or a chord; with continuations the breaks carry the mark.
  o.addContinuations = true;
  EXPECT_EQ(Tidy("[CEG] [DFA]|abcdefgabc d|e", o), "[CEG]\\\r\n[DFA]|\\\r\nabcdefgabc\\\r\nd|e");
}

TEST(Rewriter, OnlyTheRangeChanges) {
  RewriteOptions o;
  o.removeBarSpaces = true;
  o.removeChords = true;
  o.wholeBody = false;
  const std::string body = "\"G\"A | B | \"D\"c | d";
  o.rangeStart = body.find('B');
  o.rangeEnd = body.find('c') + 1;
  EXPECT_EQ(Tidy(body, o), "\"G\"A | B|c | d");
}

TEST(Rewriter, TextTheReaderRejectsIsCopiedThrough) {
  // An unclosed quote, a bad accidental, a stray character: copied, not lost.
  EXPECT_EQ(Tidy("A \"Am B\r\n^=C & D", {}), "A \"Am B\r\n^=C & D");
  RewriteOptions o;
  o.removeBarSpaces = true;
  EXPECT_EQ(Tidy("A \"Am | B\r\n", o), "A \"Am|B\r\n");
}

TEST(NoteWriter, LengthTexts) {
  EXPECT_EQ(LengthText(1, 1), "");
  EXPECT_EQ(LengthText(4, 2), "2");
  EXPECT_EQ(LengthText(2, 4), "/");
  EXPECT_EQ(LengthText(1, 4), "/4");
  EXPECT_EQ(LengthText(9, 6), "3/2");
  EXPECT_EQ(LengthText(0, 4), "");
}

// Notes spelled in a key: plain where the key gives the pitch, explicit where it
// does not, and where the bar's earlier accidental would change it.
TEST(NoteWriter, SpellsInTheKey) {
  auto spell = [](const char* keyText, std::initializer_list<int> pitches) {
    KeyInfo key;
    ParseKey(keyText, key);
    NoteSpeller s;
    s.SetKey(key);
    std::string out;
    for (int p : pitches) {
      out += out.empty() ? "" : " ";
      s.Write(out, p, -1, false);
    }
    return out;
  };
  EXPECT_EQ(spell("D", {62, 66, 65, 66, 73, 84, 47}), "D F =F ^F c =c' B,,");
  // The key's own names: B natural in B flat major is C flat.
  EXPECT_EQ(spell("Bb", {70, 71, 63, 64, 58}), "B _c E =E B,");
  // B sharp (C) and F double sharp (G) in C sharp major.
  EXPECT_EQ(spell("C#", {61, 60, 67, 65}), "C B, ^^F E");
  // C flat sounds 59; C natural is D double flat.
  EXPECT_EQ(spell("Cb", {59, 71, 60}), "C c __D");
  EXPECT_EQ(spell("Gm", {70, 69, 68, 127, 0}), "B A _A g'''' C,,,,,");
  // A written accidental is kept on the letter it was written on.
  KeyInfo g;
  ParseKey("G", g);
  NoteSpeller s;
  s.SetKey(g);
  std::string out;
  s.Write(out, 66, 5, true);  // ^F in G stays explicit
  s.Write(out, 64, 5, true);  // _F (F flat) stays on F
  s.Write(out, 65, 5, true);  // =F
  s.Write(out, 73, 0, true);  // ^c
  s.Write(out, 74, 0, true);  // ^^c
  EXPECT_EQ(out, "^F_F=F^c^^c");
}

}  // namespace
}  // namespace tunora
