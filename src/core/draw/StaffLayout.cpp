#include "draw/StaffLayout.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "abc/AbcHeader.h"
#include "abc/AbcParser.h"
#include "abc/UserSymbols.h"
#include "draw/DrawContext.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

constexpr size_t kMaxLineItems = 2038;
constexpr int kSharpOrder[7] = {5, 0, 7, 2, 9, 4, 11};  // F C G D A E B
constexpr int kFlatOrder[7] = {11, 4, 9, 2, 7, 0, 5};   // B E A D G C F
constexpr int kTrebleSharpSteps[7] = {8, 5, 9, 6, 3, 7, 4};
constexpr int kTrebleFlatSteps[7] = {4, 7, 3, 6, 2, 5, 1};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsWord(const std::string& lower, std::string_view word) {
  size_t p = 0;
  while ((p = lower.find(word, p)) != std::string::npos) {
    bool startOk = p == 0 || lower[p - 1] == ' ' || lower[p - 1] == '=' || lower[p - 1] == '\t';
    if (startOk) return true;
    ++p;
  }
  return false;
}

// The first word of a V: text: the voice's number or name.
std::string VoiceId(std::string_view text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  size_t e = text.find_first_of(" \t]", b);
  return std::string(text.substr(b, e == std::string_view::npos ? e : e - b));
}

// Text blocks between %%begintext and %%endtext are not music.
bool SkipsTextBlock(TokenKind k, std::string_view text, bool& inText) {
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

bool IsBarItem(int kind) { return kind >= TK_BAR && kind <= TK_REPEAT_END; }
bool IsBlankItem(int kind) { return kind == TK_SPACE || kind == TK_TAB || kind == TK_NEWLINE; }
bool IsPrefixItem(int kind) {
  return kind == kItemStaffStart || kind == kItemClef || kind == TK_FIELD_K ||
         kind == TK_FIELD_M || kind == TK_FIELD_Q || IsBlankItem(kind);
}

// Where a decoration goes.
enum class Place { kNote, kAbove, kBelow, kLeft, kRight, kNone };

struct DecoStyle {
  Place place;
  int symbol;          // -1: drawn as text
  const char* text;    // the text when symbol is -1
};

DecoStyle StyleOf(int kind) {
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
    case TK_SFZ: return {Place::kAbove, SYM_DYN_SF, nullptr};
    default: break;
  }
  if (kind >= TK_FINGER_0 && kind <= TK_FINGER_5) return {Place::kLeft, -1, nullptr};
  if (kind == TK_DECORATION_TEXT) return {Place::kAbove, -1, nullptr};
  return {Place::kNone, -1, nullptr};
}

// Tokens that put something on the staff (so a pending staff break takes effect).
bool BeginsMusic(int kind) {
  switch (kind) {
    case TK_ERROR: case TK_END: case TK_CR: case TK_NEWLINE: case TK_SPACE: case TK_TAB:
    case TK_COMMENT: case TK_BACKSLASH_LINE: case TK_CONTINUE: case TK_BANG_BREAK:
    case TK_DIRECTIVE: case TK_FIELD_W: case TK_FIELD_w: case TK_FIELD_U: case TK_FIELD_u:
    case TK_FIELD_I: case TK_FIELD_L: case TK_FIELD_E:
      return false;
    default:
      return true;
  }
}

bool IsDynamicKind(int kind) { return kind >= TK_P && kind <= TK_SFZ; }

