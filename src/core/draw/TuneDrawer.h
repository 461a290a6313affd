// The staff-line layout of one tune, as passes over one row of draw items:
//   items from tokens   (StaffItems.cpp)     the reader's tokens become items; lyrics
//   spacing             (StaffSpacing.cpp)   widths of items, and the time axis that
//                                            the voices of a system share
//   line breaking       (StaffBreaking.cpp)  staves and systems cut from the row
//   beams and stems     (StaffStems.cpp)     columns, beam groups, stem directions
//   vertical placement  (StaffVertical.cpp)  extents, staff positions, page breaks
//   drawing             (StaffDraw*.cpp)     one small function per element kind,
//                                            each reporting its items to the canvas
// Internal to the notation engine; DrawTuneMusic (StaffLayout.h) is the entry point.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "abc/AbcParser.h"
#include "base/Ascii.h"
#include "draw/DrawContext.h"
#include "draw/StaffLayout.h"

namespace tunora {

struct TuneRecord;

namespace staff {

inline constexpr size_t kMaxLineItems = 2038;
// Spacing may be pressed to 4/5 of its natural width: a line breaks when it needs more
// than 5/4 of its room.
inline constexpr int32_t kShrinkAllowanceDen = 4;
// A staff filled less than 2/5 is not stretched.
inline constexpr int32_t kStretchMinFillNum = 2;
inline constexpr int32_t kStretchMinFillDen = 5;
inline constexpr size_t kMaxVoiceItems = 100000;  // one voice of a tune drawn as systems
inline constexpr int kSharpOrder[7] = {5, 0, 7, 2, 9, 4, 11};  // F C G D A E B
inline constexpr int kFlatOrder[7] = {11, 4, 9, 2, 7, 0, 5};   // B E A D G C F
inline constexpr int kTrebleSharpSteps[7] = {8, 5, 9, 6, 3, 7, 4};
inline constexpr int kTrebleFlatSteps[7] = {4, 7, 3, 6, 2, 5, 1};

inline bool ContainsWord(const std::string& lower, std::string_view word) {
  size_t p = 0;
  while ((p = lower.find(word, p)) != std::string::npos) {
    bool startOk = p == 0 || lower[p - 1] == ' ' || lower[p - 1] == '=' || lower[p - 1] == '\t';
    if (startOk) return true;
    ++p;
  }
  return false;
}

// The first word of a V: text: the voice's number or name.
inline std::string VoiceId(std::string_view text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  size_t e = text.find_first_of(" \t]", b);
  return std::string(text.substr(b, e == std::string_view::npos ? e : e - b));
}

// Text blocks between %%begintext and %%endtext are not music.
inline bool SkipsTextBlock(TokenKind k, std::string_view text, bool& inText) {
  if (k == TK_DIRECTIVE) {
    size_t b = text.find_first_not_of("% \t");
    std::string_view word = b == std::string_view::npos ? std::string_view() : text.substr(b);
    if (word.substr(0, 9) == "begintext") {
      inText = true;
      return true;
    }
    if (word.substr(0, 7) == "endtext") {
      inText = false;
      return true;
    }
  }
  return inText && k != TK_END;
}

inline bool IsBarItem(int kind) { return kind >= TK_BAR && kind <= TK_REPEAT_END; }
inline bool IsBlankItem(int kind) {
  return kind == TK_SPACE || kind == TK_TAB || kind == TK_NEWLINE;
}
inline bool IsPrefixItem(int kind) {
  return kind == kItemStaffStart || kind == kItemClef || kind == TK_FIELD_K || kind == TK_FIELD_M ||
         kind == TK_FIELD_Q || IsBlankItem(kind);
}

// Decorations named in !...! that the reader's table does not know but the drawing
// does; names that neither knows are dropped.
inline constexpr uint8_t kDecoDynamic = 200;  // a dynamic word (fp, sfz, mp ...) as text
inline constexpr uint8_t kDecoPedal = 201;
inline constexpr uint8_t kDecoPedalUp = 202;
inline constexpr uint8_t kDecoArpeggio = 203;
inline constexpr uint8_t kDecoTremolo = 204;  // the stroke count as text
inline constexpr uint8_t kDecoWords = 205;    // words above the staff (da capo ...)

// The decoration kind of a !name! the reader gave as text, with the text it keeps;
// 0 for a name to drop.
inline int DecorationOfName(std::string_view name, std::string& text) {
  text.clear();
  if (name.empty()) return 0;
  bool dynamic = name.size() <= 5;
  for (char c : name)
    dynamic = dynamic && std::string_view("pmfszr").find(c) != std::string_view::npos;
  if (dynamic) {
    text = std::string(name);
    return kDecoDynamic;
  }
  if (name == ">" || name == "accent") return TK_ACCENT;
  if (name == "<(" || name == "crescendo(") return TK_CRESCENDO_START;
  if (name == "<)" || name == "crescendo)") return TK_CRESCENDO_END;
  if (name == ">(" || name == "diminuendo(") return TK_DIMINUENDO_START;
  if (name == ">)" || name == "diminuendo)") return TK_DIMINUENDO_END;
  if (name == "invertedturn" || name == "turnx" || name == "invertedturnx") return TK_TURN;
  if (name == "mordent" || name == "lowermordent") return TK_LOWERMORDENT;
  if (name == "pralltriller" || name == "uppermordent") return TK_UPPERMORDENT;
  if (name == "trill(" || name == "trill") return TK_TRILL;
  if (name == "ped") return kDecoPedal;
  if (name == "ped-up") return kDecoPedalUp;
  if (name == "arpeggio") return kDecoArpeggio;
  if (name.size() == 5 && name.substr(0, 4) == "trem" && name[4] >= '1' && name[4] <= '4') {
    text = std::string(1, name[4]);
    return kDecoTremolo;
  }
  if (name == "dacapo") text = "Da Capo";
  if (name == "dacoda") text = "Da Coda";
  if (name == "fine") text = "Fine";
  return text.empty() ? 0 : kDecoWords;
}

// A chord symbol as printed: "#" and "b" that alter a root, a bass note or a chord
// step become the sharp and flat signs (as UTF-8; a text with other 8-bit bytes is
// left as written).
inline std::string ChordDisplay(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return std::string(text);
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    char prev = i > 0 ? text[i - 1] : ' ';
    char next = i + 1 < text.size() ? text[i + 1] : ' ';
    bool afterRoot = prev >= 'A' && prev <= 'G';
    bool alteration = (next >= '0' && next <= '9') && (prev >= '0' && prev <= '9');
    if (c == '#' && (afterRoot || alteration || ((next >= '0' && next <= '9') && prev == '('))) {
      out += "\xE2\x99\xAF";  // sharp sign
    } else if (c == 'b' &&
               (afterRoot || alteration || ((next >= '0' && next <= '9') && prev == '('))) {
      out += "\xE2\x99\xAD";  // flat sign
    } else {
      out += c;
    }
  }
  return out;
}

// Where a decoration goes.
enum class Place { kNote, kAbove, kBelow, kLeft, kRight, kNone };

struct DecoStyle {
  Place place;
  int symbol;        // -1: drawn as text
  const char* text;  // the text when symbol is -1
};

inline DecoStyle StyleOf(int kind) {
  switch (kind) {
    case TK_STACCATO: return {Place::kNote, SYM_STACCATO, nullptr};
    case TK_TRILL: return {Place::kAbove, SYM_TRILL, nullptr};
    case TK_LOWERMORDENT: return {Place::kAbove, SYM_MORDENT, nullptr};
    case TK_UPPERMORDENT: return {Place::kAbove, SYM_PRALLTRILLER, nullptr};
    case TK_ACCENT: return {Place::kNote, SYM_ACCENT, nullptr};
    case TK_TENUTO: return {Place::kNote, SYM_TENUTO, nullptr};
    case TK_PLUS: return {Place::kAbove, SYM_PIZZ, nullptr};
    case TK_OPEN: return {Place::kAbove, SYM_HARMONIC, nullptr};
    case TK_WEDGE: return {Place::kNote, SYM_SMALL_TRIANGLE_DOWN, nullptr};
    case TK_THUMB: return {Place::kAbove, SYM_HARMONIC, nullptr};
    case TK_SNAP: return {Place::kAbove, SYM_HARMONIC, nullptr};
    case TK_TURN: return {Place::kAbove, SYM_TURN, nullptr};
    // A roll stands above the note, as players of the music that uses it expect.
    case TK_ROLL: return {Place::kAbove, SYM_ROLL, nullptr};
    case TK_BREATH: return {Place::kAbove, SYM_BREATH, nullptr};
    case TK_UPBOW: return {Place::kAbove, SYM_UPBOW, nullptr};
    case TK_DOWNBOW: return {Place::kAbove, SYM_DOWNBOW, nullptr};
    case TK_SLIDE: return {Place::kLeft, SYM_SLIDE, nullptr};
    case TK_QUARTERTONE: return {Place::kAbove, -1, "1/4"};
    case TK_FERMATA: return {Place::kAbove, SYM_FERMATA_ABOVE, nullptr};
    case TK_INVERTEDFERMATA: return {Place::kBelow, SYM_FERMATA_BELOW, nullptr};
    case TK_SEGNO: return {Place::kAbove, SYM_SEGNO, nullptr};
    case TK_CODA: return {Place::kAbove, SYM_CODA, nullptr};
    case TK_DS: return {Place::kAbove, SYM_DS, nullptr};
    case TK_DC: return {Place::kAbove, SYM_DC, nullptr};
    case TK_FINE: return {Place::kAbove, -1, "Fine"};
    case TK_P: return {Place::kAbove, SYM_DYN_P, nullptr};
    case TK_P + 1: return {Place::kAbove, SYM_DYN_PP, nullptr};
    case TK_P + 2: return {Place::kAbove, SYM_DYN_PPP, nullptr};
    case TK_PPPP: return {Place::kAbove, -2, "pppp"};
    case TK_MF: return {Place::kAbove, SYM_DYN_MF, nullptr};
    case TK_F: return {Place::kAbove, SYM_DYN_F, nullptr};
    case TK_F + 1: return {Place::kAbove, SYM_DYN_FF, nullptr};
    case TK_F + 2: return {Place::kAbove, SYM_DYN_FFF, nullptr};
    case TK_FFFF: return {Place::kAbove, -2, "ffff"};
    case TK_SFZ: return {Place::kAbove, -2, "sfz"};
    default: break;
  }
  if (kind >= TK_FINGER_0 && kind <= TK_FINGER_5) return {Place::kLeft, -1, nullptr};
  switch (kind) {
    case kDecoDynamic: return {Place::kAbove, -2, nullptr};
    case kDecoPedal: return {Place::kBelow, 98, nullptr};
    case kDecoPedalUp: return {Place::kBelow, 99, nullptr};
    case kDecoArpeggio: return {Place::kLeft, 106, nullptr};
    case kDecoWords: return {Place::kAbove, -1, nullptr};
    default: break;
  }
  return {Place::kNone, -1, nullptr};
}

// Tokens that put something on the staff (so a pending staff break takes effect).
inline bool BeginsMusic(int kind) {
  switch (kind) {
    case TK_ERROR:
    case TK_END:
    case TK_CR:
    case TK_NEWLINE:
    case TK_SPACE:
    case TK_TAB:
    case TK_COMMENT:
    case TK_BACKSLASH_LINE:
    case TK_CONTINUE:
    case TK_BANG_BREAK:
    case TK_FIELD_INFO:
    case TK_BACKQUOTE:
    case TK_DIRECTIVE:
    case TK_FIELD_W:
    case TK_FIELD_w:
    case TK_FIELD_U:
    case TK_FIELD_u:
    case TK_FIELD_I:
    case TK_FIELD_L:
    case TK_FIELD_E: return false;
    default: return true;
  }
}

inline bool IsDynamicKind(int kind) {
  return (kind >= TK_P && kind <= TK_SFZ) || kind == kDecoDynamic;
}
// The music-font letter of a dynamic: p, m, f, s, z, r; 0 for others.
inline int DynamicLetterSymbol(char c) {
  switch (c) {
    case 'p': return SYM_DYN_P;
    case 'f': return SYM_DYN_F;
    case 'm': return 142;
    case 's': return 144;
    case 'z': return 140;
    case 'r': return 143;
    default: return 0;
  }
}

// Decorations of the default user symbols, for symbols without a definition.
inline int DefaultSymbolKind(uint8_t c) {
  switch (c) {
    case '~': return TK_ROLL;
    case 'H': return TK_FERMATA;
    case 'L': return TK_ACCENT;
    case 'M': return TK_LOWERMORDENT;
    case 'O': return TK_CODA;
    case 'P': return TK_UPPERMORDENT;
    case 'S': return TK_SEGNO;
    case 'T': return TK_TRILL;
    case 'u': return TK_UPBOW;
    case 'v': return TK_DOWNBOW;
    default: return 0;
  }
}

inline int AccidentalSymbol(int accidental, bool grace) {
  int s = 0;
  switch (accidental) {
    case 1: s = SYM_SHARP; break;
    case 2: s = SYM_DOUBLE_SHARP; break;
    case -1: s = SYM_FLAT; break;
    case -2: s = SYM_DOUBLE_FLAT; break;
    case kNatural: s = SYM_NATURAL; break;
    default: return 0;
  }
  return grace ? s + (SYM_SMALL_SHARP - SYM_SHARP) : s;
}

inline int HeadSymbol(int base) {
  if (base <= 0) return SYM_BREVE;
  if (base == 1) return SYM_WHOLE;
  if (base == 2) return SYM_UNFILLED_HEAD;
  return SYM_FILLED_HEAD;
}

inline int RestSymbol(int base) {
  if (base <= 1) return SYM_WHOLE_REST;
  return std::min(SYM_WHOLE_REST + base - 1, static_cast<int>(SYM_128TH_REST));
}

inline int RestVpos(const LayoutParams& lp, int base) {
  int i = std::clamp(base, 1, 8) - 1;
  return lp[LP_Rest1Vpos + i];
}

// The glyph of a note drawn alone: head with stem and flags.
inline int SingleNoteSymbol(int base, bool up) {
  if (base <= 0) return SYM_BREVE;
  if (base == 1) return SYM_WHOLE;
  int level = std::min(base, 8) - 2;  // 0 half ... 6 128th
  return SYM_HALF_UP + 2 * level + (up ? 0 : 1);
}

struct Column {
  int first = 0;  // item indices of the note, rest or chord notes
  int last = 0;
  bool grace = false;
  bool rest = false;
  int base = 3;
  int topStep = 0;
  int bottomStep = 0;
  int32_t headX = 0;
  int32_t headW = 0;
  int group = -1;
  bool up = true;
  bool single = true;  // drawn as one glyph
  bool stem = false;   // stem drawn as a line
  int32_t stemX = 0;
  int32_t stemBase = 0;
  int32_t tip = 0;
  int32_t inkTop = 0;
  int32_t inkBottom = 0;
};

struct Group {
  std::vector<int> cols;
  bool grace = false;
  bool up = true;
  bool beamed = false;
};

struct OpenSlur {
  int32_t begin;  // source of the note it starts at
  uint32_t serial;
  int32_t x;
  int32_t y;
  bool above;
};

struct OpenTie {
  uint8_t pitch;
  bool above;
  int32_t begin;  // source of the tied note
};

// The box of something drawn by a staff, from the staff's bottom line.
struct InkBox {
  int32_t x1, x2, bottom, top;
};

class TuneDrawer : public AbcParser {
 public:
  explicit TuneDrawer(DrawContext& dc) : dc_(dc), fs_(dc.Format()), lp_(dc.Layout()) {
    line_.reserve(kMaxLineItems + 8);
    LS = lp_.Get(LP_LineSpacing);
    gracePct_ = lp_.Get(LP_GraceNotePercent);
  }

