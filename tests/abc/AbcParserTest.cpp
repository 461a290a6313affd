// The tune body read token by token: notes, lengths, tuplets, chords, graces, bars,
// fields in the body, decorations, user symbols and the pickup.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "abc/AbcParser.h"

namespace tunora {
namespace {

struct Tok {
  TokenKind kind;
  size_t start;
  size_t end;
  NoteInfo note;
  std::string text;
  uint8_t value;
  bool warn;
  int line;
};

struct Options {
  std::string key = "C";
  std::string meter = "4/4";
  std::string unit = "1/8";
  bool decode = true;
  bool pickup = false;
};

// Reads body to the end (with a guard against a reader that would not get there).
std::vector<Tok> ReadAll(AbcParser& r, const std::string& body) {
  std::vector<Tok> out;
  size_t pos = 0;
  bool first = true;
  for (int guard = 0; guard < 100000; ++guard) {
    size_t start = pos;
    TokenKind k = r.NextToken(pos, first);
    first = false;
    out.push_back({k, start, pos, r.note, std::string(r.TokenText()), r.TokenValue(),
                   r.SyntaxWarning(), r.LineNumber()});
    if (k == TK_END) return out;
  }
  ADD_FAILURE() << "no TK_END for " << body;
  return out;
}

std::vector<Tok> Read(const std::string& body, const Options& o = {}) {
  AbcParser r;
  r.Init(o.key, o.meter, o.unit, o.pickup ? std::optional<std::string_view>(body) : std::nullopt,
         "", o.decode);
  r.SetText(body);
  return ReadAll(r, body);
}

std::vector<Tok> Notes(const std::vector<Tok>& toks) {
  std::vector<Tok> notes;
  for (const Tok& t : toks)
    if (t.kind == TK_NOTE) notes.push_back(t);
  return notes;
}

std::vector<int> Pitches(const std::string& body, const Options& o = {}) {
  std::vector<int> p;
  for (const Tok& t : Notes(Read(body, o))) p.push_back(t.note.pitch);
  return p;
}

std::vector<unsigned> Lengths(const std::string& body, const Options& o = {}) {
  std::vector<unsigned> l;
  for (const Tok& t : Notes(Read(body, o))) l.push_back(t.note.length);
  return l;
}

std::vector<int> Kinds(const std::string& body, const Options& o = {}) {
  std::vector<int> k;
  for (const Tok& t : Read(body, o)) k.push_back(t.kind);
  return k;
}

// ----------------------------------------------------------------- notes and accidentals

TEST(NoteTest, LettersAndOctaveMarks) {
  EXPECT_EQ(Pitches("CDEFGAB"), (std::vector<int>{60, 62, 64, 65, 67, 69, 71}));
  EXPECT_EQ(Pitches("cdefgab"), (std::vector<int>{72, 74, 76, 77, 79, 81, 83}));
  EXPECT_EQ(Pitches("C, c' c'' C,,"), (std::vector<int>{48, 84, 96, 36}));
  auto n = Notes(Read("zxy"));
  ASSERT_EQ(n.size(), 3u);
  EXPECT_EQ(n[0].note.pitch, kRest);
  EXPECT_EQ(n[1].note.pitch, kInvisibleRest);
  EXPECT_EQ(n[2].note.pitch, kSpacer);
}

TEST(NoteTest, OctaveMarksStopAtTheirLimits) {
  auto low = Read("C,,,,,,");
  ASSERT_GE(low.size(), 3u);
  EXPECT_EQ(low[0].kind, TK_NOTE);
  EXPECT_EQ(low[0].note.pitch, 0);
  EXPECT_EQ(low[1].kind, TK_ERROR);
  EXPECT_EQ(low[1].value, ',');
  EXPECT_EQ(low[2].kind, TK_END);

  auto high = Read("c''''''2");
  ASSERT_EQ(high.size(), 5u);
  EXPECT_EQ(high[0].note.pitch, 120);
  EXPECT_EQ(high[0].note.length, 96u);  // the note ends at the mark, unread
  EXPECT_EQ(high[1].kind, TK_ERROR);
  EXPECT_EQ(high[2].kind, TK_ERROR);
  EXPECT_EQ(high[3].kind, TK_ERROR);  // the 2
  EXPECT_EQ(high[4].kind, TK_END);
}

TEST(NoteTest, AccidentalCombinations) {
  EXPECT_EQ(Pitches("^^C __B ^C _E =F"), (std::vector<int>{62, 69, 61, 63, 65}));
  // ^=C: the ^ is an error, =C is read again as a note.
  auto a = Read("^=C");
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].kind, TK_ERROR);
  EXPECT_EQ(a[0].value, '=');
  EXPECT_EQ(a[0].end, 1u);
  EXPECT_EQ(a[1].kind, TK_NOTE);
  EXPECT_EQ(a[1].note.writtenAccidental, kNatural);
  EXPECT_EQ(Read("=^C")[0].kind, TK_ERROR);
  EXPECT_EQ(Read("^_C")[0].kind, TK_ERROR);
  // No accidental on rests.
  auto z = Read("^z");
  EXPECT_EQ(z[0].kind, TK_ERROR);
  EXPECT_EQ(z[1].kind, TK_END);
  // Pitches outside 0..127 are refused rather than wrapped.
  EXPECT_EQ(Read("_C,,,,,")[0].kind, TK_ERROR);
  EXPECT_EQ(Read("^^^^^^^^^b'''")[0].kind, TK_ERROR);
  EXPECT_EQ(Read("^^c''''")[0].note.pitch, 122);
  // An accidental before something that is no note.
  auto bar = Read("^|");
  EXPECT_EQ(bar[0].kind, TK_ERROR);
  EXPECT_EQ(bar[1].kind, TK_BAR);
}