// Decorations of the default user symbols, for symbols without a definition.
int DefaultSymbolKind(uint8_t c) {
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

int AccidentalSymbol(int accidental, bool grace) {
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

int HeadSymbol(int base) {
  if (base <= 0) return SYM_BREVE;
  if (base == 1) return SYM_WHOLE;
  if (base == 2) return SYM_UNFILLED_HEAD;
  return SYM_FILLED_HEAD;
}

int RestSymbol(int base) {
  if (base <= 1) return SYM_WHOLE_REST;
  return std::min(SYM_WHOLE_REST + base - 1, static_cast<int>(SYM_128TH_REST));
}

int RestVpos(const LayoutParams& lp, int base) {
  int i = std::clamp(base, 1, 8) - 1;
  return lp[LP_Rest1Vpos + i];
}

// The glyph of a note drawn alone: head with stem and flags.
int SingleNoteSymbol(int base, bool up) {
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
  bool single = true;   // drawn as one glyph
  bool stem = false;    // stem drawn as a line
  int32_t stemX = 0;
  int32_t stemBase = 0;
  int32_t tip = 0;
  int32_t inkTop = 0;
  int32_t inkBottom = 0;
  int32_t decoTop = 0;     // stacking of decorations above and below
  int32_t decoBottom = 0;
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
  void AddClef();
  void AddText(uint8_t kind, std::string text);
  void AttachPending(DrawItem& item);
  int32_t Spacing(uint32_t ticks) const;
  int32_t BarWidth(int kind, int32_t* ink) const;
  int32_t KeyWidth(const DrawItem& key) const;
  int32_t MeterWidth(const DrawItem& meter) const;
  int32_t TextWidth(const CanvasFont& font, std::string_view text) const {
    return dc_.GetCanvas().TextWidth(font, text);
  }

  // --- drawing one line ----------------------------------------------------------------
  // Draws the line; false when it holds no music and is not drawn.
  bool DrawLine(bool last);
  void BuildColumns();
  void BuildGroups();
  void PlaceGroup(Group& g);
  void Extents(int32_t& top, int32_t& bottom);
  void DrawStaff(int32_t y0, int32_t endX);
  void DrawColumn(const Column& c, int32_t y0);
  void DrawBeams(const Group& g, int32_t y0);
  void DrawTuplets(int32_t y0);
  void DrawTiesAndSlurs(int32_t y0, int32_t startX, int32_t endX);
  void DrawArc(std::string_view kind, int32_t begin, int32_t end, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2, bool above, int32_t height);
  void DrawDecorations(int32_t y0);
  void DrawTexts(int32_t y0, int32_t startX, int32_t endX);
  void DrawBarsAndSigns(int32_t y0);
  void DrawEndings(int32_t y0, int32_t startX, int32_t endX);
  void DrawLyrics(int32_t y0);
  void DrawKey(const DrawItem& it, int32_t y0);
  void DrawMeter(const DrawItem& it, int32_t y0);
  int32_t YOf(int step) const { return step * LS / 2; }
  // The height of repeat brackets: above the staff and above the notes of the line.
  int32_t EndingTop() const {
    int32_t ink = YOf(8);
    for (const Column& c : cols_) ink = std::max(ink, c.inkTop);
    return std::max(YOf(8) + lp_.Get(LP_BracketGap), ink + LS / 3) + lp_.Get(LP_BracketHeight);
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
  int ColumnOfItem(int item) const {
    for (size_t i = 0; i < cols_.size(); ++i)
      if (item >= cols_[i].first && item <= cols_[i].last) return static_cast<int>(i);
    return -1;
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
  int clef_ = 1;
  DrawItem lastClef_;
  DrawItem lastKey_;
  bool haveKey_ = false;
  std::array<int8_t, 12> key_{};

  // The byte range of the token being read (in the body), -1 for header items.
  bool acciaccatura_ = false;
  bool breakPending_ = false;  // a line end or "!" ended the staff  // the grace group being read began with "{/"
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
  int chordStart_ = -1;    // index of the chord-start item while a chord is built
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
  std::vector<std::pair<int, int32_t>> openHairpins_;  // kind and start x (continued)
  std::vector<int32_t> openHairpinBegins_;
  int openEnding_ = 0;
  int32_t endingBegin_ = -1;
  bool endingHadNote_ = false;
  int32_t prevBottom_ = 0;
  int32_t prevBelow_ = 0;
  int32_t chordBaseline_ = 0;
  int32_t chordEnd_ = 0;
  int32_t textBaseline_ = 0;
  int32_t lyricsTop_ = 0;
  int verses_ = 0;
  int systems_ = 0;  // systems drawn of the tune
  // W: lines of the body, drawn after the music.
  std::vector<Syllable> bodyVerses_;
  void DrawVerses();
};

// ---------------------------------------------------------------------------------------
// Reading

void TuneDrawer::ReadLyricLine(std::string_view text, int32_t offset, int verse,
                               size_t blockStart, size_t blockEnd) {
  size_t n = blockStart;
  Syllable syllable;
  bool have = false;
  auto assign = [&](Syllable s) {
    if (n < blockEnd && n < lyrics_.size()) {
      auto& v = lyrics_[n];
      if (v.size() <= static_cast<size_t>(verse)) v.resize(static_cast<size_t>(verse) + 1);
      v[static_cast<size_t>(verse)] = std::move(s);
    }
    ++n;
  };
  auto at = [&](size_t i) { return offset < 0 ? -1 : offset + static_cast<int32_t>(i); };
  auto flush = [&](bool hyphen, size_t i) {
    if (have) {
      if (hyphen) syllable.text += '-';
      syllable.end = at(i);
      assign(std::move(syllable));
    }
    syllable = Syllable();
    have = false;
  };
  auto add = [&](char c, size_t i) {
    if (!have) syllable.begin = at(i);
    syllable.text += c;
    have = true;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t') {
      flush(false, i);
    } else if (c == '-') {
      if (have) {
        flush(true, i);
      } else if (n > blockStart) {
        // "--": a note passed over while the word goes on; it shows a hyphen.
        assign({"-", at(i), at(i + 1)});
      }
    } else if (c == '_') {
      flush(false, i);
      assign({"_", at(i), at(i + 1)});
    } else if (c == '*') {
      flush(false, i);
      assign({"", at(i), at(i + 1)});
    } else if (c == '|') {
      flush(false, i);
      if (n < noteBars_.size() && n > 0) {
        int bar = noteBars_[n - 1];
        while (n < noteBars_.size() && noteBars_[n] == bar) ++n;
      }
    } else if (c == '~') {
      add(' ', i);
    } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == '-') {
      add('-', i);
      ++i;
    } else if (c != '\r' && c != '\n') {
      add(c, i);
    }
  }
  flush(false, text.size());
}

void TuneDrawer::CollectLyrics(const TuneRecord& tune) {
  size_t pos = 0;
  bool first = true;
  size_t notes = 0;
  int bar = 0;
  // The notes of the music line a w: line follows: lines joined by a continuation
  // count as one; a w: right after another w: is the next verse of the same notes.
  size_t lineStart = 0;        // first note of the source line being read
  size_t groupStart = 0;       // first note of the line group being read
  size_t musicStart = 0, musicEnd = 0;  // the last line group that held notes
  bool continued = false;
  size_t blockStart = 0, blockEnd = 0;
  int verse = -1;
  bool sawLyrics = false;
  bool inText = false;
  struct Line {
    std::string_view text;
    int32_t offset;
    int verse;
    size_t start, end;
  };
  std::vector<Line> lines;
  const size_t guard = tune.body.size() * 4 + 64;
  for (size_t steps = 0; steps < guard; ++steps) {
    TokenKind k = NextToken(pos, first);
    first = false;
    if (k == TK_END) break;
    if (SkipsTextBlock(k, TokenText(), inText)) continue;
    if (k == TK_NOTE && IsLyricNote()) {
      noteBars_.push_back(bar);
      ++notes;
    } else if (IsBarKind(k)) {
      ++bar;
    } else if (k == TK_CONTINUE) {
      continued = true;
    } else if (k == TK_NEWLINE) {
      if (notes > lineStart) {
        musicStart = groupStart;
        musicEnd = notes;
      }
      lineStart = notes;
      if (!continued) groupStart = notes;
      continued = false;
    } else if (k == TK_FIELD_w) {
      if (musicEnd > blockEnd || verse < 0) {
        blockStart = std::max(musicStart, blockEnd);
        blockEnd = std::max(musicEnd, blockStart);
        verse = 0;
      } else {
        ++verse;
      }
      std::string_view t = TokenText();
      int32_t offset = -1;
      if (!InSubstitution() && t.data() >= Text().data() &&
          t.data() + t.size() <= Text().data() + Text().size())
        offset = static_cast<int32_t>(t.data() - Text().data());
      lines.push_back({t, offset, verse, blockStart, blockEnd});
      sawLyrics = true;
    }
  }
  if (!sawLyrics) return;
  lyrics_.assign(notes, {});
  for (const Line& l : lines) ReadLyricLine(l.text, l.offset, std::min(l.verse, 8), l.start, l.end);
}

// ---------------------------------------------------------------------------------------
// Building lines

int32_t TuneDrawer::Spacing(uint32_t ticks) const {
  double factor = 1.0;
  if (ticks > 96) factor += 0.3 * std::log2(static_cast<double>(ticks) / 96.0);
  return static_cast<int32_t>(fs_.noteSpacing * std::min(factor, 2.5));
}

int32_t TuneDrawer::BarWidth(int kind, int32_t* ink) const {
  const GlyphBox& bar = Box(SYM_BARLINE);
  int32_t w = 0;
  switch (kind) {
    case TK_DOUBLE_BAR:
      w = bar.right + lp_.Get(LP_BarlineSpacing) + LS / 5 + (bar.advance - bar.left);
      break;
    case TK_END_BAR: w = Box(SYM_THIN_THICK).advance; break;
    case TK_START_BAR: w = Box(SYM_THICK_THIN).advance; break;
    case TK_REPEAT_START: w = Box(SYM_BEGIN_REPEAT).advance; break;
    case TK_REPEAT_END: w = Box(SYM_END_REPEAT).advance; break;
    case TK_REPEAT_BOTH: {
      const GlyphBox& b = Box(SYM_BEGIN_REPEAT);
      w = Box(SYM_END_REPEAT).right + (b.advance - b.left) - (b.right - b.left) / 5;
      break;
    }
    default: w = bar.advance; break;
  }
  w += lp_.Get(LP_SpaceBeforeBarline);
  if (ink != nullptr) {
    int32_t rsb = 0;
    switch (kind) {
      case TK_DOUBLE_BAR: rsb = bar.advance - bar.right; break;
      case TK_END_BAR: rsb = Box(SYM_THIN_THICK).advance - Box(SYM_THIN_THICK).right; break;
      case TK_START_BAR: rsb = Box(SYM_THICK_THIN).advance - Box(SYM_THICK_THIN).right; break;
      case TK_REPEAT_START:
      case TK_REPEAT_BOTH:
        rsb = Box(SYM_BEGIN_REPEAT).advance - Box(SYM_BEGIN_REPEAT).right;
        break;
      case TK_REPEAT_END: rsb = Box(SYM_END_REPEAT).advance - Box(SYM_END_REPEAT).right; break;
      default: rsb = bar.advance - bar.right; break;
    }
    *ink = w - rsb;
  }
  return w + lp_.Get(LP_SpaceAfterBarline);
}

int32_t TuneDrawer::KeyWidth(const DrawItem& key) const {
  int32_t w = 0;
  int count = 0;
  for (int pc = 0; pc < 12; ++pc) {
    int a = key.key[static_cast<size_t>(pc)];
    if (a == 0) continue;
    w += Box(a > 0 ? SYM_SHARP : SYM_FLAT).advance + lp_.Get(LP_KeySpacing);
    ++count;
  }
  if (key.flags & kItemCancel) {
    for (int pc = 0; pc < 12; ++pc) {
      if (key.oldKey[static_cast<size_t>(pc)] != 0 && key.key[static_cast<size_t>(pc)] == 0) {
        w += Box(SYM_NATURAL).advance + lp_.Get(LP_KeySpacing);
        ++count;
      }
    }
  }
  if (count > 0) w += LS / 2;
  return w + lp_.Get(LP_SpaceAfterKey);
}

int32_t TuneDrawer::MeterWidth(const DrawItem& m) const {
  if (m.value == 0 && m.value3 == 0) return 0;
  int32_t w = 0;
  if (m.value3) {
    w = Box(m.value == 2 && m.value2 == 2 ? SYM_CUT_TIME : SYM_COMMON_TIME).advance;
  } else {
    auto digits = [this](const std::string& s) {
      int32_t sum = 0;
      for (char c : s) {
        if (c >= '0' && c <= '9') sum += Box(SYM_METER_0 + (c - '0')).advance;
        if (c == '+') sum += Box(SYM_METER_PLUS).advance;
      }
      return sum;
    };
    w = std::max(digits(m.text), digits(std::to_string(m.value2)));
  }
  return w + LS / 2 + lp_.Get(LP_SpaceAfterMeter);
}

void TuneDrawer::StartLine(bool first) {
  line_.clear();
  barsInLine_ = 0;
  DrawItem start;
  start.kind = kItemStaffStart;
  start.x = dc_.LeftEdge() + (first ? fs_.indent : 0);
  start.width = lp_.Get(LP_SpaceBeforeMusic) + LS * 2 / 5;
  start.ink = 0;
  line_.push_back(start);
  cursor_ = start.x + start.width;
  if (first || !fs_.clefFirstStaffOnly) {
    DrawItem clef = lastClef_;
    clef.x = cursor_;
    line_.push_back(clef);
    cursor_ += clef.width;
  }
  if (haveKey_ && (first || !fs_.keyFirstStaffOnly)) {
    DrawItem key = lastKey_;
    key.flags &= static_cast<uint16_t>(~kItemCancel);
    key.value = clef_;
    key.width = KeyWidth(key);
    key.x = cursor_;
    line_.push_back(key);
    cursor_ += key.width;
  }
}

void TuneDrawer::AttachPending(DrawItem& item) {
  for (Decoration& d : pending_) item.decos.push_back(std::move(d));
  pending_.clear();
}

bool TuneDrawer::Append(DrawItem item) {
  if (stopped_) return false;
  if (item.begin < 0) {
    item.begin = tokBegin_;
    item.end = tokEnd_;
  }
  if (line_.size() >= kMaxLineItems) {
    dc_.ReportTooManyItems();
    stopped_ = true;
    return false;
  }
  const bool chordMember = chordStart_ >= 0 && item.kind == TK_NOTE;
  if (!chordMember) {
    item.x = cursor_;
    cursor_ += item.width;
  }
  line_.push_back(std::move(item));
  if (chordMember) return true;
  while (!stopped_ && !line_.empty() && line_.back().x + line_.back().ink > dc_.RightLimit()) {
    if (!Cut()) break;
  }
  return !stopped_;
}

// Cuts the line after its last bar line (else after its last blank, else before the
// item that overflows) and draws it; the rest begins the next line.
bool TuneDrawer::Cut() {
  if (line_.empty() || chordStart_ >= 0) return false;
  size_t prefix = 0;
  while (prefix < line_.size() && IsPrefixItem(line_[prefix].kind) &&
         !IsBlankItem(line_[prefix].kind))
    ++prefix;
  size_t cut = 0;
  for (size_t i = line_.size() - 1; i > prefix; --i) {
    if (IsBarItem(line_[i].kind) && i + 1 < line_.size()) {
      // A bar line that opens a section begins the next line instead.
      bool opens = line_[i].kind == TK_REPEAT_START || line_[i].kind == TK_START_BAR;
      cut = opens ? i : i + 1;
      break;
    }
  }
  if (cut == 0) {
    for (size_t i = line_.size() - 1; i > prefix; --i) {
      if (IsBlankItem(line_[i].kind)) {
        cut = i + 1;
        break;
      }
    }
  }
  if (cut == 0) {
    // Before the last note, rest or chord, keeping the grace notes and tuplet mark
    // in front of it.
    size_t i = line_.size() - 1;
    while (i > prefix) {
      const DrawItem& it = line_[i];
      if (it.kind == TK_CHORD_START || it.kind == kItemMultiRest || it.kind == TK_ERROR) break;
      if (it.kind == TK_NOTE &&
          !(it.flags & (kItemChordLater | kItemChordFirst | kItemGrace)))
        break;
      --i;
    }
    while (i > prefix) {
      const DrawItem& p = line_[i - 1];
      if (p.kind == TK_GRACE_START || p.kind == TK_GRACE_END || p.kind == TK_TUPLET ||
          p.kind == TK_CHORD_START || (p.kind == TK_NOTE && (p.flags & kItemGrace))) {
        --i;
      } else {
        break;
      }
    }
    cut = i;
  }
  // Something that counts as music must stay on the line being drawn.
  bool music = false;
  for (size_t i = prefix; i < cut; ++i) {
    if (line_[i].kind == TK_NOTE || IsBarItem(line_[i].kind) || line_[i].kind == kItemMultiRest)
      music = true;
  }
  if (!music || cut <= prefix) return false;
  std::vector<DrawItem> carried(std::make_move_iterator(line_.begin() + static_cast<long>(cut)),
                                std::make_move_iterator(line_.end()));
  line_.erase(line_.begin() + static_cast<long>(cut), line_.end());
  if (line_.back().kind == TK_REPEAT_BOTH) {
    // A double repeat at a line break: the end repeat closes this line and the
    // start repeat opens the next.
    DrawItem& both = line_.back();
    both.kind = TK_REPEAT_END;
    both.width = BarWidth(TK_REPEAT_END, &both.ink);
    DrawItem start;
    start.kind = TK_REPEAT_START;
    start.width = BarWidth(TK_REPEAT_START, &start.ink);
    start.x = carried.empty() ? both.x : carried.front().x;
    int32_t shift = start.width;
    for (DrawItem& c : carried) c.x += shift;
    cursor_ += shift;
    carried.insert(carried.begin(), std::move(start));
  }
  int32_t oldCursor = cursor_;
  if (!FlushLine(false)) return false;
  if (carried.empty()) return true;
  int32_t dx = cursor_ - carried.front().x;
  for (DrawItem& c : carried) {
    c.x += dx;
    if (line_.size() < kMaxLineItems) line_.push_back(std::move(c));
  }
  cursor_ = oldCursor + dx;
  for (const DrawItem& c : line_) {
    if (IsBarItem(c.kind)) ++barsInLine_;
  }
  return true;
}

bool TuneDrawer::FlushLine(bool last) {
  bool drawn = !stopped_ && DrawLine(last);
  if (dc_.Failed()) {
    stopped_ = true;
    return false;
  }
  if (!last) {
    // A line without music is not drawn; its time signature and texts go on to
    // the next line.
    std::vector<DrawItem> keep;
    if (!drawn) {
      for (DrawItem& it : line_) {
        if (it.kind == TK_FIELD_M || it.kind == TK_FIELD_P || it.kind == TK_FIELD_Q ||
            it.kind == TK_FIELD_R || it.kind == TK_FIELD_T)
          keep.push_back(std::move(it));
      }
    }
    StartLine(firstLine_);
    for (DrawItem& it : keep) Append(std::move(it));
  }
  return true;
}

void TuneDrawer::AddClef() {
  DrawItem clef;
  clef.kind = kItemClef;
  clef.value = clef_;
  ClefInfo info = ClefOf(clef_);
  clef.width = Box(info.symbol).advance + lp_.Get(LP_SpaceAfterClef) + LS / 4;
  clef.ink = Box(info.symbol).right;
  lastClef_ = clef;
}

void TuneDrawer::AddKey(bool cancel, const std::array<int8_t, 12>& old) {
  DrawItem k;
  k.kind = TK_FIELD_K;
  for (int pc = 0; pc < 12; ++pc) k.key[static_cast<size_t>(pc)] = key.letterAccidentals[pc];
  if (key.noKey) k.key.fill(0);
  // Pipe music: Hp shows F and C sharp, HP no signature at all.
  if (key.bagpipeKey != 0) {
    k.key.fill(0);
    if (key.bagpipeKey == 2) k.key[5] = k.key[0] = 1;
  }
  k.oldKey = old;
  if (cancel) k.flags |= kItemCancel;
  k.value = clef_;
  k.width = KeyWidth(k);
  k.ink = k.width;
  key_ = k.key;
  lastKey_ = k;
  haveKey_ = true;
}

void TuneDrawer::AddMeter() {
  DrawItem m;
  m.kind = TK_FIELD_M;
  m.value = meter.numerator;
  m.value2 = meter.denominator;
  m.value3 = meter.isSymbol ? 1 : 0;
  if (meter.partCount > 1) {
    for (int i = 0; i < meter.partCount && i < MeterInfo::kMaxParts; ++i) {
      if (i > 0) m.text += '+';
      m.text += std::to_string(meter.parts[i]);
    }
  } else {
    m.text = std::to_string(meter.numerator);
  }
  m.width = MeterWidth(m);
  m.ink = m.width;
  if (m.width > 0) Append(std::move(m));
}

void TuneDrawer::AddText(uint8_t kind, std::string text) {
  DrawItem t;
  t.kind = kind;
  t.text = std::move(text);
  Append(std::move(t));
}

void TuneDrawer::AddBar(TokenKind kind) {
  // A [| at the very start of a line takes the place of the staff start.
  if (kind == TK_START_BAR) {
    bool atStart = true;
    for (const DrawItem& it : line_) {
      if (!IsPrefixItem(it.kind)) atStart = false;
    }
    if (atStart && !line_.empty()) {
      int32_t w = Box(SYM_THICK_THIN).advance;
      line_[0].flags |= kItemThickThinStart;
      for (size_t i = 1; i < line_.size(); ++i) line_[i].x += w;
      cursor_ += w;
      return;
    }
  }
  DrawItem b;
  b.kind = kind;
  b.width = BarWidth(kind, &b.ink);
  AttachPending(b);
  barTick_ = 0;
  bool counts = kind != TK_START_BAR;
  Append(std::move(b));
  if (counts && fs_.barsPerStaff > 0 && !stopped_) {
    ++barsInLine_;
    if (barsInLine_ >= fs_.barsPerStaff) FlushLine(false);
  }
}

void TuneDrawer::AddNote() {
  const bool grace = (note.flags & kNoteInGrace) != 0;
  DrawItem n;
  n.kind = TK_NOTE;
  n.pitch = note.pitch;
  n.serial = ++serial_;
  if (note.pitch == kRest) {
    n.rest = 1;
  } else if (note.pitch >= kInvisibleRest) {
    n.rest = 2;
  }
  tick len = note.lengthBeforeTuplet != 0 ? note.lengthBeforeTuplet : note.notatedLength;
  NoteShape shape = ShapeOfLength(len);
  n.base = static_cast<uint8_t>(shape.base);
  n.dots = static_cast<uint8_t>(shape.dots);
  if (shape.longa) n.flags |= kItemLonga;
  if (note.flags & kNoteInGrace) n.flags |= kItemGrace;
  if (grace && acciaccatura_) n.flags |= kItemSlashed;
  if (note.flags & kNoteTied) n.flags |= kItemTied;
  if (note.flags & kNoteInTuplet) n.flags |= kItemTuplet;
  if (note.flags & kNoteTupletFirst) n.flags |= kItemTupletFirst;
  const bool inChord = chordStart_ >= 0;
  if (inChord) {
    if (chordFirst_ < 0) {
      chordFirst_ = static_cast<int>(line_.size());
      n.flags |= kItemChordFirst;
    } else {
      n.flags |= kItemChordLater;
    }
  }
  if (n.rest == 0) {
    n.step = static_cast<int16_t>(StaffStep(note.writtenPitch) + ClefOf(clef_).shift);
    n.accidental = note.writtenAccidental;
  } else {
    n.step = 4;
  }
  n.start = barTick_;
  // A rest that fills a whole bar is a whole rest in the middle of its bar.
  const bool barRest = n.rest == 1 && !grace && !inChord && barTick_ == 0 &&
                       meter.barLength != 0 && note.length == meter.barLength;
  if (!grace && !(n.flags & kItemChordLater)) barTick_ += note.length;
  // Widths.
  int32_t accW = 0;
  int acc = AccidentalSymbol(n.accidental, grace);
  if (acc != 0) {
    if (grace && dc_.Symbols().Char(acc) == ' ') acc -= SYM_SMALL_SHARP - SYM_SHARP;
    accW = Box(acc, grace).advance + Scaled(lp_.Get(LP_SpaceAfterAccidental), grace);
  }
  int32_t headW = n.rest == 1 ? Box(RestSymbol(n.base)).advance
                              : Box(HeadSymbol(n.base), grace).advance;
  if (n.rest == 2) headW = Box(SYM_FILLED_HEAD).advance;
  int32_t dotsW = 0;
  if (n.dots > 0) {
    dotsW = Scaled(lp_.Get(LP_SpaceBeforeDot), grace) +
            n.dots * (Box(SYM_DOT, grace).advance + Scaled(lp_.Get(LP_DotSpacing), grace));
  }
  n.headDx = accW;
  n.ink = accW + headW + dotsW;
  if (grace) {
    n.width = n.ink + headW * 2 / 5;
  } else {
    n.width = accW + headW + std::max(dotsW + LS / 4, Spacing(len));
  }
  if (n.pitch == kSpacer) n.width = n.ink = LS;
  if (!(n.flags & kItemChordLater)) {
    AttachPending(n);
    n.slurStarts = pendingSlurs_;
    pendingSlurs_ = 0;
    // Room for wide signs above or below the note (dynamics, texts).
    if (!grace) {
      int32_t need = 0;
      for (const Decoration& d : n.decos) {
        DecoStyle style = StyleOf(d.kind);
        if (style.place != Place::kAbove && style.place != Place::kBelow) continue;
        if (style.symbol >= 0) {
          need = std::max(need, Box(style.symbol).advance);
        } else if (style.symbol == -2) {
          need = std::max(need, Box(SYM_DYN_FFF).advance + Box(SYM_DYN_F).advance);
        } else {
          std::string_view text = style.text != nullptr ? style.text : std::string_view(d.text);
          need = std::max(need, TextWidth(dc_.ExprFont(), text));
        }
      }
      if (need > 0) n.width = std::max(n.width, need + LS / 3);
    }
  }
  if (IsLyricNote() && noteOrdinal_ < lyrics_.size()) {
    n.lyrics = lyrics_[noteOrdinal_];
    // Room for the syllables under the note.
    for (const Syllable& syllable : n.lyrics) {
      if (syllable.text.empty() || syllable.text == "_") continue;
      int32_t w = TextWidth(dc_.LyricsFont(), syllable.text) + LS * 2 / 3;
      // A syllable that joins the next leaves room for the hyphen.
      if (syllable.text.size() > 1 && syllable.text.back() == '-') w += LS / 3;
      n.width = std::max(n.width, w);
    }
  }
  if (IsLyricNote()) ++noteOrdinal_;
  if (inChord) n.width = 0;
  if (!(n.flags & kItemChordLater)) lastNoteSerial_ = n.serial;
  if (barRest) {
    n.kind = kItemMultiRest;
    n.value = 1;
    n.base = 1;
    n.dots = 0;
    n.headDx = 0;
    n.ink = Box(SYM_WHOLE_REST).advance + fs_.noteSpacing;
    n.width = n.ink + fs_.noteSpacing;
  }
  Append(std::move(n));
}

// Where the body begins in the canonical text of the tune (as its file writes it).
int32_t BodyOffset(const TuneRecord& tune) {
  TuneFile plain;
  const TuneFile& file = tune.owner != nullptr ? *tune.owner : plain;
  std::string text = file.WriteTune(tune, false);
  size_t end = text.size() - (tune.afterText ? std::min(text.size(), tune.afterText->size()) : 0);
  if (end < tune.body.size()) return 0;
  size_t at = text.rfind(tune.body, end - tune.body.size());
  return at == std::string::npos ? 0 : static_cast<int32_t>(at);
}

bool TuneDrawer::Draw(const TuneRecord& tune) {
  const auto* keyField = tune.Field('K');
  std::optional<std::string_view> keyText;
  if (keyField != nullptr && keyField->has_value()) keyText = **keyField;
  Init(keyText, tune.FieldText('M'), tune.FieldText('L'), std::string_view(tune.body),
       tune.FieldText('Q'), true);
  std::string headerSymbols;
  if (tune.HasField('U')) {
    const std::string& u = tune.FieldText('U');
    size_t i = 0;
    while (i < u.size()) {
      size_t e = u.find_first_of("\r\n", i);
      if (e == std::string::npos) e = u.size();
      headerSymbols += "U:" + u.substr(i, e - i) + "\r\n";
      i = u.find_first_not_of("\r\n", e);
      if (i == std::string::npos) break;
    }
  }
  SetUserSymbols(UserSymbols::kDrawTable, dc_.Job().fileSymbols, headerSymbols);
  dc_.SetSourceOffset(BodyOffset(tune));
  CollectLyrics(tune);
  Restart();

  measure_ = fs_.measureFirst - (pickupOffset > 0 ? 1 : 0);
  clef_ = ClefFromText(keyText ? std::string(*keyText) : std::string());
  if (clef_ == 0) clef_ = 1;
  headerClef_ = clef_;
  {
    const std::string& v = tune.FieldText('V');
    size_t i = 0;
    while (i < v.size()) {
      size_t e = v.find_first_of("\r\n", i);
      if (e == std::string::npos) e = v.size();
      VoiceInfo info;
      ParseVoice(std::string_view(v).substr(i, e - i), info);
      if (info.clef != 0) voiceClefs_[VoiceId(std::string_view(v).substr(i, e - i))] = info.clef;
      i = e + 1;
    }
  }
  AddClef();
  std::array<int8_t, 12> none{};
  AddKey(false, none);
  StartLine(true);
  if (fs_.showText && !tune.FieldText('Q').empty()) AddText(TK_FIELD_Q, tune.FieldText('Q'));
  AddMeter();

  size_t pos = 0;
  bool first = true;
  bool afterContinue = false;
  bool inTextBlock = false;
  const size_t guard = tune.body.size() * 4 + 64;
  int32_t symbolBegin = 0;
  for (size_t steps = 0; !stopped_ && steps < guard; ++steps) {
    const size_t before = pos;
    const bool wasSubst = InSubstitution();
    TokenKind k = NextToken(pos, first);
    first = false;
    // A user symbol's tokens all point at the symbol.
    if (!wasSubst) symbolBegin = static_cast<int32_t>(before);
    tokBegin_ = InSubstitution() ? symbolBegin : static_cast<int32_t>(before);
    tokEnd_ = std::max(static_cast<int32_t>(pos), tokBegin_ + 1);
    if (InSubstitution()) tokEnd_ = std::max(tokEnd_, symbolBegin + 1);
    if (IsFieldKind(k)) FieldRange();
    // A staff break takes effect when more music follows, so that the last staff of
    // the tune is known as the last.
    if (breakPending_ && BeginsMusic(k)) {
      breakPending_ = false;
      FlushLine(false);
    }
    if (k == TK_END) break;
    if (SkipsTextBlock(k, TokenText(), inTextBlock)) continue;
    switch (k) {
      case TK_NOTE:
        AddNote();
        break;
      case TK_CHORD_START: {
        DrawItem c;
        c.kind = TK_CHORD_START;
        Append(std::move(c));
        chordStart_ = static_cast<int>(line_.size()) - 1;
        chordFirst_ = -1;
        break;
      }
      case TK_CHORD_END: {
        if (chordStart_ < 0) break;
        // The heads line up behind the accidentals. Accidentals closer than a sixth
        // stand in columns side by side, the nearest column next to the heads.
        int32_t restMax = 0, inkMax = 0;
        uint32_t len = 0;
        int32_t x = cursor_;
        std::vector<DrawItem*> notes;
        for (size_t i = static_cast<size_t>(chordStart_) + 1; i < line_.size(); ++i) {
          DrawItem& n = line_[i];
          if (n.kind != TK_NOTE) continue;
          restMax = std::max(restMax, n.ink - n.headDx);
          if (len == 0) len = n.base <= 8 ? 768u >> std::max(0, n.base - 1) : 96u;
          if (n.headDx > 0) notes.push_back(&n);
        }
        std::sort(notes.begin(), notes.end(),
                  [](const DrawItem* a, const DrawItem* b) { return a->step > b->step; });
        std::vector<std::vector<int>> columns;
        std::vector<int32_t> widths;
        std::vector<size_t> columnOf(notes.size());
        for (size_t k = 0; k < notes.size(); ++k) {
          size_t c = 0;
          for (; c < columns.size(); ++c) {
            bool clear = true;
            for (int step : columns[c])
              if (std::abs(step - notes[k]->step) < 6) clear = false;
            if (clear) break;
          }
          if (c == columns.size()) {
            columns.emplace_back();
            widths.push_back(0);
          }
          columns[c].push_back(notes[k]->step);
          widths[c] = std::max(widths[c], notes[k]->headDx);
          columnOf[k] = c;
        }
        int32_t accMax = 0;
        for (int32_t w : widths) accMax += w;
        for (size_t k = 0; k < notes.size(); ++k) {
          int32_t before = 0;
          for (size_t c = 0; c < columnOf[k]; ++c) before += widths[c];
          // From the head back to where this accidental begins.
          notes[k]->value = before + notes[k]->headDx;
        }
        for (size_t i = static_cast<size_t>(chordStart_) + 1; i < line_.size(); ++i) {
          DrawItem& n = line_[i];
          if (n.kind != TK_NOTE) continue;
          n.x = x;
          n.headDx = accMax;
          n.ink = accMax + restMax;
          inkMax = std::max(inkMax, n.ink);
        }
        chordStart_ = -1;
        chordFirst_ = -1;
        DrawItem e;
        e.kind = TK_CHORD_END;
        bool grace = InGrace();
        int32_t headW = restMax;
        e.width = grace ? inkMax + headW * 2 / 5
                        : accMax + std::max(restMax + LS / 4, Box(SYM_FILLED_HEAD).advance +
                                                                  Spacing(len));
        e.ink = inkMax;
        Append(std::move(e));
        break;
      }
      case TK_GRACE_START: {
        DrawItem g;
        g.kind = TK_GRACE_START;
        Append(std::move(g));
        break;
      }
      case TK_GRACE_END: {
        acciaccatura_ = false;
        DrawItem g;
        g.kind = TK_GRACE_END;
        g.width = lp_.Get(LP_SpaceAfterGraceNote) + LS / 3;
        Append(std::move(g));
        break;
      }
      case TK_BAR:
      case TK_DOUBLE_BAR:
      case TK_END_BAR:
      case TK_START_BAR:
      case TK_REPEAT_START:
      case TK_REPEAT_BOTH:
      case TK_REPEAT_END:
        AddBar(k);
        break;
      case TK_FIRST_ENDING:
      case TK_SECOND_ENDING: {
        DrawItem e;
        e.kind = k;
        e.value = k == TK_FIRST_ENDING ? 1 : 2;
        Append(std::move(e));
        break;
      }
      case TK_TUPLET: {
        DrawItem t;
        t.kind = TK_TUPLET;
        t.value = Tuplet().p;
        t.value2 = Tuplet().qWritten ? Tuplet().q : 0;
        t.value3 = Tuplet().r;
        Append(std::move(t));
        break;
      }
      case TK_SLUR_START:
        ++pendingSlurs_;
        break;
      case TK_SLUR_END:
        for (size_t i = line_.size(); i-- > 0;) {
          if (line_[i].kind == TK_NOTE && line_[i].serial == lastNoteSerial_) {
            // A slur around a single note has nothing to join: it is dropped.
            if (line_[i].slurStarts > line_[i].slurEnds) {
              --line_[i].slurStarts;
            } else {
              ++line_[i].slurEnds;
            }
            break;
          }
        }
        break;
      case TK_STACCATO:
        Pend(TK_STACCATO);
        break;
      case TK_DECORATION_TEXT:
        Pend(TK_DECORATION_TEXT, std::string(TokenText()));
        break;
      case TK_CHORD_SYMBOL:
        Pend(TK_CHORD_SYMBOL, std::string(TokenText()));
        break;
      case TK_SYMBOL: {
        uint8_t c = TokenValue();
        if (c == 'Z') {
          // A rest of several bars: Z, Z4 ...
          int bars = 0;
          std::string_view t = Text();
          while (!InSubstitution() && pos < t.size() && t[pos] >= '0' && t[pos] <= '9') {
            bars = std::min(bars * 10 + (t[pos] - '0'), 9999);
            ++pos;
          }
          DrawItem r;
          r.kind = kItemMultiRest;
          r.value = std::max(1, bars);
          r.rest = 1;
          r.base = 1;
          r.step = 4;
          r.ink = Box(SYM_WHOLE_REST).advance;
          r.width = r.ink + 2 * fs_.noteSpacing;
          AttachPending(r);
          Append(std::move(r));
          break;
        }
        int kind = DefaultSymbolKind(c);
        if (kind != 0) Pend(kind);
        break;
      }
      case TK_SPACE:
      case TK_TAB: {
        DrawItem b;
        b.kind = k;
        Append(std::move(b));
        break;
      }
      case TK_CONTINUE:
        afterContinue = true;
        break;
      case TK_NEWLINE: {
        // Every line end that does not follow a continuation ends the staff; a
        // line with no music before it draws nothing.
        bool breaks = fs_.softLf && !afterContinue;
        afterContinue = false;
        if (breaks) {
          breakPending_ = true;
        } else {
          DrawItem b;
          b.kind = TK_NEWLINE;
          Append(std::move(b));
        }
        break;
      }
      case TK_BANG_BREAK:
        breakPending_ = true;
        break;
      case TK_FIELD_K: {
        std::array<int8_t, 12> old = key_;
        int clef = ClefFromText(std::string(TokenText()));
        if (clef != 0 && clef != clef_) {
          clef_ = clef;
          AddClef();
          DrawItem c = lastClef_;
          Append(std::move(c));
        }
        // "K:bass" and "K:clef=..." change the clef only.
        std::string lower;
        for (char ch : TokenText()) lower += Lower(ch);
        size_t b = lower.find_first_not_of(" \t");
        std::string_view first = b == std::string::npos ? std::string_view()
                                                        : std::string_view(lower).substr(b);
        bool clefOnly = clef != 0 && (first.substr(0, 5) == "clef=" || first.substr(0, 4) == "bass" ||
                                      first.substr(0, 6) == "treble" || first.substr(0, 4) == "alto" ||
                                      first.substr(0, 5) == "tenor");
        if (clefOnly || first.empty()) break;
        AddKey(true, old);
        if (lastKey_.key == old) break;
        // At the start of a staff the new signature takes the place of the old one;
        // within a staff it is drawn after naturals for what the old one had.
        bool atStart = true;
        size_t keyAt = 0;
        for (size_t i = 0; i < line_.size(); ++i) {
          if (line_[i].kind == TK_FIELD_K) keyAt = i;
          if (!IsPrefixItem(line_[i].kind) || line_[i].kind == TK_FIELD_Q) atStart = false;
        }
        if (atStart && keyAt > 0 && !fs_.cancelKey) {
          DrawItem& prev = line_[keyAt];
          DrawItem kItem = lastKey_;
          kItem.flags &= static_cast<uint16_t>(~kItemCancel);
          kItem.width = KeyWidth(kItem);
          kItem.ink = kItem.width;
          kItem.x = prev.x;
          kItem.begin = tokBegin_;
          kItem.end = tokEnd_;
          int32_t shift = kItem.width - prev.width;
          prev = std::move(kItem);
          for (size_t i = keyAt + 1; i < line_.size(); ++i) line_[i].x += shift;
          cursor_ += shift;
          break;
        }
        DrawItem kItem = lastKey_;
        Append(std::move(kItem));
        break;
      }
      case TK_FIELD_M:
        AddMeter();
        break;
      case TK_FIELD_V: {
        // Voices are drawn one after the other: a voice field starts a new staff
        // in that voice's clef.
        std::string id = VoiceId(TokenText());
        if (voice.clef != 0) voiceClefs_[id] = voice.clef;
        auto found = voiceClefs_.find(id);
        int clef = found != voiceClefs_.end() ? found->second : headerClef_;
        if (clef != clef_) {
          clef_ = clef;
          AddClef();
        }
        FlushLine(false);
        break;
      }
      case TK_FIELD_W:
        // Verses among the music: printed after it.
        bodyVerses_.push_back({std::string(TokenText()), tokBegin_, tokEnd_});
        break;
      case TK_FIELD_P:
      case TK_FIELD_Q:
      case TK_FIELD_R:
      case TK_FIELD_T:
        if (fs_.showText) AddText(k, std::string(TokenText()));
        break;
      case TK_ERROR:
        // A slash right after "{" makes the grace an acciaccatura. Other characters
        // the reader could not read (the syntax check lists them) are not music, and
        // a backtick only keeps notes apart in the text.
        if (TokenValue() == '/' && !line_.empty() && line_.back().kind == TK_GRACE_START)
          acciaccatura_ = true;
        break;
      default:
        if (IsDecorationKind(k)) Pend(k);
        break;
    }
  }
  if (!stopped_) {
    breakPending_ = false;
    // Decorations after the last note stay with the last item.
    if (!pending_.empty() && line_.size() > 1) AttachPending(line_.back());
    FlushLine(true);
  }
  dc_.SetY(prevBottom_ - prevBelow_);
  if (fs_.showText && !bodyVerses_.empty() && !dc_.Failed()) DrawVerses();
  return !dc_.Failed();
}

void TuneDrawer::DrawVerses() {
  Canvas& cv = dc_.GetCanvas();
  CanvasFont font = dc_.MakeFont(fs_.lyricsAfterFont);
  FontMetrics m = cv.Metrics(font);
  int32_t y = dc_.Y() - LS * 2;
  for (const Syllable& line : bodyVerses_) {
    std::string_view text = line.text;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    if (text.empty()) {
      y -= (m.ascent + m.descent) / 2;
      continue;
    }
    for (std::string_view piece : WrapText(cv, font, text, dc_.RightLimit() - dc_.LeftEdge())) {
      if (y - m.ascent - m.descent < dc_.BottomLimit() && dc_.PageHasContent()) {
        if (!dc_.NewPage()) return;
        y = dc_.Y();
      }
      dc_.PutText("text", font, dc_.LeftEdge(), y - m.ascent, piece, line.begin, line.end);
      dc_.MarkContent();
      y -= m.ascent + m.descent;
    }
  }
  dc_.SetY(y);
}

// ---------------------------------------------------------------------------------------
// Drawing one line

void TuneDrawer::BuildColumns() {
  cols_.clear();
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (it.kind != TK_NOTE && it.kind != kItemMultiRest) continue;
    if ((it.flags & kItemChordLater) && !cols_.empty()) {
      Column& c = cols_.back();
      c.last = static_cast<int>(i);
      c.topStep = std::max<int>(c.topStep, it.step);
      c.bottomStep = std::min<int>(c.bottomStep, it.step);
      c.single = false;
      c.base = std::max<int>(c.base, it.base);
      continue;
    }
    Column c;
    c.first = c.last = static_cast<int>(i);
    c.grace = (it.flags & kItemGrace) != 0;
    c.rest = it.rest != 0 || it.kind == kItemMultiRest;
    c.base = it.base;
    c.topStep = c.bottomStep = it.step;
    c.headX = it.x + it.headDx;
    c.headW = c.rest ? Box(it.kind == kItemMultiRest ? SYM_WHOLE_REST : RestSymbol(it.base)).advance
                     : Box(HeadSymbol(it.base), c.grace).advance;
    if (it.kind == kItemMultiRest) c.headX = it.x + (it.ink - c.headW) / 2;
    c.single = (it.flags & kItemChordFirst) == 0;
    cols_.push_back(c);
  }
}

void TuneDrawer::BuildGroups() {
  groups_.clear();
  Group normal, grace;
  grace.grace = true;
  auto close = [this](Group& g) {
    // Rests at either end of a group are drawn alone.
    while (!g.cols.empty() && cols_[static_cast<size_t>(g.cols.front())].rest) {
      Group one;
      one.cols = {g.cols.front()};
      groups_.push_back(one);
      g.cols.erase(g.cols.begin());
    }
    std::vector<int> tail;
    while (!g.cols.empty() && cols_[static_cast<size_t>(g.cols.back())].rest) {
      tail.insert(tail.begin(), g.cols.back());
      g.cols.pop_back();
    }
    if (!g.cols.empty()) {
      g.beamed = g.cols.size() >= 2;
      groups_.push_back(g);
    }
    for (int t : tail) {
      Group one;
      one.cols = {t};
      groups_.push_back(one);
    }
    g.cols.clear();
  };
  size_t ci = 0;
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    int kind = it.kind;
    if (IsBlankItem(kind) || IsBarItem(kind) || kind == TK_FIRST_ENDING ||
        kind == TK_SECOND_ENDING) {
      close(normal);
      continue;
    }
    if (kind == TK_GRACE_END) {
      close(grace);
      continue;
    }
    if (ci >= cols_.size() || cols_[ci].first != static_cast<int>(i)) continue;
    Column& c = cols_[ci];
    int colIndex = static_cast<int>(ci);
    ++ci;
    if (c.grace) {
      grace.cols.push_back(colIndex);
      continue;
    }
    for (const Decoration& d : it.decos) {
      if (d.kind == TK_SHORTPHRASE || d.kind == TK_MEDIUMPHRASE || d.kind == TK_LONGPHRASE ||
          d.kind == TK_REPEATBAR)
        close(normal);
    }
    if (it.rest == 2) {
      close(normal);
      continue;
    }
    bool alone = c.base <= 3 || (c.rest && (c.base <= 3 || !fs_.restsInBeamGroup)) ||
                 it.kind == kItemMultiRest;
    if (alone) {
      close(normal);
      Group one;
      one.cols = {colIndex};
      groups_.push_back(one);
      continue;
    }
    normal.cols.push_back(colIndex);
  }
  close(normal);
  close(grace);
  for (size_t g = 0; g < groups_.size(); ++g) {
    for (int c : groups_[g].cols) cols_[static_cast<size_t>(c)].group = static_cast<int>(g);
    groups_[g].grace = cols_[static_cast<size_t>(groups_[g].cols.front())].grace;
  }
  // Stem directions.
  int tupletDir = 0;  // 1 up, -1 down while a tuplet's groups are placed
  int tupletLeft = 0;
  for (Group& g : groups_) {
    const Column& first = cols_[static_cast<size_t>(g.cols.front())];
    const DrawItem& firstItem = line_[static_cast<size_t>(first.first)];
    double hi = 0, lo = 0;
    int n = 0;
    for (int ci2 : g.cols) {
      const Column& c = cols_[static_cast<size_t>(ci2)];
      if (c.rest) continue;
      hi += c.topStep;
      lo += c.bottomStep;
      ++n;
    }
    bool up;
    if (n == 0) {
      up = true;
    } else {
      hi /= n;
      lo /= n;
      if (hi < 4) {
        up = true;
      } else if (lo > 4) {
        up = false;
      } else {
        up = hi - 4 <= 4 - lo;
      }
    }
    if (g.grace) {
      if (fs_.graceNotesUp) up = true;
    } else {
      if (fs_.ghbStyle) {
        up = false;
      } else if (tupletLeft > 0 && !(firstItem.flags & kItemTupletFirst)) {
        up = tupletDir > 0;
      }
      if (firstItem.flags & kItemTupletFirst) {
        tupletDir = up ? 1 : -1;
        tupletLeft = 1;
      } else if (!(firstItem.flags & kItemTuplet)) {
        tupletLeft = 0;
      }
    }
    g.up = up;
    for (int ci2 : g.cols) cols_[static_cast<size_t>(ci2)].up = up;
    PlaceGroup(g);
  }
}