  bool Draw(const TuneRecord& tune);

 private:
  // --- reading ----------------------------------------------------------------------
  void CollectLyrics(const TuneRecord& tune);
  // One w: line (at offset in the body, -1 when unknown) under the notes of
  // [blockStart, blockEnd) as verse.
  void ReadLyricLine(std::string_view text, int32_t offset, int verse, size_t blockStart,
                     size_t blockEnd);
  bool IsLyricNote() const {
    return note.pitch < 128 && (note.flags & kNoteInGrace) == 0 &&
           !(InChord() && ChordNoteCount() > 1);
  }

  // --- building lines ------------------------------------------------------------------
  void StartLine(bool first);
  bool Append(DrawItem item);
  bool Cut();
  bool FlushLine(bool last);
  void AddNote();
  void AddBar(TokenKind kind);
  void AddKey(bool cancel, const std::array<int8_t, 12>& old);
  void AddMeter();
  DrawItem MakeMeter() const;
  void AddClef();
  void AddText(uint8_t kind, std::string text);
  void AttachPending(DrawItem& item);
  void SpaceSyllables(DrawItem& n, int32_t headW);
  void ReadToken(TokenKind k, size_t& pos);
  bool afterContinue_ = false;  // the line just read ended with a continuation
  void EndChord();
  void ChangeKey();
  void AddMultiRest(size_t& pos);
  int32_t Spacing(uint32_t ticks) const;
  int32_t BarWidth(int kind, int32_t* ink) const;
  int32_t KeyWidth(const DrawItem& key) const;
  int32_t MeterWidth(const DrawItem& meter) const;
  // The width of a time signature's digits ("3", "2+3+2") in meter glyphs.
  int32_t MeterDigitsWidth(const std::string& digits) const;
  int32_t TextWidth(const CanvasFont& font, std::string_view text) const {
    return dc_.GetCanvas().TextWidth(font, text);
  }

