// Transposition: the K: field, notes and chord symbols, and the Transpose page's
// coupling of "by" and "to key".
#include <gtest/gtest.h>

#include "tools/ToolsTestSupport.h"
#include "tools/Transpose.h"

namespace tunora {
namespace {

RewriteResult Moved(const std::string& body, int shift, const std::string& key = "C") {
  RewriteOptions o;
  o.mode = RewriteOptions::kTranspose;
  o.shift = shift;
  return test::RewriteBody(body, o, key);
}

TEST(Transpose, KeyField) {
  EXPECT_EQ(TransposeKeyText("D", 2), "E");
  EXPECT_EQ(TransposeKeyText("C", 1), "Db");  // named from C's own chromatic names
  EXPECT_EQ(TransposeKeyText("C", 6), "F#");
  EXPECT_EQ(TransposeKeyText("Am", 3), "Cm");
  EXPECT_EQ(TransposeKeyText("A minor", -2), "Gmin");
  EXPECT_EQ(TransposeKeyText("Edor", 14), "F#dor");
  EXPECT_EQ(TransposeKeyText("HP", 2), "Bmix");
  // Words after the mode stay; the key's own accidentals move with it.
  EXPECT_EQ(TransposeKeyText("G clef=bass", 5), "C clef=bass");
  EXPECT_EQ(TransposeKeyText("Dmix ^g clef=treble-8 % comment", -2),
            "Cmix ^f clef=treble-8 % comment");
  EXPECT_EQ(TransposeKeyText("A =c _B", 2), "B =d =c");  // B flat in A is C natural in B
  EXPECT_EQ(TransposeKeyText("D =c", -2), "C _b");
  EXPECT_EQ(TransposeKeyText("D =c", -146), "C _b");  // twelve octaves down
  // A tonic that would need more than seven accidentals is named the other way.
  EXPECT_EQ(TransposeKeyText("F#", 6), "C");
  EXPECT_EQ(TransposeKeyText("Db", -9), "E");
  EXPECT_EQ(TransposeKeyText("B", 2), "C#");  // seven are still written
  // No key: kept.
  EXPECT_EQ(TransposeKeyText("none", 3), "none");
}

TEST(Transpose, NotesAreSpelledInTheNewKey) {
  // Up 2 turns K:D into K:E; F sharp without accidental in D is G sharp without
  // accidental in E. Written accidentals stay explicit on the moved letter.
  RewriteResult r = Moved("DFAd ^c=F_E f'|", 2, "D");
  ASSERT_TRUE(r.keyText);
  EXPECT_EQ(*r.keyText, "E");
  EXPECT_EQ(r.body, "EGBe ^d=G=F g'|");
  // An accidental carried through the bar is not repeated, and a plain note that
  // the moved accidentals would change gets its own.
  // C up 1 is D flat: F sharp is G natural there, E flat is F flat.
  EXPECT_EQ(Moved("^FGF =F|_EE c", 1).body, "=GAG _G|_FF d");
  // Down 1 with 1 octave: 13 semitones.
  EXPECT_EQ(TransposeShift(1, 1, false), -13);
  EXPECT_EQ(Moved("cdef", -13).body, "B,CDE");  // in B major
  // A note that becomes E at a line start keeps a ":" after it from reading as E:.
  EXPECT_EQ(Moved("A|\r\ne::|", -12).body, "A,|\r\nE ::|");
  EXPECT_EQ(Moved("[A:|", -5).body, "[E :|");
  // A chord written with "+" stays so.
  EXPECT_EQ(Moved("+CE+|", 2).body, "+DF+|");
  // A chord's notes move; what follows its bracket stays. A slashed grace stays so.
  EXPECT_EQ(Moved("[CEG]2 [ce]3/2>d +CE+2- +CE+ {/g}a", 2).body,
            "[DFA]2 [df]3/2>e +DF+2- +DF+ {/a}b");
  // After & the bar's accidentals no longer hold, for the reader and the writer.
  EXPECT_EQ(Moved("^c2 & c2|", 2).body, "^d2 & d2|");
  // Any note letter that lands alone at a line start before a colon stays a note.
  EXPECT_EQ(Moved("A|\r\nd: x|", -7).body, "D|\r\nG : x|");
  // Out of range at the top or bottom: whole octaves back in.
  EXPECT_EQ(TransposePitch(120, 10), 118);
  EXPECT_EQ(TransposePitch(5, -10), 7);
  EXPECT_EQ(Moved("g''''c,,,,", 5).body, "c''''F,,,");
}

TEST(Transpose, InformationLinesStayAsWritten) {
  EXPECT_EQ(Moved("N:Norge\r\nCDE|\r\nZ: abc B\r\nF|", 2).body,
            "N:Norge\r\nDEF|\r\nZ: abc B\r\nG|");
}

TEST(Transpose, ChordSymbols) {
  // A minor with bass E up 3 in C: C minor with bass G.
  EXPECT_EQ(Moved("\"Am/E\"A \"(G7)\"B \"/F#\"c \"d\"d \"Fine\"e \"^Gm\"f", 3).body,
            "\"Cm/G\"c \"(Bb7)\"d \"/A\"e \"f\"f \"Fine\"g \"^Gm\"a");
}

TEST(Transpose, OnlyTheRangeMoves) {
  RewriteOptions o;
  o.mode = RewriteOptions::kTranspose;
  o.shift = 2;
  o.wholeBody = false;
  const std::string body = "CDE|\"C\"FGA|Bcd";
  o.rangeStart = body.find('F') - 3;
  o.rangeEnd = body.find('A') + 1;
  RewriteResult r = test::RewriteBody(body, o);
  EXPECT_FALSE(r.keyText);  // the tune's key stays
  EXPECT_EQ(r.body, "CDE|\"D\"GAB|Bcd");
  // A note after the range keeps its pitch when the range wrote an accidental on
  // its letter.
  const std::string bar = "C F G";
  o.rangeStart = 0;
  o.rangeEnd = 1;
  o.shift = 6;
  EXPECT_EQ(test::RewriteBody(bar, o).body, "^F =F G");
}

TEST(Transpose, PageCoupling) {
  // Choosing Bb for a tune in C: "by" 10 up, 2 down.
  EXPECT_EQ(ByForTonic("C", "Bb", true), 10);
  EXPECT_EQ(ByForTonic("C", "Bb", false), 2);
  EXPECT_EQ(ByForTonic("Ador", "F ", true), 8);
  EXPECT_EQ(ByForTonic("C", "x", true), -1);
  // Changing "by" shows the tonic, with a trailing blank when natural.
  EXPECT_EQ(KeyListTonic("D", 2, true), "E ");
  EXPECT_EQ(KeyListTonic("D", 1, false), "C#");
  EXPECT_EQ(KeyListTonic("F", 1, true), "Gb");
  EXPECT_EQ(KeyModeText("Ador clef=bass"), "dor clef=bass");
  EXPECT_EQ(KeyModeText("F#m"), "m");
}

}  // namespace
}  // namespace tunora