void TuneDrawer::PlaceGroup(Group& g) {
  const bool grace = g.grace;
  const int32_t SL = Scaled(lp_.Get(LP_StemLength), grace);
  const int32_t ST = lp_.Get(LP_StemThickness);
  for (int ci : g.cols) {
    Column& c = cols_[static_cast<size_t>(ci)];
    c.stem = !c.rest && c.base >= 2 && (g.beamed || !c.single);
    c.single = !g.beamed && c.single;
    c.inkTop = c.rest ? YOf(6) : YOf(c.topStep) + LS / 2;
    c.inkBottom = c.rest ? YOf(2) : YOf(c.bottomStep) - LS / 2;
    if (!c.rest && c.base >= 2) {
      if (c.up) {
        c.stemX = c.headX + c.headW - ST / 2 + Scaled(lp_.Get(LP_UpStemHpos), grace);
        c.stemBase = YOf(c.bottomStep) + Scaled(lp_.Get(LP_UpStemVpos), grace);
        c.tip = YOf(c.topStep) + SL;
      } else {
        c.stemX = c.headX + ST / 2 + Scaled(lp_.Get(LP_DownStemHpos), grace);
        c.stemBase = YOf(c.topStep) + Scaled(lp_.Get(LP_DownStemVpos), grace);
        c.tip = YOf(c.bottomStep) - SL;
      }
    }
  }
  if (g.beamed) {
    // The beam runs through the first and last stem ends, at a moderate slope, moved
    // out so that every stem keeps its length and reaches the middle line.
    std::vector<int> notes;
    for (int ci : g.cols)
      if (!cols_[static_cast<size_t>(ci)].rest) notes.push_back(ci);
    if (notes.size() < 2) {
      g.beamed = false;
      for (int ci : g.cols) {
        Column& c = cols_[static_cast<size_t>(ci)];
        c.stem = !c.rest && c.base >= 2 && c.last != c.first;
        c.single = c.first == c.last;
      }
    } else {
      const Column a = cols_[static_cast<size_t>(notes.front())];
      const Column b = cols_[static_cast<size_t>(notes.back())];
      double dx = std::max(1, b.stemX - a.stemX);
      double slope = (b.tip - a.tip) / dx * 0.5;
      slope = std::clamp(slope, -0.12, 0.12);
      if (std::abs(slope * dx) > LS) slope = (slope > 0 ? LS : -LS) / dx;
      int maxLevels = 1;
      for (int ci : notes) maxLevels = std::max(maxLevels, cols_[static_cast<size_t>(ci)].base - 3);
      int32_t extra = (maxLevels - 1) * Scaled(lp_.Get(LP_BeamThickness) + lp_.Get(LP_BeamSpacing), grace) / 2;
      double offset = 0;
      for (int ci : notes) {
        const Column& c = cols_[static_cast<size_t>(ci)];
        double beam = a.tip + slope * (c.stemX - a.stemX);
        double need = g.up ? YOf(c.topStep) + SL * 0.85 + extra : YOf(c.bottomStep) - SL * 0.85 - extra;
        if (!grace) need = g.up ? std::max(need, static_cast<double>(YOf(4))) : std::min(need, static_cast<double>(YOf(4)));
        if (g.up) {
          offset = std::max(offset, need - beam);
        } else {
          offset = std::min(offset, need - beam);
        }
      }
      for (int ci : g.cols) {
        Column& c = cols_[static_cast<size_t>(ci)];
        c.tip = static_cast<int32_t>(a.tip + offset + slope * (c.stemX - a.stemX));
        if (c.rest) {
          c.stemX = c.headX + c.headW / 2;
        }
      }
    }
  }
  for (int ci : g.cols) {
    Column& c = cols_[static_cast<size_t>(ci)];
    if (c.rest || c.base < 2) continue;
    if (c.up) {
      c.inkTop = std::max(c.inkTop, c.tip);
    } else {
      c.inkBottom = std::min(c.inkBottom, c.tip);
    }
  }
}

