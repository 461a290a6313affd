#include "abc/TokenTable.h"

namespace tunora {
namespace {

constexpr uint8_t CountLineFeeds(std::string_view text, uint8_t kind, uint8_t followUp) {
  if (kind == TK_NEWLINE || followUp == TK_NEWLINE) return 0;
  uint8_t n = 0;
  for (char c : text)
    if (c == '\n') ++n;
  return n;
}

constexpr TokenRow Row(std::string_view text, uint8_t kind, uint8_t followUp, uint8_t mode,
                       int8_t value, bool warn = false) {
  return TokenRow{text, kind, followUp, mode, value, warn, CountLineFeeds(text, kind, followUp)};
}

}  // namespace

// Rows that share a first character stand together, longer forms first; the first
// row whose whole text matches wins.
constexpr std::array<TokenRow, kTokenRowCount> kTokenRowsInit = {{
    Row("\r", TK_CR, 0, 0, 0),
    Row("\nE:", TK_NEWLINE, TK_FIELD_E, 2, 0),
    Row("\nI:", TK_NEWLINE, TK_FIELD_I, 2, 0),
    Row("\nK:", TK_NEWLINE, TK_FIELD_K, 2, 0),
    Row("\nL:", TK_NEWLINE, TK_FIELD_L, 2, 0),
    Row("\nM:", TK_NEWLINE, TK_FIELD_M, 2, 0),
    Row("\nP:", TK_NEWLINE, TK_FIELD_P, 2, 0),
    Row("\nQ:", TK_NEWLINE, TK_FIELD_Q, 2, 0),
    Row("\nR:", TK_NEWLINE, TK_FIELD_R, 2, 0),
    Row("\nT:", TK_NEWLINE, TK_FIELD_T, 2, 0),
    Row("\nU:", TK_NEWLINE, TK_FIELD_U, 2, 0),
    Row("\nu:", TK_NEWLINE, TK_FIELD_u, 2, 0),
    Row("\nV:", TK_NEWLINE, TK_FIELD_V, 2, 0),
    Row("\nW:", TK_NEWLINE, TK_FIELD_W, 2, 0),
    Row("\nw:", TK_NEWLINE, TK_FIELD_w, 2, 0),
    // Fields that tell about the tune and do not change its music.
    Row("\nA:", TK_NEWLINE, TK_FIELD_INFO, 2, 'A'),
    Row("\nB:", TK_NEWLINE, TK_FIELD_INFO, 2, 'B'),
    Row("\nC:", TK_NEWLINE, TK_FIELD_INFO, 2, 'C'),
    Row("\nD:", TK_NEWLINE, TK_FIELD_INFO, 2, 'D'),
    Row("\nF:", TK_NEWLINE, TK_FIELD_INFO, 2, 'F'),
    Row("\nG:", TK_NEWLINE, TK_FIELD_INFO, 2, 'G'),
    Row("\nH:", TK_NEWLINE, TK_FIELD_INFO, 2, 'H'),
    Row("\nN:", TK_NEWLINE, TK_FIELD_INFO, 2, 'N'),
    Row("\nO:", TK_NEWLINE, TK_FIELD_INFO, 2, 'O'),
    Row("\nS:", TK_NEWLINE, TK_FIELD_INFO, 2, 'S'),
    Row("\nX:", TK_NEWLINE, TK_FIELD_INFO, 2, 'X'),
    Row("\nZ:", TK_NEWLINE, TK_FIELD_INFO, 2, 'Z'),
    Row("\nm:", TK_NEWLINE, TK_FIELD_INFO, 2, 'm'),
    Row("\nr:", TK_NEWLINE, TK_FIELD_INFO, 2, 'r'),
    Row("\ns:", TK_NEWLINE, TK_FIELD_INFO, 2, 's'),
    Row("\n+:", TK_NEWLINE, TK_FIELD_INFO, 2, '+'),
    Row("\n\\", TK_NEWLINE, TK_BACKSLASH_LINE, 1, 0),
    Row("\n", TK_NEWLINE, 0, 0, 0),
    Row(" ", TK_SPACE, 0, 0, 0),
    Row("\t", TK_TAB, 0, 0, 0),
    Row("%%", TK_DIRECTIVE, 0, 1, 0),
    Row("%", TK_COMMENT, 0, 1, 0),
    Row("\\\r", TK_CONTINUE, TK_CR, 0, 0),
    Row("\\ \r", TK_CONTINUE, TK_CR, 0, 0, true),
    Row("\\\n", TK_CONTINUE, TK_NEWLINE, 0, 0),
    Row("\\ \n", TK_CONTINUE, TK_NEWLINE, 0, 0, true),
    Row("[E:", TK_INLINE_FIELD, TK_FIELD_E, 5, 0),
    Row("[I:", TK_INLINE_FIELD, TK_FIELD_I, 5, 0),
    Row("[K:", TK_INLINE_FIELD, TK_FIELD_K, 5, 0),
    Row("[L:", TK_INLINE_FIELD, TK_FIELD_L, 5, 0),
    Row("[M:", TK_INLINE_FIELD, TK_FIELD_M, 5, 0),
    Row("[P:", TK_INLINE_FIELD, TK_FIELD_P, 5, 0),
    Row("[Q:", TK_INLINE_FIELD, TK_FIELD_Q, 5, 0),
    Row("[R:", TK_INLINE_FIELD, TK_FIELD_R, 5, 0),
    Row("[T:", TK_INLINE_FIELD, TK_FIELD_T, 5, 0),
    Row("[V:", TK_INLINE_FIELD, TK_FIELD_V, 5, 0),
    Row("[W:", TK_INLINE_FIELD, TK_FIELD_W, 5, 0),
    Row("[w:", TK_INLINE_FIELD, TK_FIELD_w, 5, 0),
    Row("[U:", TK_NEWLINE, TK_FIELD_U, 5, 0),
    Row("[u:", TK_NEWLINE, TK_FIELD_u, 5, 0),
    Row("[1", TK_ENDING_BRACKET, TK_FIRST_ENDING, 0, 0),
    Row("[2", TK_ENDING_BRACKET, TK_SECOND_ENDING, 0, 0),
    Row("[|", TK_START_BAR, 0, 0, 0),
    Row("[", TK_CHORD_START, 0, 0, 0),
    Row("]", TK_CHORD_END, 0, 0, 0),
    Row("!\r", TK_BANG_BREAK, TK_CR, 0, 0),
    Row("!\n", TK_BANG_BREAK, TK_NEWLINE, 0, 0),
    Row("! \r", TK_BANG_BREAK, TK_CR, 0, 0),
    Row("! \n", TK_BANG_BREAK, TK_NEWLINE, 0, 0),
    Row("!", TK_DECORATION_TEXT, 0, 4, 0),
    Row("*", TK_STAR, 0, 0, 0),
    Row("||:", TK_REPEAT_START, 0, 0, 0),
    Row("||", TK_DOUBLE_BAR, 0, 0, 0),
    Row("|]", TK_END_BAR, 0, 0, 0),
    Row("|:", TK_REPEAT_START, 0, 0, 0),
    Row("| 1", TK_BAR, TK_FIRST_ENDING, 0, 0, true),
    Row("|\n1", TK_BAR, TK_FIRST_ENDING, 0, 0, true),
    Row("|\r\n1", TK_BAR, TK_FIRST_ENDING, 0, 0, true),
    Row("|1", TK_BAR, TK_FIRST_ENDING, 0, 0),
    Row("|", TK_BAR, 0, 0, 0),
    Row("::", TK_REPEAT_BOTH, 0, 0, 0),
    Row(":|| 2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":||\n2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":||\r\n2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":||2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":| 2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":|\n2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":|\r\n2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0, true),
    Row(":|2", TK_REPEAT_END, TK_SECOND_ENDING, 0, 0),
    Row(":|:", TK_REPEAT_BOTH, 0, 0, 1),
    Row(":||:", TK_REPEAT_BOTH, 0, 0, 2),
    Row(":||", TK_REPEAT_END, 0, 0, 0),
    Row(":|", TK_REPEAT_END, 0, 0, 0),
    Row("\"", TK_CHORD_SYMBOL, 0, 3, 0),
    Row("&", TK_OVERLAY, 0, 0, 0),
    Row("`", TK_BACKQUOTE, 0, 0, 0),
    Row("{", TK_GRACE_START, 0, 0, 0),
    Row("}", TK_GRACE_END, 0, 0, 0),
    Row(">>>>", TK_BROKEN, 0, 7, 4),
    Row(">>>", TK_BROKEN, 0, 7, 3),
    Row(">>", TK_BROKEN, 0, 7, 2),
    Row(">", TK_BROKEN, 0, 7, 1),
    Row("<<<<", TK_BROKEN, 0, 7, -4),
    Row("<<<", TK_BROKEN, 0, 7, -3),
    Row("<<", TK_BROKEN, 0, 7, -2),
    Row("<", TK_BROKEN, 0, 7, -1),
    Row("-", TK_TIE, 0, 0, 0),
    Row("+", kKindPlus, 0, 0, 0),
    Row("(2", TK_TUPLET, 0, 7, 2),
    Row("(3", TK_TUPLET, 0, 7, 3),
    Row("(4", TK_TUPLET, 0, 7, 4),
    Row("(5", TK_TUPLET, 0, 7, 5),
    Row("(6", TK_TUPLET, 0, 7, 6),
    Row("(7", TK_TUPLET, 0, 7, 7),
    Row("(8", TK_TUPLET, 0, 7, 8),
    Row("(9", TK_TUPLET, 0, 7, 9),
    Row("(", TK_SLUR_START, 0, 0, 0),
    Row(")", TK_SLUR_END, 0, 0, 0),
    Row("=", TK_NOTE, 0, 6, 0),
    Row("^", TK_NOTE, 0, 6, 0),
    Row("_", TK_NOTE, 0, 6, 0),
    Row("A", TK_NOTE, 0, 6, 0),
    Row("B", TK_NOTE, 0, 6, 0),
    Row("C", TK_NOTE, 0, 6, 0),
    Row("D", TK_NOTE, 0, 6, 0),
    Row("E", TK_NOTE, 0, 6, 0),
    Row("F", TK_NOTE, 0, 6, 0),
    Row("G", TK_NOTE, 0, 6, 0),
    Row("a", TK_NOTE, 0, 6, 0),
    Row("b", TK_NOTE, 0, 6, 0),
    Row("c", TK_NOTE, 0, 6, 0),
    Row("d", TK_NOTE, 0, 6, 0),
    Row("e", TK_NOTE, 0, 6, 0),
    Row("f", TK_NOTE, 0, 6, 0),
    Row("g", TK_NOTE, 0, 6, 0),
    Row("x", TK_NOTE, 0, 6, 0),
    Row("y", TK_NOTE, 0, 6, 0),
    Row("z", TK_NOTE, 0, 6, 0),
    Row(".", TK_STACCATO, 0, 0, 0),
    Row("~", TK_SYMBOL, 0, 7, '~'),
    Row("h", TK_SYMBOL, 0, 7, 'h'),
    Row("i", TK_SYMBOL, 0, 7, 'i'),
    Row("j", TK_SYMBOL, 0, 7, 'j'),
    Row("k", TK_SYMBOL, 0, 7, 'k'),
    Row("l", TK_SYMBOL, 0, 7, 'l'),
    Row("m", TK_SYMBOL, 0, 7, 'm'),
    Row("n", TK_SYMBOL, 0, 7, 'n'),
    Row("o", TK_SYMBOL, 0, 7, 'o'),
    Row("p", TK_SYMBOL, 0, 7, 'p'),
    Row("q", TK_SYMBOL, 0, 7, 'q'),
    Row("r", TK_SYMBOL, 0, 7, 'r'),
    Row("s", TK_SYMBOL, 0, 7, 's'),
    Row("t", TK_SYMBOL, 0, 7, 't'),
    Row("u", TK_SYMBOL, 0, 7, 'u'),
    Row("v", TK_SYMBOL, 0, 7, 'v'),
    Row("w", TK_SYMBOL, 0, 7, 'w'),
    Row("H", TK_SYMBOL, 0, 7, 'H'),
    Row("I", TK_SYMBOL, 0, 7, 'I'),
    Row("J", TK_SYMBOL, 0, 7, 'J'),
    Row("K", TK_SYMBOL, 0, 7, 'K'),
    Row("L", TK_SYMBOL, 0, 7, 'L'),
    Row("M", TK_SYMBOL, 0, 7, 'M'),
    Row("N", TK_SYMBOL, 0, 7, 'N'),
    Row("O", TK_SYMBOL, 0, 7, 'O'),
    Row("P", TK_SYMBOL, 0, 7, 'P'),
    Row("Q", TK_SYMBOL, 0, 7, 'Q'),
    Row("R", TK_SYMBOL, 0, 7, 'R'),
    Row("S", TK_SYMBOL, 0, 7, 'S'),
    Row("T", TK_SYMBOL, 0, 7, 'T'),
    Row("U", TK_SYMBOL, 0, 7, 'U'),
    Row("V", TK_SYMBOL, 0, 7, 'V'),
    Row("W", TK_SYMBOL, 0, 7, 'W'),
    Row("X", TK_SYMBOL, 0, 7, 'X'),
    Row("Y", TK_SYMBOL, 0, 7, 'Y'),
    Row("Z", TK_SYMBOL, 0, 7, 'Z'),
}};
const std::array<TokenRow, kTokenRowCount> kTokenRows = kTokenRowsInit;

namespace {

constexpr std::array<int16_t, 256> BuildFirstRow() {
  std::array<int16_t, 256> index{};
  for (auto& i : index) i = -1;
  for (int r = 0; r < kTokenRowCount; ++r) {
    auto c = static_cast<unsigned char>(kTokenRowsInit[r].text[0]);
    if (index[c] < 0) index[c] = static_cast<int16_t>(r);
  }
  return index;
}

constexpr std::array<int16_t, 256> BuildRowsEnd() {
  std::array<int16_t, 256> end{};
  for (int r = 0; r < kTokenRowCount; ++r)
    end[static_cast<unsigned char>(kTokenRowsInit[r].text[0])] = static_cast<int16_t>(r + 1);
  return end;
}

constexpr std::array<int16_t, 256> BuildLineStartRow() {
  std::array<int16_t, 256> index{};
  for (auto& i : index) i = -1;
  for (int r = kLineStartFirst; r < kLineStartFirst + kLineStartCount; ++r)
    index[static_cast<unsigned char>(kTokenRowsInit[r].text[1])] = static_cast<int16_t>(r);
  return index;
}

// No two line-start rows share their second character, so that one lookup finds
// the only row that can match.
constexpr bool LineStartRowsDiffer() {
  const std::array<int16_t, 256> index = BuildLineStartRow();
  int found = 0;
  for (int16_t r : index) found += r >= 0 ? 1 : 0;
  return found == kLineStartCount;
}
static_assert(LineStartRowsDiffer());

// Rows of one first character must stand together for the index to find them all.
constexpr bool RowsAreGrouped() {
  for (int r = 1; r < kTokenRowCount; ++r) {
    char c = kTokenRowsInit[r].text[0];
    if (c == kTokenRowsInit[r - 1].text[0]) continue;
    for (int q = 0; q < r - 1; ++q)
      if (kTokenRowsInit[q].text[0] == c) return false;
  }
  return true;
}
static_assert(RowsAreGrouped());
static_assert(kTokenRowsInit[kLineStartFirst].text == "\nE:");
static_assert(kTokenRowsInit[kLineStartFirst + kLineStartCount - 1].text == "\n\\");
static_assert(kTokenRowsInit[kLineStartFirst + kLineStartCount].text == "\n");

}  // namespace

const std::array<int16_t, 256> kFirstRow = BuildFirstRow();
const std::array<int16_t, 256> kRowsEnd = BuildRowsEnd();
const std::array<int16_t, 256> kLineStartRow = BuildLineStartRow();

const std::array<DecorationDef, kDecorationCount> kDecorations = {{
    {"trill", false, 54},
    {"lowermordent", false, 55},
    {"uppermordent", false, 56},
    {"mordent", false, 55},
    {"pralltriller", false, 56},
    {"accent", false, 57},
    {"emphasis", false, 57},
    {"fermata", false, 71},
    {"invertedfermata", false, 72},
    {"tenuto", false, 58},
    {"0", false, 73},
    {"1", false, 74},
    {"2", false, 75},
    {"3", false, 76},
    {"4", false, 77},
    {"5", false, 78},
    {"+", false, 59},
    {"wedge", false, 61},
    {"open", false, 60},
    {"thumb", false, 62},
    {"snap", false, 63},
    {"turn", false, 64},
    {"roll", false, 65},
    {"breath", false, 66},
    {"shortphrase", false, 79},
    {"mediumphrase", false, 80},
    {"longphrase", false, 81},
    {"segno", false, 82},
    {"coda", false, 83},
    {"D.S.", false, 84},
    {"D.C.", false, 85},
    {"fine", false, 86},
    {"crescendo(", false, 88},
    {"crescendo)", false, 89},
    {"diminuendo(", false, 90},
    {"diminuendo)", false, 91},
    {"p", false, 92},
    {"pp", false, 93},
    {"ppp", false, 94},
    {"pppp", false, 95},
    {"mf", false, 96},
    {"f", false, 97},
    {"ff", false, 98},
    {"fff", false, 99},
    {"ffff", false, 100},
    {"sfz", false, 101},
    {"repeatbar", true, 87},
    {"upbow", false, 67},
    {"downbow", false, 68},
    {"slide", false, 69},
    {"quartertone", false, 70},
}};

uint8_t LookupDecoration(std::string_view name, uint8_t& barNumber) {
  for (const DecorationDef& d : kDecorations) {
    if (!d.barFlag) {
      if (name == d.name) return d.kind;
      continue;
    }
    if (name.substr(0, d.name.size()) != d.name) continue;
    size_t i = d.name.size();
    while (i < name.size() && name[i] == ' ') ++i;
    uint32_t n = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') {
      n = n * 10 + static_cast<uint32_t>(name[i] - '0');
      if (n > 255) n = 255;
      ++i;
    }
    barNumber = static_cast<uint8_t>(n == 0 ? 1 : n);
    return d.kind;
  }
  return 0;
}

// ----------------------------------------------------------------------------- names

char FieldLetter(int kind) {
  static constexpr char kLetters[] = "EIKLMPQRTUuVWw";
  return IsFieldKind(kind) ? kLetters[kind - kFirstFieldKind] : '\0';
}

int FieldKindOf(char letter) {
  static constexpr char kLetters[] = "EIKLMPQRTUuVWw";
  for (int k = 0; k < 14; ++k)
    if (kLetters[k] == letter) return kFirstFieldKind + k;
  return 0;
}

const char* TokenKindName(int kind) {
  static const char* const kNames[] = {"?",
                                       "TK_ERROR",
                                       "TK_END",
                                       "TK_CR",
                                       "TK_NEWLINE",
                                       "TK_SPACE",
                                       "TK_TAB",
                                       "TK_COMMENT",
                                       "TK_BACKSLASH_LINE",
                                       "TK_CONTINUE",
                                       "TK_BANG_BREAK",
                                       "TK_STAR",
                                       "TK_BAR",
                                       "TK_DOUBLE_BAR",
                                       "TK_END_BAR",
                                       "TK_START_BAR",
                                       "TK_REPEAT_START",
                                       "TK_REPEAT_BOTH",
                                       "TK_REPEAT_END",
                                       "TK_FIRST_ENDING",
                                       "TK_SECOND_ENDING",
                                       "TK_ENDING_BRACKET",
                                       "TK_NOTE",
                                       "TK_CHORD_SYMBOL",
                                       "TK_DECORATION_TEXT",
                                       "TK_DIRECTIVE",
                                       "TK_GRACE_START",
                                       "TK_GRACE_END",
                                       "TK_BROKEN",
                                       "TK_TIE",
                                       "?",
                                       "TK_SLUR_START",
                                       "TK_SLUR_END",
                                       "?",
                                       "TK_CHORD_START",
                                       "TK_CHORD_END",
                                       "TK_TUPLET",
                                       "TK_STACCATO",
                                       "TK_SYMBOL",
                                       "FIELD_E",
                                       "FIELD_I",
                                       "FIELD_K",
                                       "FIELD_L",
                                       "FIELD_M",
                                       "FIELD_P",
                                       "FIELD_Q",
                                       "FIELD_R",
                                       "FIELD_T",
                                       "FIELD_U",
                                       "FIELD_u",
                                       "FIELD_V",
                                       "FIELD_W",
                                       "FIELD_w",
                                       "TK_INLINE_FIELD"};
  static_assert(sizeof kNames / sizeof kNames[0] == 54);
  if (kind >= 0 && kind < 54) return kNames[kind];
  if (kind == TK_FIELD_INFO) return "FIELD_INFO";
  if (kind == TK_OVERLAY) return "TK_OVERLAY";
  if (kind == TK_BACKQUOTE) return "TK_BACKQUOTE";
  if (IsDecorationKind(kind)) {
    for (const DecorationDef& d : kDecorations)
      if (d.kind == kind) return d.name.data();
  }
  return "?";
}

}  // namespace tunora