TEST(NoteTest, ChordsRefuseInvisibleRestsAndSpacers) {
  EXPECT_EQ(Read("[x E]")[1].kind, TK_ERROR);
  EXPECT_EQ(Read("[y E]")[1].kind, TK_ERROR);
  auto z = Read("[z E]");
  EXPECT_EQ(z[1].kind, TK_NOTE);
  EXPECT_EQ(z[1].note.flags & kNoteInChord, kNoteInChord);
}

// -------------------------------------------------------------- lengths, broken rhythm

TEST(LengthTest, Multipliers) {
  EXPECT_EQ(Lengths("A2 A/ A// A3/2 A/3 A/4 A16"),
            (std::vector<unsigned>{192, 48, 24, 144, 32, 24, 1536}));
  Options quarter;
  quarter.unit = "1/4";
  EXPECT_EQ(Lengths("A A/", quarter), (std::vector<unsigned>{192, 96}));
  auto n = Notes(Read("A3/2"));
  EXPECT_EQ(n[0].note.multiplierNum, 3);
  EXPECT_EQ(n[0].note.multiplierDen, 2);
  // Huge multipliers are held to a sane length.
  EXPECT_LE(Lengths("A99999999999")[0], kMaxNoteLength);
}

TEST(LengthTest, BrokenRhythm) {
  EXPECT_EQ(Lengths("A>B"), (std::vector<unsigned>{144, 48}));
  EXPECT_EQ(Lengths("A<<B"), (std::vector<unsigned>{24, 168}));
  EXPECT_EQ(Lengths("A>>>B"), (std::vector<unsigned>{180, 12}));
  EXPECT_EQ(Lengths("A > B"), (std::vector<unsigned>{144, 48}));
  EXPECT_EQ(Lengths("A->B"), (std::vector<unsigned>{144, 48}));
  auto n = Notes(Read("A<B"));
  EXPECT_EQ(n[0].note.brokenRole, 1);
  EXPECT_EQ(n[0].note.brokenValue, -1);
  EXPECT_EQ(n[1].note.brokenRole, 2);
  EXPECT_EQ(n[0].note.notatedLength, 96u);
  // A grace note between the pair neither takes nor clears the pending value.
  auto g = Notes(Read("A>{g}B"));
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[1].note.length, 96u);
  EXPECT_EQ(g[2].note.length, 48u);
  // The second note of a pair cannot start another.
  auto bad = Read("A>B>C");
  EXPECT_EQ(bad[2].kind, TK_ERROR);
  // A bar line drops a pending value.
  EXPECT_EQ(Lengths("A>|B"), (std::vector<unsigned>{144, 96}));
}