bool TuneDrawer::DrawLine(bool last) {
  // Blanks at the end are dropped; a line without music is not drawn.
  while (line_.size() > 1 && IsBlankItem(line_.back().kind)) line_.pop_back();
  bool anyNote = false;
  for (const DrawItem& it : line_) {
    if (it.kind == TK_NOTE || IsBarItem(it.kind) || it.kind == kItemMultiRest ||
        it.kind == TK_ERROR)
      anyNote = true;
  }
  if (!anyNote) return false;
  // The end of the staff: the ink of the last item.
  int32_t endX = 0;
  for (const DrawItem& it : line_) endX = std::max(endX, it.x + it.ink);
  // Stretch to the right limit.
  size_t prefix = 0;
  while (prefix < line_.size() && IsPrefixItem(line_[prefix].kind) &&
         !IsBlankItem(line_[prefix].kind))
    ++prefix;
  bool stretch = last ? fs_.stretchLast : fs_.stretchStaff;
  if (stretch && prefix < line_.size() && endX < dc_.RightLimit()) {
    int32_t x0 = line_[prefix].x;
    const DrawItem& tail = line_.back();
    int32_t tailInk = 0;
    for (const DrawItem& it : line_)
      if (it.x == tail.x) tailInk = std::max(tailInk, it.ink);
    int32_t natural = tail.x - x0;
    int32_t room = dc_.RightLimit() - tailInk - x0;
    if (natural > 0 && room > natural) {
      double f = static_cast<double>(room) / natural;
      for (size_t i = prefix; i < line_.size(); ++i) {
        line_[i].x = x0 + static_cast<int32_t>((line_[i].x - x0) * f);
      }
      endX = 0;
      for (const DrawItem& it : line_) endX = std::max(endX, it.x + it.ink);
    }
  }
  BuildColumns();
  BuildGroups();

  // Vertical extent.
  int32_t top = YOf(8), bottom = YOf(0);
  Extents(top, bottom);
  int32_t above = std::max<int32_t>(0, top - YOf(8));
  int32_t below = std::max<int32_t>(0, -bottom);
  int32_t topLine;
  if (firstLine_) {
    topLine = dc_.Y() - std::max(fs_.spaceBeforeTune, above + LS / 2);
  } else {
    topLine = prevBottom_ - std::max(fs_.staffSpacing, prevBelow_ + above + LS);
  }
  int32_t y0 = topLine - YOf(8);
  if (y0 - below < dc_.BottomLimit() && dc_.PageHasContent()) {
    if (!dc_.NewPage()) {
      stopped_ = true;
      return false;
    }
    topLine = dc_.Y() - above - LS / 2;
    y0 = topLine - YOf(8);
  }
  dc_.MarkContent();
  dc_.SetPlace(++systems_, 1);

  int32_t startX = line_.front().x;
  DrawStaff(y0, endX);
  for (const DrawItem& it : line_) {
    if (it.kind == kItemClef) {
      ClefInfo info = ClefOf(it.value);
      Sym("clef", info.symbol, it.x, y0 + YOf(info.line), it);
    } else if (it.kind == TK_FIELD_K) {
      DrawKey(it, y0);
    } else if (it.kind == TK_FIELD_M) {
      DrawMeter(it, y0);
    } else if (it.kind == TK_ERROR) {
      dc_.PutText("text", dc_.ExprFont(), it.x, y0 + YOf(3), it.text, it.begin, it.end);
    }
  }
  DrawBarsAndSigns(y0);
  for (const Column& c : cols_) DrawColumn(c, y0);
  for (const Group& g : groups_)
    if (g.beamed) DrawBeams(g, y0);
  DrawTuplets(y0);
  DrawTiesAndSlurs(y0, startX, endX);
  DrawDecorations(y0);
  DrawEndings(y0, startX, endX);
  DrawTexts(y0, startX, endX);
  DrawLyrics(y0);

  prevBottom_ = y0;
  prevBelow_ = below;
  firstLine_ = false;
  return true;
}