  // --- drawing one line ----------------------------------------------------------------
  // Draws the line; false when it holds no music and is not drawn.
  bool DrawLine(bool last);
  // Columns, groups and extents of the line (stretched to the right limit when asked);
  // false when it holds no music.
  bool PrepareLine(bool stretch);
  // Draws the prepared line with its bottom staff line at y0.
  void PaintLine(int32_t y0);
  void BuildColumns();
  void BuildGroups();
  void PlaceGroup(Group& g);
  void Extents(int32_t& top, int32_t& bottom);
  void DrawStaff(int32_t y0, int32_t endX);
  void DrawColumn(const Column& c, int32_t y0);
  void DrawBeams(const Group& g, int32_t y0);
  void DrawTuplets(int32_t y0);
  // Where the number (and bracket) of the tuplet at item i stands; false when it has
  // no notes on the line.
  struct TupletMark {
    std::vector<int> cols;
    bool oneBeam = false;  // its notes are one beam group: no bracket
    bool above = true;
    int32_t cy = 0;  // the number's centre, from the staff's bottom line
    int32_t h = 0;   // and its height
    int32_t x1 = 0, x2 = 0;
  };
  bool PlaceTuplet(size_t i, TupletMark& m) const;
  void DrawTiesAndSlurs(int32_t y0, int32_t startX, int32_t endX);
  void DrawArc(std::string_view kind, int32_t begin, int32_t end, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2, bool above, int32_t height);
  void DrawDecorations(int32_t y0);
  void DrawTexts(int32_t y0, int32_t startX, int32_t endX);
  void DrawBarsAndSigns(int32_t y0);
  void DrawEndings(int32_t y0, int32_t startX, int32_t endX);
  void DrawLyrics(int32_t y0);
  // Clefs, key and time signatures of the line.
  void DrawSigns(int32_t y0);
  void DrawClef(const DrawItem& it, int32_t y0);
  void DrawKey(const DrawItem& it, int32_t y0);
  void DrawMeter(const DrawItem& it, int32_t y0);
  int32_t YOf(int step) const { return step * LS / 2; }
  // The height of repeat brackets: above the staff and above the notes of the line.
  int32_t EndingTop() const {
    int32_t ink = YOf(8);
    for (const Column& c : cols_) ink = std::max(ink, c.inkTop);
    return std::max(YOf(8) + lp_.Get(LP_BracketGap), ink + LS / 3) + lp_.Get(LP_BracketHeight);
  }
  // Whether a repeat bracket stands over the line.
  bool HasEndings() const {
    bool endings = openEnding_ != 0;
    for (const DrawItem& it : line_)
      endings = endings || it.kind == TK_FIRST_ENDING || it.kind == TK_SECOND_ENDING;
    return endings;
  }
  int32_t Scaled(int32_t v, bool grace) const { return grace ? v * gracePct_ / 100 : v; }
  // Reporting and drawing of one element.
  void Sym(std::string_view kind, int symbol, int32_t x, int32_t y, const DrawItem& src,
           bool grace = false) {
    dc_.PutSymbol(kind, symbol, x, y, src.begin, src.end, grace);
  }
  void Line(std::string_view kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t t,
            const DrawItem& src) {
    dc_.PutLine(kind, x1, y1, x2, y2, t, src.begin, src.end);
  }
  const GlyphBox& Box(int symbol, bool grace = false) const {
    return grace ? dc_.GraceGlyph(symbol) : dc_.Glyph(symbol);
  }
  // The column holding an item (columns are in item order), -1 for none.
  int ColumnOfItem(int item) const {
    auto it = std::upper_bound(cols_.begin(), cols_.end(), item,
                               [](int i, const Column& c) { return i < c.first; });
    if (it == cols_.begin()) return -1;
    --it;
    return item <= it->last ? static_cast<int>(it - cols_.begin()) : -1;
  }