TEST(LengthTest, TiesLookAheadOverBlanks) {
  auto n = Notes(Read("A- B A -B A B A-\r\nB"));
  ASSERT_EQ(n.size(), 8u);
  EXPECT_TRUE(n[0].note.flags & kNoteTied);
  EXPECT_TRUE(n[2].note.flags & kNoteTied);
  EXPECT_FALSE(n[4].note.flags & kNoteTied);
  EXPECT_TRUE(n[6].note.flags & kNoteTied);
}

// ---------------------------------------------------------------------------- tuplets

TEST(TupletTest, ChordsCountOnce) {
  auto n = Notes(Read("(3[CE]DF G"));
  ASSERT_EQ(n.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(n[i].note.length, 64u) << i;
  EXPECT_EQ(n[4].note.length, 96u);
  // The last tuplet note is a chord: all its notes share the tuplet.
  auto last = Notes(Read("(3DF[CE] G"));
  EXPECT_EQ(last[2].note.length, 64u);
  EXPECT_EQ(last[3].note.length, 64u);
  EXPECT_TRUE(last[3].note.flags & kNoteTupletLast);
  EXPECT_EQ(last[4].note.length, 96u);
}

TEST(TupletTest, WrittenRatiosAndErrors) {
  EXPECT_EQ(Lengths("(3:2:4ABCD E"), (std::vector<unsigned>{64, 64, 64, 64, 96}));
  EXPECT_EQ(Lengths("(3::2AB C"), (std::vector<unsigned>{64, 64, 96}));
  EXPECT_EQ(Lengths("(2AB"), (std::vector<unsigned>{144, 144}));
  // Each number's own default time: 4 in 3, 5 in 4, 6 in 4, 7 in 4, 8 in 3, 9 in 8.
  for (auto [p, q] : {std::pair{4u, 3u}, {5u, 4u}, {6u, 4u}, {7u, 4u}, {8u, 3u}, {9u, 8u}}) {
    const std::vector<unsigned> l = Lengths("(" + std::to_string(p) + std::string(p, 'A') + " B");
    ASSERT_EQ(l.size(), p + 1);
    EXPECT_EQ(std::accumulate(l.begin(), l.end() - 1, 0u), 96u * q) << "(" << p;
    EXPECT_EQ(l.back(), 96u) << "the tuplet ends after " << p << " notes";
  }
  // Numbers above 9 have no default time.
  auto big = Read("(23AB");
  EXPECT_EQ(big[0].kind, TK_ERROR);
  EXPECT_EQ(big[0].value, '?');
  EXPECT_EQ(big[0].end, 3u);
  auto q = Read("(24:16A");
  EXPECT_EQ(q[0].kind, TK_TUPLET);
  EXPECT_EQ(q[0].value, 24);
  EXPECT_EQ(q[1].note.length, 64u);
  auto nested = Read("(3A(3B");
  EXPECT_EQ(nested[2].kind, TK_ERROR);
  EXPECT_EQ(nested[2].value, '(');
  // A bar line ends a running tuplet.
  EXPECT_EQ(Lengths("(3A|B"), (std::vector<unsigned>{64, 96}));
  // Grace notes do not count.
  EXPECT_EQ(Lengths("(3{g}ABC D"), (std::vector<unsigned>{96, 64, 64, 64, 96}));
}

// ----------------------------------------------------------------- chords and graces

TEST(ChordTest, BracketAndPlusChords) {
  EXPECT_EQ(Kinds("+CEG+"),
            (std::vector<int>{TK_CHORD_START, TK_NOTE, TK_NOTE, TK_NOTE, TK_CHORD_END, TK_END}));
  EXPECT_EQ(Kinds("[CE]"),
            (std::vector<int>{TK_CHORD_START, TK_NOTE, TK_NOTE, TK_CHORD_END, TK_END}));
  auto nested = Read("[[C]");
  EXPECT_EQ(nested[1].kind, TK_ERROR);
  EXPECT_EQ(nested[1].value, '[');
  auto stray = Read("C]");
  EXPECT_EQ(stray[1].kind, TK_ERROR);
  EXPECT_EQ(stray[1].value, ']');
  // A bar inside a chord closes it.
  EXPECT_EQ(Read("[C|E]")[4].kind, TK_ERROR);

  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  std::string body = "[CEG]";
  r.SetText(body);
  size_t pos = 0;
  std::vector<int> counts;
  while (r.NextToken(pos) != TK_END) counts.push_back(r.ChordNoteCount());
  EXPECT_EQ(counts, (std::vector<int>{0, 1, 2, 3, 3}));
}

// +name+ is a decoration unless it holds only notes; I:decoration decides it outright.
TEST(ChordTest, PlusWordsAreDecorations) {
  EXPECT_EQ(Kinds("+fine+ +fermata+c +f+ +1+ +crescendo(+ +sharp+"),
            (std::vector<int>{TK_FINE, TK_SPACE, TK_FERMATA, TK_NOTE, TK_SPACE, TK_F, TK_SPACE, 74,
                              TK_SPACE, TK_CRESCENDO_START, TK_SPACE, TK_DECORATION_TEXT, TK_END}));
  EXPECT_EQ(Pitches("+^c2e/g+ +c,D'+"), (std::vector<int>{73, 76, 79, 60, 74}));
  EXPECT_EQ(Read("+fermata+", Options{.decode = false})[0].text, "fermata");

  auto withHeader = [](const std::string& header, const std::string& body) {
    AbcParser r;
    r.Init("C", "4/4", "1/8", std::nullopt, "", true);
    r.SetUserSymbols(0, nullptr, header);
    r.SetText(body);
    std::vector<int> k;
    for (const Tok& t : ReadAll(r, body)) k.push_back(t.kind);
    return k;
  };
  // "I:decoration +" reads +ceg+ as a decoration too; "I:decoration !" makes +...+ chords.
  EXPECT_EQ(withHeader("I:decoration +\r\n", "+ceg+"),
            (std::vector<int>{TK_DECORATION_TEXT, TK_END}));
  EXPECT_EQ(withHeader("I: decoration !", "+fine+")[0], TK_CHORD_START);
  EXPECT_EQ(withHeader("", "[I:decoration +]+ceg+"),
            (std::vector<int>{TK_INLINE_FIELD, TK_FIELD_I, TK_DECORATION_TEXT, TK_END}));
}

TEST(GraceTest, SlashedGraceBackquoteAndOverlay) {
  auto t = Read("{/g}A{g}A``B&^cc|c");
  EXPECT_EQ(t[0].kind, TK_GRACE_START);
  EXPECT_EQ(t[0].value, 1);
  EXPECT_EQ(t[0].end, 2u);
  EXPECT_EQ(t[4].kind, TK_GRACE_START);
  EXPECT_EQ(t[4].value, 0);
  EXPECT_EQ(t[8].kind, TK_BACKQUOTE);
  EXPECT_EQ(t[9].kind, TK_BACKQUOTE);
  EXPECT_EQ(t[11].kind, TK_OVERLAY);
  // The overlay is a voice of its own: the bar's accidentals of before & stay there.
  EXPECT_EQ(Pitches("^c&c"), (std::vector<int>{73, 72}));
  EXPECT_EQ(Pitches("c&^cc|c"), (std::vector<int>{72, 73, 73, 72}));
  // Notes after & do not lengthen the first bar (no pickup here).
  Options o;
  o.pickup = true;
  o.unit = "1/4";
  AbcParser r;
  std::string body = "ABcd&ABcd|e";
  r.Init("C", "4/4", "1/4", body, "", true);
  EXPECT_EQ(r.pickupOffset, 0u);
  EXPECT_EQ(r.firstBarLength, 768u);
}

TEST(GraceTest, GraceGroups) {
  auto n = Notes(Read("{g}A"));
  EXPECT_EQ(n[0].note.flags & kNoteInGrace, kNoteInGrace);
  EXPECT_EQ(n[1].note.flags, 0);
  EXPECT_EQ(n[1].note.length, 96u);
  auto twice = Read("{{g}");
  EXPECT_EQ(twice[1].kind, TK_ERROR);
  EXPECT_EQ(twice[1].value, '{');
  EXPECT_EQ(Read("A}")[1].kind, TK_ERROR);
}

// ------------------------------------------------------------- bars, repeats, endings

TEST(BarTest, BarKinds) {
  EXPECT_EQ(Kinds("| || |] [| |: ||: :: :|: :||: :| :||"),
            (std::vector<int>{
                TK_BAR,         TK_SPACE, TK_DOUBLE_BAR,   TK_SPACE, TK_END_BAR,      TK_SPACE,
                TK_START_BAR,   TK_SPACE, TK_REPEAT_START, TK_SPACE, TK_REPEAT_START, TK_SPACE,
                TK_REPEAT_BOTH, TK_SPACE, TK_REPEAT_BOTH,  TK_SPACE, TK_REPEAT_BOTH,  TK_SPACE,
                TK_REPEAT_END,  TK_SPACE, TK_REPEAT_END,   TK_END}));
  auto both = Read(":: :|: :||:");
  EXPECT_EQ(both[0].value, 0);
  EXPECT_EQ(both[2].value, 1);
  EXPECT_EQ(both[4].value, 2);
}

TEST(BarTest, EndingsAndTheirWarnings) {
  auto a = Read("|1A");
  EXPECT_EQ(a[0].kind, TK_BAR);
  EXPECT_FALSE(a[0].warn);
  EXPECT_EQ(a[1].kind, TK_FIRST_ENDING);
  EXPECT_EQ(a[1].start, 2u);

  auto b = Read("| 1A");
  EXPECT_EQ(b[0].kind, TK_BAR);
  EXPECT_TRUE(b[0].warn);
  EXPECT_EQ(b[1].kind, TK_FIRST_ENDING);
  EXPECT_FALSE(b[1].warn);

  auto c = Read(":|2A :| 2B :||2C");
  EXPECT_EQ(c[0].kind, TK_REPEAT_END);
  EXPECT_FALSE(c[0].warn);
  EXPECT_EQ(c[1].kind, TK_SECOND_ENDING);
  EXPECT_EQ(c[4].kind, TK_REPEAT_END);
  EXPECT_TRUE(c[4].warn);
  EXPECT_EQ(c[8].kind, TK_REPEAT_END);
  EXPECT_TRUE(c[8].warn);

  EXPECT_EQ(Kinds("[1A[2B"),
            (std::vector<int>{TK_ENDING_BRACKET, TK_FIRST_ENDING, TK_NOTE, TK_ENDING_BRACKET,
                              TK_SECOND_ENDING, TK_NOTE, TK_END}));
  // The line end swallowed by "| LF 1" still counts as a line.
  auto lines = Read("A|\n1B\nC");
  EXPECT_EQ(lines.back().line, 3);
}

// ---------------------------------------------------------------- fields in the body

TEST(BodyFieldTest, LineStartFields) {
  std::string body = "A\r\nK:D\r\nF\r\nL:1/16\r\nF";
  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  r.SetText(body);
  auto t = ReadAll(r, body);
  std::vector<int> kinds;
  for (const Tok& x : t) kinds.push_back(x.kind);
  EXPECT_EQ(kinds,
            (std::vector<int>{TK_NOTE, TK_CR, TK_NEWLINE, TK_FIELD_K, TK_CR, TK_NEWLINE, TK_NOTE,
                              TK_CR, TK_NEWLINE, TK_FIELD_L, TK_CR, TK_NEWLINE, TK_NOTE, TK_END}));
  EXPECT_EQ(t[3].text, "D");
  EXPECT_EQ(t[6].note.pitch, 66);
  EXPECT_EQ(t[12].note.length, 48u);
  EXPECT_EQ(t[12].line, 5);
}

TEST(BodyFieldTest, InlineFields) {
  auto t = Read("F[K:G]F [L:1/4]A [M:3/4]");
  ASSERT_GE(t.size(), 10u);
  EXPECT_EQ(t[1].kind, TK_INLINE_FIELD);
  EXPECT_EQ(t[2].kind, TK_FIELD_K);
  EXPECT_EQ(t[2].text, "G");
  EXPECT_EQ(t[3].note.pitch, 66);
  EXPECT_EQ(t[7].note.length, 192u);
  EXPECT_EQ(t[9].kind, TK_INLINE_FIELD);
  EXPECT_EQ(t[10].kind, TK_FIELD_M);
  // [U: counts as a line end.
  auto u = Read("[U:T=!trill!]A");
  EXPECT_EQ(u[0].kind, TK_NEWLINE);
  EXPECT_EQ(u[1].kind, TK_FIELD_U);
  EXPECT_EQ(u[2].line, 2);
  // An unclosed inline field is an error, and reading goes on after "[K:".
  auto open = Read("[K:G A");
  EXPECT_EQ(open[0].kind, TK_ERROR);
  EXPECT_EQ(open[0].end, 3u);
  EXPECT_EQ(open[1].kind, TK_NOTE);
}

TEST(BodyFieldTest, FieldAtBodyStartAndBarStateReset) {
  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  std::string body = "K:A\r\n^c c";
  r.SetText(body);
  size_t pos = 0;
  EXPECT_EQ(r.NextToken(pos, true), TK_FIELD_K);
  EXPECT_EQ(r.TokenText(), "A");
  EXPECT_EQ(r.key.tonic, 69);
  EXPECT_EQ(pos, 3u);
  // An M: field clears the accidental memory like a bar.
  auto t = Read("^c [M:3/4] c");
  EXPECT_EQ(Notes(t)[1].note.pitch, 72);
}

TEST(BodyFieldTest, CommentsDirectivesAndLineEnds) {
  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  std::string body = "A % note\r\n%%MIDI program 41\r\n\\ begin\r\nB\\\r\nC\\ \nD!\r\n";
  r.SetText(body);
  auto t = ReadAll(r, body);
  std::vector<int> kinds;
  for (const Tok& x : t) kinds.push_back(x.kind);
  EXPECT_EQ(kinds, (std::vector<int>{TK_NOTE,     TK_SPACE,      TK_COMMENT,
                                     TK_CR,       TK_NEWLINE,    TK_DIRECTIVE,
                                     TK_CR,       TK_NEWLINE,    TK_BACKSLASH_LINE,
                                     TK_CR,       TK_NEWLINE,    TK_NOTE,
                                     TK_CONTINUE, TK_CR,         TK_NEWLINE,
                                     TK_NOTE,     TK_CONTINUE,   TK_NEWLINE,
                                     TK_NOTE,     TK_BANG_BREAK, TK_CR,
                                     TK_NEWLINE,  TK_END}));
  EXPECT_EQ(t[2].text, " note");
  EXPECT_EQ(t[5].text, "MIDI program 41");
  EXPECT_EQ(t[5].value, kDirectiveMidi);
  EXPECT_EQ(t[8].text, " begin");
  EXPECT_TRUE(t[16].warn);  // blank after the backslash
  EXPECT_FALSE(t[12].warn);
  EXPECT_EQ(t.back().line, 7);

  std::string midi = "%%MIDI program 41";
  r.SetText(midi);
  size_t pos = 0;
  ASSERT_EQ(r.NextToken(pos), TK_DIRECTIVE);
  r.ReadMidiDirective();
  EXPECT_EQ(r.midi.keyword, MIDI_PROGRAM);
  EXPECT_EQ(r.midi.program, 41);
}

TEST(BodyFieldTest, ChordSymbols) {
  auto t = Read("\"Am7\"A");
  EXPECT_EQ(t[0].kind, TK_CHORD_SYMBOL);
  EXPECT_EQ(t[0].text, "Am7");
  auto open = Read("\"Am\r\nA");
  EXPECT_EQ(open[0].kind, TK_ERROR);
  EXPECT_EQ(open[0].end, 1u);
  EXPECT_EQ(open[1].kind, TK_NOTE);  // A of Am
}

// ----------------------------------------------------------------------- decorations

TEST(DecorationTest, TableLookup) {
  auto t = Read("!trill!!mordent!!pralltriller!!fermata!!5!!D.S.!!crescendo(!!ffff!!sfz!");
  std::vector<int> kinds;
  for (const Tok& x : t) kinds.push_back(x.kind);
  EXPECT_EQ(kinds, (std::vector<int>{54, 55, 56, 71, 78, 84, 88, 100, 101, TK_END}));
  EXPECT_EQ(t[0].text, "trill");

  auto bar = Read("!repeatbar2!!repeatbar!!repeatbar0!");
  EXPECT_EQ(bar[0].kind, TK_REPEATBAR);
  EXPECT_EQ(bar[0].value, 2);
  EXPECT_EQ(bar[1].value, 1);
  EXPECT_EQ(bar[2].value, 1);

  // Names compare with case; unknown names stay text.
  EXPECT_EQ(Read("!Trill!")[0].kind, TK_DECORATION_TEXT);
  EXPECT_EQ(Read("!arpeggio!")[0].kind, TK_DECORATION_TEXT);
  Options plain;
  plain.decode = false;
  auto p = Read("!trill!", plain);
  EXPECT_EQ(p[0].kind, TK_DECORATION_TEXT);
  EXPECT_EQ(p[0].text, "trill");
  EXPECT_EQ(Read("!trill A")[0].kind, TK_ERROR);
}

TEST(DecorationTest, KindNames) {
  EXPECT_STREQ(TokenKindName(TK_NOTE), "TK_NOTE");
  EXPECT_STREQ(TokenKindName(TK_FIELD_K), "FIELD_K");
  EXPECT_STREQ(TokenKindName(TK_FIELD_u), "FIELD_u");
  EXPECT_STREQ(TokenKindName(55), "lowermordent");
  EXPECT_STREQ(TokenKindName(87), "repeatbar");
  EXPECT_STREQ(TokenKindName(30), "?");
}

// ---------------------------------------------------------------------- user symbols

std::vector<Tok> ReadWithSymbols(const std::string& body, int mode, const std::string& header,
                                 const UserSymbols* table = nullptr) {
  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  r.SetUserSymbols(mode, table, header);
  r.SetText(body);
  return ReadAll(r, body);
}

TEST(UserSymbolTest, TableInForce) {
  std::string header = "U: T = !trill!\r\nu: R = !roll!";
  auto drawn = ReadWithSymbols("TR", 1, header);
  EXPECT_EQ(drawn[0].kind, TK_TRILL);
  EXPECT_EQ(drawn[1].kind, TK_SYMBOL);
  EXPECT_EQ(drawn[1].value, 'R');
  auto played = ReadWithSymbols("TR", 2, header);
  EXPECT_EQ(played[0].kind, TK_SYMBOL);
  EXPECT_EQ(played[1].kind, TK_ROLL);
  auto none = ReadWithSymbols("T", 0, header);
  EXPECT_EQ(none[0].kind, TK_SYMBOL);
}

TEST(UserSymbolTest, SubstitutionResumesAfterTheSymbol) {
  auto t = ReadWithSymbols("AHB", 1, "U:H=cd");
  std::vector<int> pitches;
  for (const Tok& x : Notes(t)) pitches.push_back(x.note.pitch);
  EXPECT_EQ(pitches, (std::vector<int>{69, 72, 74, 71}));
  // A symbol inside a definition replaces it; reading then resumes in the tune.
  auto nested = ReadWithSymbols("HB", 1, "U:H=cJd\r\nU:J=e");
  pitches.clear();
  for (const Tok& x : Notes(nested)) pitches.push_back(x.note.pitch);
  EXPECT_EQ(pitches, (std::vector<int>{72, 76, 71}));
}

TEST(UserSymbolTest, SelfReferenceStillEnds) {
  auto t = ReadWithSymbols("HA", 1, "U:H=cH");
  ASSERT_EQ(t.back().kind, TK_END);
  int errors = 0;
  for (const Tok& x : t) errors += x.kind == TK_ERROR;
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(Notes(t).back().note.pitch, 69);
}

TEST(UserSymbolTest, FieldsInTheBodyAndTableOrder) {
  auto t = ReadWithSymbols("T\r\nU: T = !fermata!\r\nT", 1, "U:T=!trill!");
  EXPECT_EQ(t[0].kind, TK_TRILL);
  EXPECT_EQ(t.back().kind, TK_END);
  EXPECT_EQ(t[t.size() - 2].kind, TK_FERMATA);
  // The tune's table overrides the application set; the header's lines override both.
  UserSymbols tune;
  tune.LoadFromText("U: T = !turn!\r\nU: H = !coda!");
  auto o = ReadWithSymbols("TH", 1, "U: H = !segno!", &tune);
  EXPECT_EQ(o[0].kind, TK_TURN);
  EXPECT_EQ(o[1].kind, TK_SEGNO);
}

// ---------------------------------------------------------------------------- pickup

tick Pickup(const std::string& body, const std::string& meter, const std::string& unit) {
  AbcParser r;
  r.Init("C", meter, unit, body, "", true);
  return r.pickupOffset;
}

TEST(PickupTest, ShortFirstBar) {
  EXPECT_EQ(Pickup("G|ABcd|", "4/4", "1/4"), 576u);
  EXPECT_EQ(Pickup("|:GA|ABcd|", "4/4", "1/4"), 384u);
  EXPECT_EQ(Pickup("ABcd|", "4/4", "1/4"), 0u);
  EXPECT_EQ(Pickup("|", "4/4", "1/4"), 0u);
  EXPECT_EQ(Pickup("[CEG]{ab}A|B", "4/4", "1/4"), 384u);
  EXPECT_EQ(Pickup("G|A", "none", "1/4"), 0u);
  EXPECT_EQ(Pickup("d|", "6/8", ""), 480u);
}

TEST(PickupTest, ReadingStartsAfresh) {
  AbcParser r;
  std::string body = "A [K:G] F (3AB|\r\nF";
  r.Init("C", "4/4", "1/8", body, "", true);
  EXPECT_EQ(r.key.tonic, 60);  // the K: of the first bar has not been read yet
  EXPECT_EQ(r.LineNumber(), 1);
  EXPECT_FALSE(r.Tuplet().active);
  size_t pos = 0;
  EXPECT_EQ(r.NextToken(pos, true), TK_NOTE);
  EXPECT_EQ(r.note.pitch, 69);
}

// ------------------------------------------------------------- consumers and restarts

class CountingReader : public AbcParser {
 public:
  void ResetBarState() override {
    ++resets;
    AbcParser::ResetBarState();
  }
  int resets = 0;
};

TEST(ConsumerTest, ResetBarStateOverrideAndRestart) {
  CountingReader r;
  std::string body = "A|B||C[|D:|E[K:G]F";
  r.Init("C", "4/4", "1/8", body, "", true);
  EXPECT_EQ(r.resets, 0);  // the pickup scan does not call the consumer
  r.resets = 0;
  auto first = ReadAll(r, body);
  EXPECT_EQ(r.resets, 4);  // | || :| and K:
  EXPECT_EQ(r.key.tonic, 67);
  r.Restart();
  EXPECT_EQ(r.key.tonic, 60);
  auto second = ReadAll(r, body);
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i].kind, second[i].kind);
}