void TuneDrawer::Extents(int32_t& top, int32_t& bottom) {
  for (Column& c : cols_) {
    top = std::max(top, c.inkTop);
    bottom = std::min(bottom, c.inkBottom);
  }
  // Decorations: stacked per column in DrawDecorations; reserve what they need.
  int32_t decoTop = top, decoBottom = bottom;
  for (Column& c : cols_) {
    const DrawItem& it = line_[static_cast<size_t>(c.first)];
    int32_t up = std::max(c.inkTop, YOf(8)) + LS / 2;
    int32_t down = std::min(c.inkBottom, YOf(0)) - LS / 3;
    for (const Decoration& d : it.decos) {
      DecoStyle s = StyleOf(d.kind);
      int32_t h = LS * 3 / 2;
      if (s.symbol >= 0) {
        const GlyphBox& b = Box(s.symbol);
        h = b.top - b.bottom + LS / 3;
      }
      if (s.place == Place::kAbove || d.kind == TK_CRESCENDO_START ||
          d.kind == TK_DIMINUENDO_START) {
        up += h;
      } else if (s.place == Place::kBelow) {
        down -= h;
      }
      if (d.kind == TK_CHORD_SYMBOL && !d.text.empty() && d.text[0] == '_') {
        down -= LS * 2;
      }
      if (d.kind == TK_CHORD_SYMBOL && !d.text.empty() && d.text[0] == '^') up += LS * 2;
    }
    decoTop = std::max(decoTop, up);
    decoBottom = std::min(decoBottom, down);
  }
  top = std::max(top, decoTop);
  bottom = std::min(bottom, decoBottom);
  // Chord symbols.
  FontMetrics cm = dc_.GetCanvas().Metrics(dc_.ChordFont());
  bool chords = false, texts = false, endings = false;
  for (const DrawItem& it : line_) {
    for (const Decoration& d : it.decos) {
      if (d.kind == TK_CHORD_SYMBOL &&
          (d.text.empty() || std::string_view("^_<>@").find(d.text[0]) == std::string_view::npos))
        chords = true;
    }
    if (it.kind == TK_FIELD_P || it.kind == TK_FIELD_Q || it.kind == TK_FIELD_R ||
        it.kind == TK_FIELD_T)
      texts = true;
    if (it.kind == TK_FIRST_ENDING || it.kind == TK_SECOND_ENDING) endings = true;
  }
  if (openEnding_ != 0) endings = true;
  if (fs_.measureInterval >= 0) top = std::max(top, YOf(8) + LS * 2);
  if (endings) {
    top = std::max(top, EndingTop() + LS / 4);
  }
  chordBaseline_ = 0;
  if (chords) {
    if (fs_.chordsBelow) {
      chordBaseline_ = std::min(YOf(0) - fs_.chordVpos + cm.ascent, bottom - cm.ascent - LS / 3);
      bottom = chordBaseline_ - cm.descent;
    } else {
      chordBaseline_ = std::max(YOf(8) + fs_.chordVpos - cm.ascent, top + cm.descent + LS / 4);
      top = chordBaseline_ + cm.ascent;
    }
  }
  if (texts) {
    FontMetrics em = dc_.GetCanvas().Metrics(dc_.ExprFont());
    textBaseline_ = top + em.descent + LS / 4;
    top = textBaseline_ + em.ascent;
  }
  // Lyrics.
  verses_ = 0;
  for (const DrawItem& it : line_) verses_ = std::max(verses_, static_cast<int>(it.lyrics.size()));
  if (verses_ > 0) {
    FontMetrics lm = dc_.GetCanvas().Metrics(dc_.LyricsFont());
    lyricsTop_ = std::min(bottom, YOf(0)) - LS / 3;
    bottom = lyricsTop_ - verses_ * (lm.ascent + lm.descent);
  }
}

void TuneDrawer::DrawStaff(int32_t y0, int32_t endX) {
  Canvas& cv = dc_.GetCanvas();
  const int32_t LT = lp_.Get(LP_LineThickness);
  int32_t x1 = line_.front().x + LT / 2;
  int32_t x2 = endX - LT / 2;
  if (x2 <= x1) x2 = x1 + LS;
  dc_.Report("staff", "-", x1, y0, -1, -1, {}, x1, y0 - LT / 2, x2, y0 + 4 * LS + LT / 2);
  for (int l = 0; l < 5; ++l) cv.DrawLine(x1, y0 + l * LS, x2, y0 + l * LS, LT);
  if (fs_.staffStartBar || (line_.front().flags & kItemThickThinStart)) {
    int sym = (line_.front().flags & kItemThickThinStart) ? SYM_THICK_THIN : SYM_BARLINE;
    Sym("bar", sym, line_.front().x - Box(sym).left, y0, line_.front());
  }
}

void TuneDrawer::DrawKey(const DrawItem& it, int32_t y0) {
  ClefInfo info = ClefOf(it.value);
  int32_t x = it.x;
  const int32_t gap = lp_.Get(LP_KeySpacing);
  auto drawSet = [&](const std::array<int8_t, 12>& acc, int sign, int sym, bool onlyMissing) {
    const int* order = sign > 0 ? kSharpOrder : kFlatOrder;
    int count = 0;
    for (int i = 0; i < 7; ++i) {
      int a = acc[static_cast<size_t>(order[i])];
      if ((sign > 0 && a > 0) || (sign < 0 && a < 0)) {
        if (onlyMissing && it.key[static_cast<size_t>(order[i])] != 0) continue;
        std::vector<int> steps = KeySignatureSteps(info.shift, sign > 0, 7);
        Sym("key", sym, x, y0 + YOf(steps[static_cast<size_t>(i)]), it);
        x += Box(sym).advance + gap;
        ++count;
      }
    }
    return count;
  };
  if (it.flags & kItemCancel) {
    drawSet(it.oldKey, 1, SYM_NATURAL, true);
    drawSet(it.oldKey, -1, SYM_NATURAL, true);
  }
  drawSet(it.key, 1, SYM_SHARP, false);
  drawSet(it.key, -1, SYM_FLAT, false);
}

void TuneDrawer::DrawMeter(const DrawItem& it, int32_t y0) {
  if (it.value3) {
    int sym = it.value == 2 && it.value2 == 2 ? SYM_CUT_TIME : SYM_COMMON_TIME;
    Sym("meter", sym, it.x, y0 + YOf(4), it);
    return;
  }
  auto width = [this](const std::string& s) {
    int32_t sum = 0;
    for (char c : s) {
      if (c >= '0' && c <= '9') sum += Box(SYM_METER_0 + (c - '0')).advance;
      if (c == '+') sum += Box(SYM_METER_PLUS).advance;
    }
    return sum;
  };
  std::string num = it.text, den = std::to_string(it.value2);
  int32_t w = std::max(width(num), width(den));
  auto draw = [&](const std::string& s, int step) {
    int32_t x = it.x + (w - width(s)) / 2;
    for (char c : s) {
      int sym = c == '+' ? SYM_METER_PLUS : (c >= '0' && c <= '9') ? SYM_METER_0 + (c - '0') : -1;
      if (sym < 0) continue;
      Sym("meter", sym, x, y0 + YOf(step), it);
      x += Box(sym).advance;
    }
  };
  draw(num, 6);
  draw(den, 2);
}

void TuneDrawer::DrawBarsAndSigns(int32_t y0) {
  for (const DrawItem& it : line_) {
    if (!IsBarItem(it.kind)) continue;
    int32_t x = it.x + lp_.Get(LP_SpaceBeforeBarline);
    switch (it.kind) {
      case TK_DOUBLE_BAR: {
        const GlyphBox& b = Box(SYM_BARLINE);
        Sym("bar", SYM_BARLINE, x, y0, it);
        Sym("bar", SYM_BARLINE, x + b.right + lp_.Get(LP_BarlineSpacing) + LS / 5 - b.left, y0, it);
        break;
      }
      case TK_END_BAR: Sym("bar", SYM_THIN_THICK, x, y0, it); break;
      case TK_START_BAR: Sym("bar", SYM_THICK_THIN, x, y0, it); break;
      case TK_REPEAT_START: Sym("bar", SYM_BEGIN_REPEAT, x, y0, it); break;
      case TK_REPEAT_END: Sym("bar", SYM_END_REPEAT, x, y0, it); break;
      case TK_REPEAT_BOTH: {
        const GlyphBox& b = Box(SYM_BEGIN_REPEAT);
        Sym("bar", SYM_END_REPEAT, x, y0, it);
        Sym("bar", SYM_BEGIN_REPEAT, x + Box(SYM_END_REPEAT).right - b.left - (b.right - b.left) / 5,
            y0, it);
        break;
      }
      default: Sym("bar", SYM_BARLINE, x, y0, it); break;
    }
  }
  // Measure numbers.
  if (fs_.measureInterval < 0) {
    for (const DrawItem& it : line_)
      if (IsBarItem(it.kind) && it.kind != TK_START_BAR) ++measure_;
    return;
  }
  CanvasFont font = dc_.ExprFont();
  font.height = font.height * 4 / 5;
  auto number = [&](int n, int32_t x) {
    std::string s = std::to_string(n);
    int32_t w = TextWidth(font, s);
    int32_t y = y0 + YOf(8) + LS / 2;
    dc_.PutText("text", font, x, y, s, -1, -1);
    if (fs_.measureBox) {
      FontMetrics m = dc_.GetCanvas().Metrics(font);
      int32_t pad = LS / 6, t = lp_.Get(LP_LineThickness);
      int32_t l = x - pad, r = x + w + pad, b = y - m.descent - pad / 2, tp = y + m.ascent;
      Canvas& cv = dc_.GetCanvas();
      cv.DrawLine(l, b, r, b, t);
      cv.DrawLine(r, b, r, tp, t);
      cv.DrawLine(r, tp, l, tp, t);
      cv.DrawLine(l, tp, l, b, t);
    }
  };
  bool firstShown = false;
  if (fs_.measureInterval == 0 || (fs_.measureInterval > 0 && measure_ % fs_.measureInterval == 0)) {
    if (measure_ > 0 || fs_.measureInterval == 0) number(measure_, line_.front().x);
    firstShown = true;
  }
  (void)firstShown;
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (!IsBarItem(it.kind) || it.kind == TK_START_BAR) continue;
    ++measure_;
    bool lastItem = true;
    for (size_t j = i + 1; j < line_.size(); ++j)
      if (line_[j].kind == TK_NOTE) lastItem = false;
    if (fs_.measureInterval > 0 && measure_ % fs_.measureInterval == 0 && !lastItem) {
      number(measure_, it.x);
    }
  }
}

