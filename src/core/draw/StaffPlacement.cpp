// Placement of texts: annotations, chord symbols and the texts of fields in the music
// stand clear of the notes, stems, beams and decorations of the columns they span and
// of each other. The ink of the line is gathered as boxes; each text starts where it
// would stand on a bare staff and moves away from the staff until its box is clear.
#include "draw/TuneDrawer.h"

namespace tunora::staff {
namespace {

bool Spans(const InkBox& b, int32_t x1, int32_t x2) { return b.x1 < x2 && x1 < b.x2; }

// The lowest bottom, from `from` upward, at which a box of height h over [x1, x2)
// clears every box of ink by gap. Boxes taken by their bottoms: once one lies wholly
// above the text, so do all that follow.
int32_t ClearAbove(const std::vector<InkBox>& ink, int32_t x1, int32_t x2, int32_t from, int32_t h,
                   int32_t gap) {
  std::vector<const InkBox*> near;
  for (const auto& b : ink)
    if (Spans(b, x1, x2)) near.push_back(&b);
  std::sort(near.begin(), near.end(), [](auto* a, auto* b) { return a->bottom < b->bottom; });
  int32_t y = from;
  for (const auto* b : near) {
    if (b->bottom >= y + h + gap) break;
    y = std::max(y, b->top + gap);
  }
  return y;
}

// The highest top, from `from` downward, at which a box of height h clears the ink.
int32_t ClearBelow(const std::vector<InkBox>& ink, int32_t x1, int32_t x2, int32_t from, int32_t h,
                   int32_t gap) {
  std::vector<const InkBox*> near;
  for (const auto& b : ink)
    if (Spans(b, x1, x2)) near.push_back(&b);
  std::sort(near.begin(), near.end(), [](auto* a, auto* b) { return a->top > b->top; });
  int32_t y = from;
  for (const auto* b : near) {
    if (b->top <= y - h - gap) break;
    y = std::min(y, b->bottom - gap);
  }
  return y;
}

bool IsFieldText(int kind) {
  return kind == TK_FIELD_P || kind == TK_FIELD_Q || kind == TK_FIELD_R || kind == TK_FIELD_T;
}

}  // namespace

int32_t TuneDrawer::StackHeight(const Decoration& d) const {
  DecoStyle s = StyleOf(d.kind);
  if (s.place != Place::kAbove && s.place != Place::kBelow && s.place != Place::kNote) return 0;
  if (s.symbol >= 0) {
    const GlyphBox& b = Box(s.symbol);
    return b.top - b.bottom + LS / 4;
  }
  if (s.symbol == -2) {
    const GlyphBox& b = Box(SYM_DYN_F);
    return b.top - b.bottom + LS / 4;
  }
  FontMetrics em = dc_.GetCanvas().Metrics(dc_.ExprFont());
  return em.ascent + em.descent;
}

const TuneDrawer::PlacedText* TuneDrawer::PlacedFor(int item, int deco) const {
  for (const PlacedText& p : placed_)
    if (p.item == item && p.deco == deco) return &p;
  return nullptr;
}

void TuneDrawer::ColumnInk(std::vector<InkBox>& ink) const {
  // The staff, and the ink of every column with the decorations stacked on it.
  ink.push_back({line_.front().x, std::max(endX_, line_.front().x + 1), YOf(0), YOf(8)});
  for (const Column& c : cols_) {
    const DrawItem& it = line_[static_cast<size_t>(c.first)];
    int32_t x1 = it.x, x2 = c.headX + c.headW + LS / 4;
    for (int i = c.first; i <= c.last; ++i) x1 = std::min(x1, line_[static_cast<size_t>(i)].x);
    ink.push_back({x1, x2, c.inkBottom, c.inkTop});
    int32_t up = std::max(c.inkTop, YOf(8)) + LS / 2;
    int32_t down = std::min(c.inkBottom, YOf(0)) - LS / 3;
    int32_t top = c.inkTop, bottom = c.inkBottom;
    int32_t half = c.headW / 2;
    for (const Decoration& d : it.decos) {
      int32_t h = StackHeight(d);
      if (h == 0 || IsDynamicKind(d.kind)) continue;
      DecoStyle s = StyleOf(d.kind);
      if (s.place == Place::kBelow) {
        down -= h;
        bottom = down;
      } else {
        up += h;
        top = up;
      }
      half = std::max(half, (s.symbol >= 0 ? Box(s.symbol).advance
                                           : Box(SYM_DYN_FFF).advance + Box(SYM_DYN_F).advance) /
                                2);
    }
    const int32_t cx = c.headX + c.headW / 2;
    if (top > c.inkTop) ink.push_back({cx - half, cx + half, c.inkTop, top});
    if (bottom < c.inkBottom) ink.push_back({cx - half, cx + half, bottom, c.inkBottom});
  }
  const int32_t beamT = lp_.Get(LP_BeamThickness);
  for (const Group& g : groups_) {
    if (!g.beamed || g.cols.empty()) continue;
    const Column& a = cols_[static_cast<size_t>(g.cols.front())];
    const Column& b = cols_[static_cast<size_t>(g.cols.back())];
    ink.push_back({a.headX, b.headX + b.headW, std::min(a.tip, b.tip) - beamT,
                   std::max(a.tip, b.tip) + beamT});
  }
  // Tuplet numbers and brackets.
  TupletMark mark;
  for (size_t i = 0; i < line_.size(); ++i) {
    if (line_[i].kind != TK_TUPLET || !PlaceTuplet(i, mark)) continue;
    ink.push_back({mark.x1, mark.x2, mark.cy - mark.h / 2, mark.cy + mark.h / 2});
  }
}

void TuneDrawer::PlaceTexts() {
  placed_.clear();
  placedTop_ = YOf(8);
  placedBottom_ = YOf(0);
  lineInk_.clear();
  if (line_.empty()) return;
  std::vector<InkBox> ink = sharedInk_;
  ColumnInk(ink);
  // Repeat brackets and bar numbers keep a band above the staff of their own.
  const bool endings = HasEndings();
  if (endings) ink.push_back({line_.front().x, endX_ + 1, YOf(8), EndingTop() + LS / 4});
  if (fs_.measureInterval >= 0)
    ink.push_back({line_.front().x, endX_ + 1, YOf(8), YOf(8) + LS * 2});

  Canvas& cv = dc_.GetCanvas();
  const CanvasFont& expr = dc_.ExprFont();
  const FontMetrics em = cv.Metrics(expr), cm = cv.Metrics(dc_.ChordFont());
  const int32_t gap = LS / 5;
  auto clear = [&](int32_t x, int32_t w, int32_t h, bool above, int32_t from) {
    // Texts side by side keep a little room between them too.
    const int32_t x1 = x - LS / 8, x2 = x + w + LS / 8;
    return above ? ClearAbove(ink, x1, x2, from, h, gap)
                 : ClearBelow(ink, x1, x2, from, h, gap) - h;
  };
  auto put = [&](int item, int deco, int32_t x, int32_t w, const FontMetrics& m, int32_t bottom) {
    const int32_t h = m.ascent + m.descent;
    ink.push_back({x, x + w, bottom, bottom + h});
    placed_.push_back({item, deco, x, bottom + m.descent});
    placedTop_ = std::max(placedTop_, bottom + h);
    placedBottom_ = std::min(placedBottom_, bottom);
  };
  // Dynamics over their notes, on the decorations stacked there.
  const GlyphBox& letter = Box(SYM_DYN_F);
  const FontMetrics dynamicM{letter.top - letter.bottom + LS / 4, 0};
  for (const Column& c : cols_) {
    const DrawItem& it = line_[static_cast<size_t>(c.first)];
    if (it.flags & kItemChordLater) continue;
    for (size_t j = 0; j < it.decos.size(); ++j) {
      const Decoration& d = it.decos[j];
      if (!IsDynamicKind(d.kind)) continue;
      // The ink of the sign, or of its letters set side by side about the head.
      const DecoStyle s = StyleOf(d.kind);
      const int32_t cx = c.headX + c.headW / 2;
      int32_t x1 = cx, x2 = cx;
      if (s.symbol >= 0) {
        const GlyphBox& b = Box(s.symbol);
        x1 = cx - (b.right - b.left) / 2;
        x2 = x1 + (b.right - b.left);
      } else {
        std::vector<int> syms;
        int32_t w = 0;
        for (char ch : std::string_view(s.text != nullptr ? s.text : d.text.c_str())) {
          if (int sym = DynamicLetterSymbol(ch); sym != 0) {
            syms.push_back(sym);
            w += Box(sym).advance;
          }
        }
        if (syms.empty()) continue;
        x1 = cx - w / 2 + Box(syms.front()).left;
        x2 = cx - w / 2 + w - Box(syms.back()).advance + Box(syms.back()).right;
      }
      // Those of a second voice on a staff stand under it, by that voice's stems.
      const int32_t w = std::max(x2 - x1, int32_t{1});
      const bool above = !overlayPass_;
      put(c.first, static_cast<int>(j), x1, w, dynamicM,
          clear(x1, w, dynamicM.ascent, above,
                above ? std::max(c.inkTop, YOf(8)) + LS / 2
                      : std::min(c.inkBottom, YOf(0)) - LS / 3));
    }
  }
  // Chord symbols next, on one line that clears everything under (or over) them;
  // one that would run into the chord symbol before moves right.
  struct Chord {
    int item, deco;
    int32_t x, w;
  };
  std::vector<Chord> chords;
  int32_t chordEnd = INT32_MIN;
  const bool below = fs_.chordsBelow;
  const int32_t chordH = cm.ascent + cm.descent;
  const int32_t chordFrom = below
                                ? std::min(YOf(0) - fs_.chordVpos + cm.ascent * 2, YOf(0) - LS / 4)
                                : std::max(YOf(8) + fs_.chordVpos - chordH, YOf(8) + LS / 4);
  int32_t chordBottom = below ? INT32_MAX : INT32_MIN;
  // Then annotations, nearest the notes where there is room.
  struct Annotation {
    int item, deco;
    int32_t x, w;
    bool above;
  };
  std::vector<Annotation> annotations;
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (it.flags & kItemChordLater) continue;
    const int item = static_cast<int>(i);
    const int ci = it.kind == TK_NOTE ? ColumnOfItem(item) : -1;
    const int32_t headX = ci >= 0 ? cols_[static_cast<size_t>(ci)].headX : it.x;
    for (size_t j = 0; j < it.decos.size(); ++j) {
      const Decoration& d = it.decos[j];
      if (d.kind != TK_CHORD_SYMBOL) continue;
      std::string_view text = d.text;
      const char lead = text.empty() ? '\0' : text[0];
      if (lead == '^' || lead == '_') {
        annotations.push_back(
            {item, static_cast<int>(j), headX, TextWidth(expr, text.substr(1)), lead == '^'});
      } else if (lead != '<' && lead != '>' && lead != '@') {
        int32_t x = std::max(headX, chordEnd);
        int32_t w = TextWidth(dc_.ChordFont(), ChordDisplay(text));
        chords.push_back({item, static_cast<int>(j), x, w});
        int32_t at = clear(x, w, chordH, !below, chordFrom);
        chordBottom = below ? std::min(chordBottom, at) : std::max(chordBottom, at);
        chordEnd = x + w + LS / 3;
      }
    }
  }
  for (const Chord& c : chords) put(c.item, c.deco, c.x, c.w, cm, chordBottom);
  const int32_t emH = em.ascent + em.descent;
  for (const Annotation& a : annotations) {
    put(a.item, a.deco, a.x, a.w, em,
        clear(a.x, a.w, emH, a.above, a.above ? YOf(8) + LS / 2 : YOf(0) - LS / 2));
  }
  // The texts of fields: part labels, tempos, remarks and titles in the music, over
  // the line of chord symbols.
  int32_t textFrom = YOf(8) + LS / 4;
  if (!chords.empty() && !below) textFrom = std::max(textFrom, chordBottom + chordH + gap);
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (!IsFieldText(it.kind)) continue;
    CanvasFont font = it.kind == TK_FIELD_T ? dc_.BodyTitleFont() : expr;
    if (it.kind == TK_FIELD_P) font.bold = true;
    const FontMetrics m = cv.Metrics(font);
    const int32_t w = TextWidth(font, it.text);
    put(static_cast<int>(i), -1, it.x, w, m, clear(it.x, w, m.ascent + m.descent, true, textFrom));
  }
  lineInk_ = std::move(ink);
}

}  // namespace tunora::staff