TEST(ConsumerTest, AddErrorUsesTheLineAndTheBody) {
  AbcParser r;
  std::string body = "AB\r\n#C";
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  r.SetText(body);
  size_t pos = 0;
  for (;;) {
    size_t start = pos;
    TokenKind k = r.NextToken(pos);
    if (k == TK_END) break;
    if (k == TK_ERROR) r.AddError(MSG_ERROR_IN_TUNE, start);
  }
  EXPECT_EQ(r.errors.Text(), "L 2: Error in ABC tune.: #C [4]\r\n");
}

// --------------------------------------------------------------------- any bytes

TEST(RobustnessTest, EveryByteAndPositionReachesTheEnd) {
  for (int c = 0; c < 256; ++c) {
    std::string body(1, static_cast<char>(c));
    for (std::string text : {body, "A" + body, body + body + "c", "[" + body, "(3" + body}) {
      auto t = Read(text);
      ASSERT_EQ(t.back().kind, TK_END) << c;
      EXPECT_EQ(t.back().start, text.size());
    }
  }
  AbcParser r;
  r.Init(std::nullopt, "", "", std::nullopt, "", true);
  std::string body = "ABC";
  r.SetText(body);
  size_t pos = 99;
  EXPECT_EQ(r.NextToken(pos), TK_END);
  // A NUL inside the text is an unrecognised character, not the end.
  std::string withNul("A\0B", 3);
  EXPECT_EQ(Kinds(withNul), (std::vector<int>{TK_NOTE, TK_ERROR, TK_NOTE, TK_END}));
}

}  // namespace
}  // namespace tunora