void TuneDrawer::DrawColumn(const Column& c, int32_t y0) {
  const bool grace = c.grace;
  const DrawItem& lead = line_[static_cast<size_t>(c.first)];
  if (lead.rest == 2) return;
  if (lead.kind == kItemMultiRest) {
    Sym("rest", SYM_WHOLE_REST, c.headX, y0 + YOf(4) + RestVpos(lp_, 1), lead);
    if (lead.value > 1) {
      std::string n = std::to_string(lead.value);
      int32_t w = 0;
      for (char ch : n) w += Box(SYM_METER_0 + (ch - '0')).advance;
      int32_t x = c.headX + c.headW / 2 - w / 2;
      for (char ch : n) {
        Sym("rest", SYM_METER_0 + (ch - '0'), x, y0 + YOf(10), lead);
        x += Box(SYM_METER_0 + (ch - '0')).advance;
      }
    }
    return;
  }
  if (c.rest) {
    int sym = RestSymbol(c.base);
    int32_t y = y0 + YOf(4) + RestVpos(lp_, c.base);
    Sym("rest", sym, c.headX, y, lead);
    if (lead.dots > 0) {
      int32_t x = c.headX + c.headW + lp_.Get(LP_SpaceBeforeDot);
      for (int d = 0; d < lead.dots; ++d) {
        Sym("dot", SYM_DOT, x, y0 + YOf(5) + lp_.Get(LP_DotVpos), lead);
        x += Box(SYM_DOT).advance + lp_.Get(LP_DotSpacing);
      }
    }
    if (fs_.halfStemForBeamedRest && c.group >= 0 && groups_[static_cast<size_t>(c.group)].beamed) {
      int32_t len = lp_.Get(LP_HalfStemLength);
      int32_t sx = c.headX + c.headW / 2;
      Line("stem", sx, y0 + c.tip, sx, y0 + c.tip + (c.up ? -len : len), lp_.Get(LP_StemThickness),
           lead);
    }
    return;
  }
  const int32_t LL = Scaled(lp_.Get(LP_LedgerLength), grace);
  const int32_t LT = lp_.Get(LP_LineThickness);
  for (int i = c.first; i <= c.last; ++i) {
    const DrawItem& n = line_[static_cast<size_t>(i)];
    if (n.kind != TK_NOTE || n.rest != 0) continue;
    int32_t y = y0 + YOf(n.step);
    int32_t hx = n.x + n.headDx;
    // Ledger lines.
    int32_t mid = hx + c.headW / 2;
    for (int s = -2; s >= n.step; s -= 2)
      Line("ledger", mid - LL / 2, y0 + YOf(s), mid + LL / 2, y0 + YOf(s), LT, n);
    for (int s = 10; s <= n.step; s += 2)
      Line("ledger", mid - LL / 2, y0 + YOf(s), mid + LL / 2, y0 + YOf(s), LT, n);
    // Accidental.
    int acc = AccidentalSymbol(n.accidental, grace);
    if (acc != 0) {
      if (grace && dc_.Symbols().Char(acc) == ' ') acc -= SYM_SMALL_SHARP - SYM_SHARP;
      int32_t ax = n.value > 0 ? hx - n.value
                               : hx - Box(acc, grace).advance -
                                     Scaled(lp_.Get(LP_SpaceAfterAccidental), grace);
      Sym("accidental", acc, ax, y, n, grace);
    }
    // Head, or the whole note glyph.
    int sym;
    if (c.single && !c.stem) {
      sym = SingleNoteSymbol(n.base, c.up);
      if (grace && n.base == 3) {
        sym = c.up || fs_.graceNotesUp ? SYM_GRACE_QUARTER_UP : SYM_GRACE_QUARTER_DOWN;
      } else if (grace && n.base == 4) {
        if (fs_.slashFlaggedGrace || (n.flags & kItemSlashed)) {
          sym = SYM_GRACE_SLASHED_UP;
        } else {
          sym = c.up || fs_.graceNotesUp ? SYM_GRACE_EIGHTH_UP : SYM_GRACE_EIGHTH_DOWN;
        }
      }
    } else {
      sym = HeadSymbol(n.base);
    }
    Sym(grace ? "grace" : "note", sym, hx, y, n, grace);
    if (n.flags & kItemLonga) {
      // The longa: a breve with a tail down from its right side.
      const GlyphBox& b = Box(SYM_BREVE, grace);
      int32_t tx = hx + b.right - lp_.Get(LP_StemThickness);
      Line("stem", tx, y, tx, y - LS * 2, lp_.Get(LP_StemThickness) * 3 / 2, n);
    }
    // Dots, in the space above a head on a line.
    if (n.dots > 0) {
      int32_t x = hx + c.headW + Scaled(lp_.Get(LP_SpaceBeforeDot), grace);
      int32_t dy = (n.step % 2 == 0 ? LS / 2 : 0) + Scaled(lp_.Get(LP_DotVpos), grace);
      for (int d = 0; d < n.dots; ++d) {
        Sym("dot", SYM_DOT, x, y + dy, n, grace);
        x += Box(SYM_DOT, grace).advance + Scaled(lp_.Get(LP_DotSpacing), grace);
      }
    }
  }
  if (c.stem) {
    int32_t ST = lp_.Get(LP_StemThickness);
    Line("stem", c.stemX, y0 + c.stemBase, c.stemX, y0 + c.tip, ST, lead);
    bool beamed = c.group >= 0 && groups_[static_cast<size_t>(c.group)].beamed;
    if (!beamed && c.base >= 4) {
      int sym = c.up ? (c.base == 4 ? 35 : 37) : (c.base == 4 ? 36 : 38);
      const GlyphBox& b = Box(sym, grace);
      int32_t fx = c.stemX - ST / 2 - b.left;
      int32_t fy = y0 + c.tip - (c.up ? b.top : b.bottom);
      Sym("flag", sym, fx, fy, lead, grace);
    }
  }
}

void TuneDrawer::DrawBeams(const Group& g, int32_t y0) {
  const bool grace = g.grace;
  const int32_t BT = Scaled(lp_.Get(LP_BeamThickness), grace);
  const int32_t step = BT + lp_.Get(LP_BeamSpacing);
  const int32_t broken = Scaled(lp_.Get(LP_BrokenBeamLength), grace);
  const int32_t ST = lp_.Get(LP_StemThickness);
  std::vector<const Column*> notes;
  for (int ci : g.cols) notes.push_back(&cols_[static_cast<size_t>(ci)]);
  const Column& a = *notes.front();
  const Column& b = *notes.back();
  // A beam spans the source of its first to its last note.
  DrawItem src;
  src.begin = line_[static_cast<size_t>(a.first)].begin;
  src.end = line_[static_cast<size_t>(b.last)].end;
  double slope = b.stemX == a.stemX ? 0.0 : static_cast<double>(b.tip - a.tip) / (b.stemX - a.stemX);
  auto beamY = [&](int32_t x) { return static_cast<int32_t>(a.tip + slope * (x - a.stemX)); };
  auto poly = [&](int32_t x1, int32_t x2, int level) {
    int32_t in = g.up ? -level * step : level * step;
    int32_t o1 = beamY(x1) + in, o2 = beamY(x2) + in;
    int32_t i1 = o1 + (g.up ? -BT : BT), i2 = o2 + (g.up ? -BT : BT);
    CanvasPoint pts[4] = {{x1, y0 + o1}, {x2, y0 + o2}, {x2, y0 + i2}, {x1, y0 + i1}};
    dc_.PutPolygon("beam", pts, 4, src.begin, src.end);
  };
  // Level 0 joins every column of the group.
  int32_t left = a.stemX - ST / 2, right = b.stemX + ST / 2;
  poly(left, right, 0);
  for (int level = 1; level < 5; ++level) {
    size_t i = 0;
    while (i < notes.size()) {
      if (notes[i]->rest || notes[i]->base - 3 <= level) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j + 1 < notes.size() && !notes[j + 1]->rest && notes[j + 1]->base - 3 > level) ++j;
      if (j > i) {
        poly(notes[i]->stemX - ST / 2, notes[j]->stemX + ST / 2, level);
      } else {
        const DrawItem& it = line_[static_cast<size_t>(notes[i]->first)];
        uint32_t unit = 1536u >> (level + 3);
        bool forward = i == 0 || (i + 1 < notes.size() && unit > 0 && it.start % unit == 0);
        if (i + 1 == notes.size()) forward = false;
        int32_t x = notes[i]->stemX;
        if (forward) {
          poly(x - ST / 2, x + broken, level);
        } else {
          poly(x - broken, x + ST / 2, level);
        }
      }
      i = j + 1;
    }
  }
}

void TuneDrawer::DrawTuplets(int32_t y0) {
  Canvas& cv = dc_.GetCanvas();
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& t = line_[i];
    if (t.kind != TK_TUPLET) continue;
    // The next r columns (chords count once, grace notes not at all).
    std::vector<int> cs;
    for (size_t c = 0; c < cols_.size() && static_cast<int>(cs.size()) < t.value3; ++c) {
      if (cols_[c].first > static_cast<int>(i) && !cols_[c].grace) cs.push_back(static_cast<int>(c));
    }
    if (cs.empty()) continue;
    const Column& a = cols_[static_cast<size_t>(cs.front())];
    const Column& b = cols_[static_cast<size_t>(cs.back())];
    bool oneBeam = a.group >= 0 && a.group == b.group && groups_[static_cast<size_t>(a.group)].beamed &&
                   groups_[static_cast<size_t>(a.group)].cols.size() == cs.size();
    bool aStem = !a.rest && a.base >= 2, bStem = !b.rest && b.base >= 2;
    bool above;
    if (aStem && bStem && a.up == b.up) {
      above = a.up;
    } else if (aStem) {
      above = a.up;
    } else if (bStem) {
      above = b.up;
    } else {
      above = true;
    }
    int32_t edge = above ? INT32_MIN : INT32_MAX;
    for (int ci : cs) {
      const Column& c = cols_[static_cast<size_t>(ci)];
      edge = above ? std::max(edge, c.inkTop) : std::min(edge, c.inkBottom);
    }
    int32_t gap = lp_.Get(LP_TupletGap) / 2;
    std::string digits = std::to_string(t.value);
    std::string q = t.value2 > 0 ? std::to_string(t.value2) : "";
    int32_t w = 0;
    for (char ch : digits + q) w += Box(SYM_TUPLET_0 + (ch - '0')).advance;
    if (!q.empty()) w += LS / 2;
    const GlyphBox& d0 = Box(SYM_TUPLET_0 + 3);
    int32_t h = d0.top - d0.bottom;
    int32_t cy = above ? edge + gap + h / 2 : edge - gap - h / 2;
    int32_t x1 = a.headX, x2 = b.headX + b.headW;
    int32_t cx = (x1 + x2) / 2;
    int32_t x = cx - w / 2;
    int32_t baseY = y0 + cy - (d0.top + d0.bottom) / 2;
    for (char ch : digits) {
      Sym("tuplet", SYM_TUPLET_0 + (ch - '0'), x, baseY, t);
      x += Box(SYM_TUPLET_0 + (ch - '0')).advance;
    }
    if (!q.empty()) {
      int32_t r = std::max<int32_t>(LS / 12, 8);
      cv.DrawEllipse(x + LS / 4, y0 + cy + h / 5, r, r, true, 0);
      cv.DrawEllipse(x + LS / 4, y0 + cy - h / 5, r, r, true, 0);
      x += LS / 2;
      for (char ch : q) {
        Sym("tuplet", SYM_TUPLET_0 + (ch - '0'), x, baseY, t);
        x += Box(SYM_TUPLET_0 + (ch - '0')).advance;
      }
    }
    if (!oneBeam) {
      // A bracket shows which notes the number belongs to.
      int32_t th = lp_.Get(LP_TupletThickness);
      int32_t hook = std::min(lp_.Get(LP_TupletHeight), LS);
      int32_t by = y0 + cy;
      int32_t end = above ? by - hook / 2 : by + hook / 2;
      int32_t l = cx - w / 2 - LS / 4, r = cx + w / 2 + LS / 4;
      if (l > x1) Line("tuplet", x1, by, l, by, th, t);
      if (r < x2) Line("tuplet", r, by, x2, by, th, t);
      Line("tuplet", x1, by, x1, end, th, t);
      Line("tuplet", x2, by, x2, end, th, t);
    }
  }
}

void TuneDrawer::DrawArc(std::string_view kind, int32_t begin, int32_t end, int32_t x1,
                         int32_t y1, int32_t x2, int32_t y2, bool above, int32_t h) {
  const int32_t thick = std::max<int32_t>(lp_.Get(LP_SlurThickness) * 2, 1);
  const int n = 14;
  std::vector<CanvasPoint> pts;
  pts.reserve(2 * n + 2);
  double sign = above ? 1 : -1;
  double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0 + sign * 2.0 * h;
  for (int i = 0; i <= n; ++i) {
    double t = static_cast<double>(i) / n;
    double x = (1 - t) * (1 - t) * x1 + 2 * t * (1 - t) * cx + t * t * x2;
    double y = (1 - t) * (1 - t) * y1 + 2 * t * (1 - t) * cy + t * t * y2;
    pts.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
  }
  double cy2 = cy - sign * 2.0 * thick;
  for (int i = n - 1; i >= 1; --i) {
    double t = static_cast<double>(i) / n;
    double x = (1 - t) * (1 - t) * x1 + 2 * t * (1 - t) * cx + t * t * x2;
    double y = (1 - t) * (1 - t) * y1 + 2 * t * (1 - t) * cy2 + t * t * y2;
    pts.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
  }
  dc_.PutPolygon(kind, pts.data(), pts.size(), begin, end);
}