  DrawContext& dc_;
  const FormatSettings& fs_;
  const LayoutParams& lp_;
  int32_t LS = 210;
  int gracePct_ = 50;

  std::vector<DrawItem> line_;
  int32_t cursor_ = 0;
  bool firstLine_ = true;
  bool stopped_ = false;
  int barsInLine_ = 0;
  uint32_t serial_ = 0;
  uint32_t barTick_ = 0;

  // State carried from line to line.
  int clef_ = kClefTreble;
  DrawItem lastClef_;
  DrawItem lastKey_;
  bool haveKey_ = false;
  std::array<int8_t, 12> key_{};

  bool keyExplicit_ = false;  // the K: being read says "exp"
  // The shift of notes set by "middle=" of the voice being read (the note written on
  // the middle line), kNoMiddle when the clef decides.
  static constexpr int kNoMiddle = -1000;
  int middleShift_ = kNoMiddle;
  bool acciaccatura_ = false;  // the grace group being read began with "{/"
  bool breakPending_ = false;  // a line end or "!" ended the staff
  // The byte range of the token being read (in the body), -1 for header items.
  int32_t tokBegin_ = -1;
  int32_t tokEnd_ = -1;
  // A field's range from its text: the letter and colon before it, and the brackets
  // of an inline field.
  void FieldRange() {
    std::string_view t = TokenText(), all = Text();
    if (InSubstitution() || t.data() < all.data() || t.data() + t.size() > all.data() + all.size())
      return;
    size_t b = static_cast<size_t>(t.data() - all.data()), e = b + t.size();
    while (b > 0 && (all[b - 1] == ' ' || all[b - 1] == '\t')) --b;
    if (b >= 2 && all[b - 1] == ':') b -= 2;
    if (b >= 1 && all[b - 1] == '[') --b;
    if (e < all.size() && all[e] == ']') ++e;
    tokBegin_ = static_cast<int32_t>(b);
    tokEnd_ = static_cast<int32_t>(e);
  }
  void Pend(int kind, std::string text = {}) {
    pending_.push_back({static_cast<uint8_t>(kind), std::move(text), tokBegin_, tokEnd_});
  }

