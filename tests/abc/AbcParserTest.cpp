// The reader's interface beyond its token listings (tests/abc/golden, checked through
// tunora-cli tokens): chord note counts, I:decoration, line ends and line numbers, the
// overlay's first bar, consumers and restarts, and any bytes at all.
#include <gtest/gtest.h>

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

std::vector<Tok> Read(const std::string& body) {
  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  r.SetText(body);
  return ReadAll(r, body);
}

std::vector<int> Kinds(const std::string& body) {
  std::vector<int> k;
  for (const Tok& t : Read(body)) k.push_back(t.kind);
  return k;
}

TEST(ChordTest, NoteCountsAndIDecoration) {
  AbcParser r;
  r.Init("C", "4/4", "1/8", std::nullopt, "", true);
  std::string body = "[CEG]";
  r.SetText(body);
  size_t pos = 0;
  std::vector<int> counts;
  while (r.NextToken(pos) != TK_END) counts.push_back(r.ChordNoteCount());
  EXPECT_EQ(counts, (std::vector<int>{0, 1, 2, 3, 3}));

  auto withHeader = [](const std::string& header, const std::string& text) {
    AbcParser reader;
    reader.Init("C", "4/4", "1/8", std::nullopt, "", true);
    reader.SetUserSymbols(0, nullptr, header);
    reader.SetText(text);
    std::vector<int> k;
    for (const Tok& t : ReadAll(reader, text)) k.push_back(t.kind);
    return k;
  };
  // "I:decoration +" reads +ceg+ as a decoration too; "I:decoration !" makes +...+ chords.
  EXPECT_EQ(withHeader("I:decoration +\r\n", "+ceg+"),
            (std::vector<int>{TK_DECORATION_TEXT, TK_END}));
  EXPECT_EQ(withHeader("I: decoration !", "+fine+")[0], TK_CHORD_START);
  EXPECT_EQ(withHeader("", "[I:decoration +]+ceg+"),
            (std::vector<int>{TK_INLINE_FIELD, TK_FIELD_I, TK_DECORATION_TEXT, TK_END}));
}

// Notes after & do not lengthen the first bar.
TEST(GraceTest, OverlayDoesNotLengthenTheFirstBar) {
  AbcParser r;
  std::string body = "ABcd&ABcd|e";
  r.Init("C", "4/4", "1/4", body, "", true);
  EXPECT_EQ(r.pickupOffset, 0u);
  EXPECT_EQ(r.firstBarLength, 768u);
}

TEST(BodyFieldTest, LineNumbers) {
  // The line end swallowed by "| LF 1" still counts as a line; so does [U:.
  EXPECT_EQ(Read("A|\n1B\nC").back().line, 3);
  EXPECT_EQ(Read("[U:T=!trill!]A")[2].line, 2);
  EXPECT_EQ(Read("A\r\nK:D\r\nF\r\nL:1/16\r\nF")[12].line, 5);
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