void TuneDrawer::DrawTiesAndSlurs(int32_t y0, int32_t startX, int32_t endX) {
  const int32_t tieH = lp_.Get(LP_TieHpos), tieV = lp_.Get(LP_TieVpos);
  const int arcPct = lp_.Get(LP_TieArcPercent);
  auto arcHeight = [&](int32_t w) {
    return std::clamp<int32_t>(w * arcPct / 100, LS / 4, LS * 2 / 3);
  };
  // Ties: from a tied note to the next note of the same pitch.
  for (size_t ci = 0; ci < cols_.size(); ++ci) {
    const Column& c = cols_[ci];
    if (c.rest) continue;
    for (int i = c.first; i <= c.last; ++i) {
      const DrawItem& n = line_[static_cast<size_t>(i)];
      if (!(n.flags & kItemTied) || n.kind != TK_NOTE) continue;
      bool above = c.single ? !c.up : n.step * 2 >= c.topStep + c.bottomStep;
      if (c.base <= 1) above = n.step >= 4;
      int32_t off = above ? LS / 2 : -LS / 2;
      int32_t x1 = c.headX + c.headW + tieH, y1 = y0 + YOf(n.step) + off + (above ? tieV : -tieV);
      // To the next note: a tie to another pitch is drawn all the same, as the
      // slur it stands for. Without a next note on the line it runs to the end.
      int32_t x2 = endX, y2 = y1;
      int32_t srcEnd = n.end;
      for (size_t cj = ci + 1; cj < cols_.size(); ++cj) {
        const Column& d = cols_[cj];
        if (d.grace != c.grace || d.rest) continue;
        x2 = d.headX - tieH;
        srcEnd = line_[static_cast<size_t>(d.last)].end;
        bool same = false;
        for (int j = d.first; j <= d.last; ++j) {
          if (line_[static_cast<size_t>(j)].pitch == n.pitch) same = true;
        }
        if (!same) y2 = y0 + YOf(above ? d.topStep : d.bottomStep) + off;
        break;
      }
      if (x2 > x1) DrawArc("tie", n.begin, srcEnd, x1, y1, x2, y2, above, arcHeight(x2 - x1) / 2);
    }
  }
  // Slurs, also across lines.
  auto endPoint = [&](const Column& c, bool above) {
    if (above) return (!c.up || c.base < 2 || c.rest) ? YOf(c.topStep) + LS * 3 / 4 : c.tip + LS / 3;
    return (c.up || c.base < 2 || c.rest) ? YOf(c.bottomStep) - LS * 3 / 4 : c.tip - LS / 3;
  };
  for (OpenSlur& s : openSlurs_) s.x = startX;  // continued from the line before
  for (size_t ci = 0; ci < cols_.size(); ++ci) {
    const Column& c = cols_[ci];
    const DrawItem& it = line_[static_cast<size_t>(c.first)];
    for (int e = 0; e < it.slurEnds && !openSlurs_.empty(); ++e) {
      OpenSlur s = openSlurs_.back();
      openSlurs_.pop_back();
      bool above = s.above && !(c.up && c.base >= 2 && s.above == false);
      int32_t y2 = endPoint(c, above);
      int32_t y1 = s.x == startX ? y2 : s.y;
      int32_t x1 = s.x, x2 = c.headX + c.headW / 2;
      // Clear the notes in between.
      int32_t h = std::clamp<int32_t>((x2 - x1) * arcPct / 100, LS / 3, LS * 3 / 2);
      for (const Column& m : cols_) {
        int32_t mx = m.headX + m.headW / 2;
        if (mx <= x1 || mx >= x2) continue;
        int32_t edge = above ? m.inkTop + LS / 4 - std::max(y1, y2) : std::min(y1, y2) - (m.inkBottom - LS / 4);
        h = std::max(h, std::min(edge, LS * 3));
      }
      if (x2 > x1) DrawArc("slur", s.begin, it.end, x1, y0 + y1, x2, y0 + y2, above, h / 2 + LS / 8);
    }
    for (int s = 0; s < it.slurStarts; ++s) {
      bool above = !(c.up && c.base >= 2 && !c.rest);
      openSlurs_.push_back({it.begin, it.serial, c.headX + c.headW / 2, endPoint(c, above), above});
    }
  }
  for (OpenSlur& s : openSlurs_) {
    if (s.x < endX && s.x != startX) {
      DrawArc("slur", s.begin, s.begin + 1, s.x, y0 + s.y, endX, y0 + s.y, s.above, LS / 2);
    }
  }
  // Slurs over grace notes: from the first grace head to the note they lead to.
  if (!fs_.graceSlurs) return;
  for (const Group& g : groups_) {
    if (!g.grace) continue;
    const Column& a = cols_[static_cast<size_t>(g.cols.front())];
    const Column& b = cols_[static_cast<size_t>(g.cols.back())];
    const Column* main = nullptr;
    for (size_t ci = static_cast<size_t>(g.cols.back()) + 1; ci < cols_.size(); ++ci) {
      if (!cols_[ci].grace) {
        main = &cols_[ci];
        break;
      }
    }
    if (main == nullptr || main->rest || main->headX - b.headX > LS * 5) continue;
    bool above = !g.up;
    int32_t y1 = above ? YOf(a.topStep) + LS / 2 : YOf(a.bottomStep) - LS / 2;
    int32_t y2 = above ? YOf(main->topStep) + LS * 3 / 4 : YOf(main->bottomStep) - LS * 3 / 4;
    DrawArc("slur", line_[static_cast<size_t>(a.first)].begin,
            line_[static_cast<size_t>(main->last)].end, a.headX, y0 + y1,
            main->headX + main->headW / 3, y0 + y2, above, LS / 5);
  }
}

void TuneDrawer::DrawDecorations(int32_t y0) {
  Canvas& cv = dc_.GetCanvas();
  const CanvasFont& font = dc_.ExprFont();
  FontMetrics em = cv.Metrics(font);
  auto place = [&](const Column* c, const DrawItem& it, const Decoration& d, int32_t& up,
                   int32_t& down, int32_t& atNote) {
    DecoStyle s = StyleOf(d.kind);
    const int32_t headX = c ? c->headX : it.x;
    const int32_t headW = c ? c->headW : Box(SYM_BARLINE).right;
    int32_t cx = headX + headW / 2;
    std::string text = d.text;
    if (s.symbol == -1 && s.text != nullptr) text = s.text;
    if (d.kind >= TK_FINGER_0 && d.kind <= TK_FINGER_5) text = std::to_string(d.kind - TK_FINGER_0);
    if (d.kind == TK_ROLL && dc_.Symbols().Char(SYM_ROLL) == ' ') return;
    if (d.kind == TK_SHORTPHRASE || d.kind == TK_MEDIUMPHRASE || d.kind == TK_LONGPHRASE) {
      int len = d.kind - TK_SHORTPHRASE + 1;
      dc_.PutLine("decoration", it.x - LS / 3, y0 + YOf(8) + LS / 2, it.x - LS / 3,
                  y0 + YOf(8) - len * LS, lp_.Get(LP_StemThickness) * 2, d.begin, d.end);
      return;
    }
    if (d.kind == TK_REPEATBAR) {
      dc_.PutSymbol("decoration", 15, cx - Box(15).advance / 2, y0, d.begin, d.end);
      return;
    }
    if (s.place == Place::kNone) return;
    if (s.symbol == -2) {
      // Four-letter dynamics: the three-letter glyph and one more letter.
      int sym3 = d.kind == TK_PPPP ? SYM_DYN_PPP : SYM_DYN_FFF;
      int sym1 = d.kind == TK_PPPP ? SYM_DYN_P : SYM_DYN_F;
      const GlyphBox& b = Box(sym3);
      int32_t h = b.top - b.bottom;
      int32_t y = up + h / 2;
      int32_t x = cx - (b.advance + Box(sym1).advance) / 2;
      dc_.PutSymbol("dynamic", sym3, x, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      dc_.PutSymbol("dynamic", sym1, x + b.advance, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      up += h + LS / 4;
      return;
    }
    if (s.symbol < 0) {
      if (text.empty()) return;
      int32_t w = TextWidth(font, text);
      if (s.place == Place::kLeft) {
        int32_t lx = headX - (it.headDx > 0 ? it.headDx : 0) - w - LS / 5;
        dc_.PutText("decoration", font, lx, y0 + YOf(c ? c->bottomStep : 4) - em.ascent / 3, text,
                    d.begin, d.end);
        return;
      }
      dc_.PutText(IsDynamicKind(d.kind) ? "dynamic" : "decoration", font, cx - w / 2,
                  y0 + up + em.descent, text, d.begin, d.end);
      up += em.ascent + em.descent;
      return;
    }
    int sym = s.symbol;
    const std::string_view kind = IsDynamicKind(d.kind) ? "dynamic" : "decoration";
    const GlyphBox& b = Box(sym);
    int32_t h = b.top - b.bottom;
    int32_t gx = cx - (b.left + b.right) / 2 + lp_.Horizontal(sym);
    if (s.place == Place::kLeft) {
      gx = headX - it.headDx - b.advance - LS / 6 + lp_.Horizontal(sym);
      int32_t y = YOf(c ? c->bottomStep : 4) + lp_.Above(sym);
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2 - LS / 4, d.begin, d.end);
      return;
    }
    bool above = s.place == Place::kAbove;
    if (s.place == Place::kNote) {
      above = c == nullptr || c->rest || c->base < 2 || !c->up;
      int32_t center;
      if (above) {
        int32_t base = c ? YOf(c->topStep) : YOf(8);
        if (c && c->base >= 2 && c->up && !c->rest) base = c->tip;
        center = std::max(atNote, base) + LS * 3 / 4;
        if (center < YOf(8) && ((center * 2 / LS) % 2 == 0)) center += LS / 4;
        atNote = center + h / 2;
        up = std::max(up, atNote + LS / 4);
      } else {
        int32_t base = c ? YOf(c->bottomStep) : YOf(0);
        center = base - LS * 3 / 4;
        if (center > YOf(0) && ((center * 2 / LS) % 2 == 0)) center -= LS / 4;
        down = std::min(down, center - h / 2 - LS / 4);
      }
      int32_t y = center + (above ? lp_.Above(sym) : lp_.Below(sym));
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      return;
    }
    if (above) {
      int32_t y = up + h / 2 + lp_.Above(sym);
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      up += h + LS / 4;
    } else {
      int32_t y = down - h / 2 + lp_.Below(sym);
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      down -= h + LS / 4;
    }
  };
  std::vector<std::pair<int, int32_t>> hairpinStarts = openHairpins_;
  std::vector<int32_t> hairpinBegins = openHairpinBegins_;
  openHairpinBegins_.clear();
  for (auto& h : hairpinStarts) h.second = line_.front().x + LS;
  openHairpins_.clear();
  int32_t hairpinY = YOf(8) + LS;
  for (const Column& c : cols_) hairpinY = std::max(hairpinY, c.inkTop + LS / 2);
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (it.decos.empty() || (it.flags & kItemChordLater)) continue;
    int ci = it.kind == TK_NOTE || it.kind == kItemMultiRest ? ColumnOfItem(static_cast<int>(i)) : -1;
    const Column* c = ci >= 0 ? &cols_[static_cast<size_t>(ci)] : nullptr;
    int32_t up = std::max(c ? c->inkTop : YOf(8), YOf(8)) + LS / 2;
    int32_t down = std::min(c ? c->inkBottom : YOf(0), YOf(0)) - LS / 3;
    int32_t atNote = c ? (c->up && c->base >= 2 && !c->rest ? c->tip : YOf(c->topStep)) : YOf(8);
    for (const Decoration& d : it.decos) {
      if (d.kind == TK_CHORD_SYMBOL) continue;
      if (d.kind == TK_CRESCENDO_START || d.kind == TK_DIMINUENDO_START) {
        hairpinStarts.push_back({d.kind, c ? c->headX : it.x});
        hairpinBegins.push_back(d.begin);
        continue;
      }
      if (d.kind == TK_CRESCENDO_END || d.kind == TK_DIMINUENDO_END) {
        int want = d.kind == TK_CRESCENDO_END ? TK_CRESCENDO_START : TK_DIMINUENDO_START;
        for (size_t h = hairpinStarts.size(); h-- > 0;) {
          if (hairpinStarts[h].first != want) continue;
          int32_t x1 = hairpinStarts[h].second, x2 = c ? c->headX + c->headW : it.x;
          int32_t open = std::max(lp_.Get(LP_HairpinHeight), LS) / 2;
          int32_t t = lp_.Get(LP_HairpinThickness);
          int32_t yc = y0 + hairpinY + open;
          bool cresc = want == TK_CRESCENDO_START;
          int32_t narrowX = cresc ? x1 : x2, wideX = cresc ? x2 : x1;
          dc_.PutLine("dynamic", narrowX, yc, wideX, yc + open, t, hairpinBegins[h], d.end);
          dc_.PutLine("dynamic", narrowX, yc, wideX, yc - open, t, hairpinBegins[h], d.end);
          hairpinStarts.erase(hairpinStarts.begin() + static_cast<long>(h));
          hairpinBegins.erase(hairpinBegins.begin() + static_cast<long>(h));
          break;
        }
        continue;
      }
      place(c, it, d, up, down, atNote);
    }
    if (ci >= 0) {
      // Annotations go on above and below what the decorations took.
      cols_[static_cast<size_t>(ci)].decoTop = up;
      cols_[static_cast<size_t>(ci)].decoBottom = down;
    }
  }
  // Hairpins that go on past the end of the line.
  for (size_t hi = 0; hi < hairpinStarts.size(); ++hi) {
    auto& h = hairpinStarts[hi];
    const int32_t hb = hairpinBegins[hi];
    int32_t x1 = h.second, x2 = line_.back().x + line_.back().ink;
    int32_t open = std::max(lp_.Get(LP_HairpinHeight), LS) / 2;
    int32_t yc = y0 + hairpinY + open;
    int32_t t = lp_.Get(LP_HairpinThickness);
    if (h.first == TK_CRESCENDO_START) {
      dc_.PutLine("dynamic", x1, yc, x2, yc + open * 2 / 3, t, hb, hb + 1);
      dc_.PutLine("dynamic", x1, yc, x2, yc - open * 2 / 3, t, hb, hb + 1);
    } else {
      dc_.PutLine("dynamic", x1, yc + open, x2, yc + open / 3, t, hb, hb + 1);
      dc_.PutLine("dynamic", x1, yc - open, x2, yc - open / 3, t, hb, hb + 1);
    }
    openHairpins_.push_back(h);
    openHairpinBegins_.push_back(hb);
  }
}