  // Pending attachments.
  std::vector<Decoration> pending_;
  int pendingSlurs_ = 0;
  int chordStart_ = -1;  // index of the chord-start item while a chord is built
  int chordFirst_ = -1;

  // Lyrics by note ordinal.
  std::vector<std::vector<Syllable>> lyrics_;
  std::vector<int> noteBars_;
  size_t noteOrdinal_ = 0;

  // Measure numbers.
  int measure_ = 1;
  // Clefs of the voices, from the header's V: fields and the body's.
  std::map<std::string, int> voiceClefs_;  // by the voice's first word
  int headerClef_ = 1;
  uint32_t lastNoteSerial_ = 0;

  // Drawing state of the line being drawn.
  std::vector<Column> cols_;
  std::vector<Group> groups_;
  std::vector<OpenSlur> openSlurs_;
  std::vector<OpenTie> openTies_;
  std::vector<std::pair<int, int32_t>> openHairpins_;  // kind and start x (continued)
  std::vector<int32_t> openHairpinBegins_;
  int openEnding_ = 0;
  int32_t endingBegin_ = -1;
  bool endingHadNote_ = false;
  int32_t endX_ = 0;   // of the prepared line: the end of its ink
  int32_t above_ = 0;  // and what it needs above and below its staff
  int32_t below_ = 0;
  bool overlayPass_ = false;  // drawing a second voice into a staff already drawn
  int forcedStem_ = 0;        // 1 up, -1 down for the voices sharing a staff
  int32_t prevBottom_ = 0;
  int32_t prevBelow_ = 0;
  // --- placement of texts (StaffPlacement.cpp) ----------------------------------------
  // Annotations, chord symbols and the texts of fields are placed one by one, each
  // moved away from the staff until its box clears the ink already placed in its
  // column range: notes, stems, beams, decorations and the texts placed before it.
  struct PlacedText {
    int item;  // in line_
    int deco;  // in the item's decorations; -1 for the item's own text
    int32_t x;
    int32_t baseline;  // from the staff's bottom line
  };
  void PlaceTexts();
  // The ink of the prepared line's staff, columns, their decorations and beams.
  void ColumnInk(std::vector<InkBox>& ink) const;
  // What the voices sharing a staff have drawn or will draw there, which the texts
  // of each keep clear of; and all the ink of the line last placed.
  std::vector<InkBox> sharedInk_;
  std::vector<InkBox> lineInk_;
  // The height a decoration takes in its column's stack above or below the notes.
  int32_t StackHeight(const Decoration& d) const;
  // Where the text of an item (deco -1) or of one of its decorations was placed;
  // nullptr when it was not.
  const PlacedText* PlacedFor(int item, int deco) const;
  std::vector<PlacedText> placed_;
  int32_t placedTop_ = 0;  // the extent of the placed texts
  int32_t placedBottom_ = 0;
  int32_t lyricsTop_ = 0;
  int verses_ = 0;
  int systems_ = 0;         // systems drawn of the tune
  bool numberBars_ = true;  // this staff shows measure numbers

  // --- voices as systems (StaffVoices.cpp) ---------------------------------------------
  // A tune with two or more voices (or a voice overlay) is read into one row of items
  // per voice; the rows are spaced on one time axis, cut into systems together and
  // drawn as stacked staves.
  struct Voice {
    std::string id;
    std::string name;
    std::string shortName;
    int clef = kClefNone;  // none: the tune's clef
    int octave = 0;        // -1 for treble-8, +1 for treble+8
    int parent = -1;       // an overlay: the voice whose staff it shares
    int middleShift = kNoMiddle;
    int stems = 0;  // "stem=up" 1, "stem=down" -1
    std::vector<DrawItem> items;
    // Reading state while another voice is read.
    bool started = false;
    uint32_t time = 0;
    uint32_t barTick = 0;
    int clefNow = kClefTreble;
    DrawItem lastClef;
    DrawItem lastKey;
    std::array<int8_t, 12> key{};
    // The reader's key and meter (with the unit length) of the voice: a K:, M: or L:
    // in one voice changes that voice only.
    KeyInfo readerKey;
    MeterInfo readerMeter;
    int pendingSlurs = 0;
    uint32_t lastNoteSerial = 0;
    // Drawing state carried from system to system.
    std::vector<OpenSlur> openSlurs;
    std::vector<OpenTie> openTies;
    std::vector<std::pair<int, int32_t>> openHairpins;
    std::vector<int32_t> openHairpinBegins;
    int openEnding = 0;
    int32_t endingBegin = -1;
  };
  struct StaffBrace {
    int first = 0;  // staves, in order
    int last = 0;
    char kind = '[';  // '[' bracket, '{' brace
  };
  // Finds the voices of the tune (V: fields, %%score and %%staves, overlays); true when
  // it is drawn as systems.
  bool DefineVoices(const TuneRecord& tune);
  int VoiceIndex(std::string_view fieldText, bool define);
  void SwitchVoice(int index);
  // Exchanges the drawing state carried between systems with the voice's.
  void SwapCarried(Voice& v);
  // Starts an overlay voice on the current one: from the start of the bar, or from
  // the start of an overlay that spans several bars, "(& ... & ... &)".
  void StartOverlay();
  void EndOverlay();
  // "&" and "(&" / "&)" as read; false when the token is an ordinary overlay.
  bool ReadOverlaySpan(TokenKind k, size_t pos);
  bool spanPending_ = false;  // "(" just read stands before "&"
  bool spanOpen_ = false;     // inside "(& ... &)"
  bool skipSlurEnd_ = false;  // the ")" of "&)"
  uint32_t spanTime_ = 0;     // where the span starts, and its place in the bar
  uint32_t spanBarTick_ = 0;
  void LayoutVoices();
  void SpaceVoices();
  std::vector<uint32_t> SystemCuts();
  // Draws the system whose items are [sysBegin_, sysEnd_) of each voice.
  bool DrawSystem(int number, bool last);
  std::vector<size_t> sysBegin_, sysEnd_;
  std::vector<DrawItem> clefAt_, keyAt_;  // of each voice where the system starts
  bool multi_ = false;
  std::vector<Voice> voices_;
  int cur_ = 0;
  uint32_t vtime_ = 0;
  uint32_t chordTime_ = 0;  // where the chord being read starts
  int overlayLevel_ = 0;
  std::vector<std::vector<int>> staffVoices_;  // the voices of each staff, main voice first
  std::vector<StaffBrace> braces_;
  // Staves below which bar lines do not run on to the next ("|" in %%score).
  std::vector<int> barGaps_;
  DrawItem headerKey_;
  DrawItem headerMeter_;
  KeyInfo headerReaderKey_;  // the reader's records after the header
  MeterInfo headerReaderMeter_;
  std::string headerTempo_;
  int32_t nameIndent_ = 0;
  // W: lines and notes (N:, H:) of the body, drawn after the music, each with its
  // font and the text put in front of it.
  struct BodyText {
    std::string text;
    int32_t begin = -1;
    int32_t end = -1;
    CanvasFont font;
    std::string start;
  };
  std::vector<BodyText> bodyTexts_;
  void DrawBodyTexts();
};

}  // namespace staff
}  // namespace tunora