void TuneDrawer::DrawTexts(int32_t y0, int32_t, int32_t) {
  Canvas& cv = dc_.GetCanvas();
  chordEnd_ = INT32_MIN;
  const CanvasFont& expr = dc_.ExprFont();
  FontMetrics em = cv.Metrics(expr);
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    int ci = it.kind == TK_NOTE ? ColumnOfItem(static_cast<int>(i)) : -1;
    const Column* c = ci >= 0 ? &cols_[static_cast<size_t>(ci)] : nullptr;
    int32_t headX = c ? c->headX : it.x;
    int32_t headW = c ? c->headW : 0;
    int32_t annAbove = std::max(c ? c->inkTop : YOf(8), YOf(8)) + LS / 2;
    int32_t annBelow = std::min(c ? c->inkBottom : YOf(0), YOf(0)) - LS / 2 - em.ascent;
    if (c != nullptr && c->decoTop != 0) annAbove = std::max(annAbove, c->decoTop);
    if (c != nullptr && c->decoBottom != 0) annBelow = std::min(annBelow, c->decoBottom - em.ascent);
    for (const Decoration& d : it.decos) {
      if (d.kind != TK_CHORD_SYMBOL || (it.flags & kItemChordLater)) continue;
      std::string_view text = d.text;
      char lead = text.empty() ? '\0' : text[0];
      if (lead == '^' || lead == '_' || lead == '<' || lead == '>' || lead == '@') {
        text.remove_prefix(1);
        int32_t w = TextWidth(expr, text);
        int32_t y = y0 + YOf(c ? c->bottomStep : 4) - em.ascent / 3;
        if (lead == '<') {
          dc_.PutText("annotation", expr, headX - it.headDx - w - LS / 4, y, text, d.begin, d.end);
        } else if (lead == '>') {
          dc_.PutText("annotation", expr, headX + headW + LS / 4, y, text, d.begin, d.end);
        } else if (lead == '_') {
          dc_.PutText("annotation", expr, headX, y0 + annBelow, text, d.begin, d.end);
          annBelow -= em.ascent + em.descent;
        } else {
          dc_.PutText("annotation", expr, headX, y0 + annAbove + em.descent, text, d.begin, d.end);
          annAbove += em.ascent + em.descent;
        }
        continue;
      }
      // Chord symbols: one that would run into the one before moves right.
      int32_t x = std::max(headX, chordEnd_);
      dc_.PutText("chord", dc_.ChordFont(), x, y0 + chordBaseline_, text, d.begin, d.end);
      chordEnd_ = x + TextWidth(dc_.ChordFont(), text) + LS / 3;
    }
    if (it.kind == TK_FIELD_P || it.kind == TK_FIELD_Q || it.kind == TK_FIELD_R ||
        it.kind == TK_FIELD_T) {
      CanvasFont font = it.kind == TK_FIELD_T ? dc_.BodyTitleFont() : expr;
      if (it.kind == TK_FIELD_P) font.bold = true;
      int32_t x = it.x;
      std::string text = it.text;
      if (it.kind == TK_FIELD_Q) {
        // A tempo: its words, then the beat as a note and the beats per minute.
        std::string words, rest;
        bool quoted = false;
        for (char ch : text) {
          if (ch == '"') {
            quoted = !quoted;
            if (!quoted) words += ' ';
          } else {
            (quoted ? words : rest) += ch;
          }
        }
        auto trim = [](std::string& t) {
          while (!t.empty() && t.front() == ' ') t.erase(t.begin());
          while (!t.empty() && t.back() == ' ') t.pop_back();
        };
        trim(words);
        trim(rest);
        if (!words.empty()) {
          dc_.PutText("tempo", font, x, y0 + textBaseline_, words, it.begin, it.end);
          x += TextWidth(font, words) + LS / 2;
        }
        if (rest.empty()) continue;
        TempoInfo tp;
        ParseTempo(rest, meter.unitLength, meter.beatLength, tp);
        NoteShape beat = ShapeOfLength(tp.beatLength);
        if (rest.find('=') != std::string::npos && beat.base >= 2 && beat.base <= 5 &&
            ShapeOfLength(tp.beatLength).dots <= 1) {
          // The beat as a small note with its stem up, then "= n".
          CanvasFont small = dc_.NotationFont();
          small.height = small.height * 3 / 5;
          int sym = SingleNoteSymbol(beat.base, true);
          uint8_t ch = dc_.Symbols().Char(sym);
          GlyphBox b = cv.CharBox(small, ch);
          int32_t by = y0 + textBaseline_ + LS / 4;
          dc_.Report("tempo", SymbolMap::Key(sym), x, by, it.begin, it.end, {}, x + b.left,
                     by + b.bottom, x + b.right, by + b.top);
          cv.DrawChar(small, x, by, ch);
          int32_t after = x + b.advance + LS / 8;
          if (beat.dots > 0) {
            uint8_t dot = dc_.Symbols().Char(SYM_DOT);
            cv.DrawChar(small, after, by, dot);
            after += cv.CharBox(small, dot).advance + LS / 8;
          }
          if (b.right > b.advance) after = std::max(after, x + b.right + LS / 8);
          dc_.PutText("tempo", font, after, y0 + textBaseline_,
                      "= " + std::to_string(tp.beatsPerMinute), it.begin, it.end);
          continue;
        }
        text = rest;
      }
      dc_.PutText(it.kind == TK_FIELD_Q ? "tempo" : "text", font, x, y0 + textBaseline_, text,
                  it.begin, it.end);
    }
  }
}

void TuneDrawer::DrawEndings(int32_t y0, int32_t startX, int32_t endX) {
  Canvas& cv = dc_.GetCanvas();
  const int32_t th = lp_.Get(LP_BracketThickness);
  const int32_t top = y0 + EndingTop();
  const int32_t bottom = top - lp_.Get(LP_BracketHeight);
  CanvasFont font = dc_.ExprFont();
  FontMetrics m = cv.Metrics(font);
  int32_t from = startX;
  bool drawnStart = false;
  auto close = [&](int32_t x, bool down) {
    dc_.PutLine("ending", from, top, x, top, th, endingBegin_, endingBegin_ + 1);
    if (drawnStart) dc_.PutLine("ending", from, top, from, bottom, th, endingBegin_, endingBegin_ + 1);
    if (down) dc_.PutLine("ending", x, top, x, bottom, th, endingBegin_, endingBegin_ + 1);
    openEnding_ = 0;
  };
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (it.kind == TK_FIRST_ENDING || it.kind == TK_SECOND_ENDING) {
      if (openEnding_ != 0) close(it.x, true);
      // The bracket starts at the bar line before the number.
      int32_t x = it.x;
      for (size_t j = i; j-- > 0;) {
        if (IsBarItem(line_[j].kind)) {
          x = line_[j].x + lp_.Get(LP_SpaceBeforeBarline) + Box(SYM_BARLINE).right;
          break;
        }
        if (line_[j].kind == TK_NOTE) break;
      }
      from = x;
      drawnStart = true;
      openEnding_ = it.value;
      endingHadNote_ = false;
      endingBegin_ = it.begin;
      std::string label = std::to_string(it.value) + ".";
      dc_.PutText("ending", font, from + LS / 4 + lp_.Get(LP_BracketTextHpos),
                  top - m.ascent + lp_.Get(LP_BracketTextVpos), label, it.begin, it.end);
      continue;
    }
    if (openEnding_ == 0) continue;
    if (it.kind == TK_NOTE) endingHadNote_ = true;
    if (IsBarItem(it.kind) && endingHadNote_) {
      bool repeatEnd = it.kind == TK_REPEAT_END || it.kind == TK_REPEAT_BOTH;
      bool strong = repeatEnd || it.kind == TK_DOUBLE_BAR || it.kind == TK_END_BAR;
      if (openEnding_ == 1 && !strong) continue;
      close(it.x + lp_.Get(LP_SpaceBeforeBarline) + Box(SYM_BARLINE).left, repeatEnd || openEnding_ == 1);
    }
  }
  if (openEnding_ != 0) {
    dc_.PutLine("ending", from, top, endX, top, th, endingBegin_, endingBegin_ + 1);
    if (drawnStart) dc_.PutLine("ending", from, top, from, bottom, th, endingBegin_, endingBegin_ + 1);
  }
}

void TuneDrawer::DrawLyrics(int32_t y0) {
  if (verses_ == 0) return;
  Canvas& cv = dc_.GetCanvas();
  const CanvasFont& font = dc_.LyricsFont();
  FontMetrics m = cv.Metrics(font);
  const int32_t lineH = m.ascent + m.descent;
  const int32_t hyphenW = TextWidth(font, "-");
  for (int v = 0; v < verses_; ++v) {
    int32_t baseline = y0 + lyricsTop_ - m.ascent - v * lineH;
    int32_t lastEnd = INT32_MIN;
    bool hyphen = false;
    int32_t hyphenBegin = -1;
    int32_t holdEnd = INT32_MIN;
    int32_t holdBegin = -1;
    auto extender = [&]() {
      if (holdEnd != INT32_MIN && lastEnd != INT32_MIN && holdEnd > lastEnd + LS / 4) {
        dc_.PutLine("lyric", lastEnd + LS / 8, baseline, holdEnd, baseline,
                    lp_.Get(LP_LineThickness), holdBegin, holdBegin + 1);
      }
      holdEnd = INT32_MIN;
    };
    for (const Column& c : cols_) {
      const DrawItem& it = line_[static_cast<size_t>(c.first)];
      if (static_cast<size_t>(v) >= it.lyrics.size()) continue;
      const Syllable& syl = it.lyrics[static_cast<size_t>(v)];
      std::string s = syl.text;
      if (s == "_") {
        if (holdEnd == INT32_MIN) holdBegin = syl.begin;
        holdEnd = c.headX + c.headW;
        continue;
      }
      extender();
      if (s == "-") {
        // The word goes on past this note: the hyphen stands between the syllables.
        if (!hyphen) hyphenBegin = syl.begin;
        hyphen = lastEnd != INT32_MIN;
        continue;
      }
      if (s.empty()) continue;
      bool joins = s.size() > 1 && s.back() == '-';
      if (joins) s.pop_back();
      int32_t w = TextWidth(font, s);
      int32_t x = c.headX + c.headW / 2 - w / 2;
      int32_t gap = hyphen ? hyphenW + LS / 3 : LS / 5;
      if (lastEnd != INT32_MIN && x < lastEnd + gap) x = lastEnd + gap;
      if (hyphen && lastEnd != INT32_MIN) {
        dc_.PutText("lyric", font, (lastEnd + x) / 2 - hyphenW / 2, baseline, "-", hyphenBegin,
                    hyphenBegin + 1);
      }
      dc_.PutText("lyric", font, x, baseline, s, syl.begin, syl.end);
      lastEnd = x + w;
      hyphen = joins;
      if (joins) hyphenBegin = syl.end;
    }
    extender();
  }
}

}  // namespace

NoteShape ShapeOfLength(uint32_t ticks) {
  if (ticks == 0) return {4, 0};
  if (ticks >= 3072) {
    // A longa (four whole notes), dotted when it is six.
    return {0, ticks >= 4608 ? 1 : 0, true};
  }
  // The largest plain value not longer than the length, with dots when they fit.
  static const uint32_t kValues[9] = {1536, 768, 384, 192, 96, 48, 24, 12, 6};
  for (int b = 0; b < 9; ++b) {
    uint32_t v = kValues[b];
    if (ticks >= v || b == 8) {
      NoteShape s{b, 0};
      uint32_t total = v, add = v / 2;
      while (s.dots < 3 && add > 0 && total + add <= ticks) {
        total += add;
        add /= 2;
        ++s.dots;
      }
      if (total != ticks) s.dots = ticks == v + v / 2 ? 1 : s.dots;
      return s;
    }
  }
  return {4, 0};
}

int StaffStep(int p) {
  static const int t[12] = {-2, -2, -1, -1, 0, 1, 1, 2, 2, 3, 3, 4};
  int rel = p - 60;
  int octave = rel >= 0 ? rel / 12 : -((-rel + 11) / 12);
  int pc = ((p % 12) + 12) % 12;
  return t[pc] + 7 * octave;
}

ClefInfo ClefOf(int clef) {
  switch (clef) {
    case 2: return {SYM_F_CLEF, 6, 12};   // bass
    case 3: return {SYM_C_CLEF, 4, 6};    // alto
    case 4: return {SYM_C_CLEF, 6, 8};    // tenor
    case 5: return {SYM_C_CLEF, 0, 2};    // soprano
    case 6: return {SYM_F_CLEF, 4, 10};   // baritone
    default: return {SYM_G_CLEF, 2, 0};   // treble
  }
}

int ClefFromText(const std::string& text) {
  std::string lower;
  for (char c : text) lower += Lower(c);
  struct Name {
    const char* word;
    int clef;
  };
  static const Name kNames[] = {{"treble", 1}, {"bass", 2},  {"alto", 3},    {"tenor", 4},
                                {"soprano", 5}, {"baritone", 6}, {"f4", 2}, {"c3", 3},
                                {"c4", 4},     {"g2", 1}};
  for (const Name& n : kNames) {
    if (ContainsWord(lower, n.word)) return n.clef;
  }
  return 0;
}

std::vector<int> KeySignatureSteps(int shift, bool sharps, int count) {
  int delta = ((shift % 7) + 7) % 7;
  if (delta > 3) delta -= 7;
  std::vector<int> steps;
  for (int i = 0; i < count && i < 7; ++i) {
    int s = (sharps ? kTrebleSharpSteps[i] : kTrebleFlatSteps[i]) + delta;
    if (sharps && s > (delta > 0 ? 8 : 9)) s -= 7;
    if (!sharps && s > 8) s -= 7;
    steps.push_back(s);
  }
  return steps;
}

bool DrawTuneMusic(DrawContext& dc, const TuneRecord& tune) {
  TuneDrawer drawer(dc);
  return drawer.Draw(tune);
}

}  // namespace tunora
