// Drawing of notes, rests, beams and tuplet marks.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

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
  double slope =
      b.stemX == a.stemX ? 0.0 : static_cast<double>(b.tip - a.tip) / (b.stemX - a.stemX);
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

bool TuneDrawer::PlaceTuplet(size_t i, TupletMark& m) const {
  const DrawItem& t = line_[i];
  // The next r columns (chords count once, grace notes not at all).
  std::vector<int>& cs = m.cols;
  cs.clear();
  for (size_t c = 0; c < cols_.size() && static_cast<int>(cs.size()) < t.value3; ++c) {
    if (cols_[c].first > static_cast<int>(i) && !cols_[c].grace) cs.push_back(static_cast<int>(c));
  }
  if (cs.empty()) return false;
  const Column& a = cols_[static_cast<size_t>(cs.front())];
  const Column& b = cols_[static_cast<size_t>(cs.back())];
  m.oneBeam = a.group >= 0 && a.group == b.group && groups_[static_cast<size_t>(a.group)].beamed &&
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
  const GlyphBox& d0 = Box(SYM_TUPLET_0 + 3);
  m.h = d0.top - d0.bottom;
  m.above = above;
  m.cy = above ? edge + gap + m.h / 2 : edge - gap - m.h / 2;
  m.x1 = a.headX;
  m.x2 = b.headX + b.headW;
  return true;
}

void TuneDrawer::DrawTuplets(int32_t y0) {
  Canvas& cv = dc_.GetCanvas();
  TupletMark mark;
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& t = line_[i];
    if (t.kind != TK_TUPLET || !PlaceTuplet(i, mark)) continue;
    const bool oneBeam = mark.oneBeam, above = mark.above;
    const int32_t cy = mark.cy, h = mark.h, x1 = mark.x1, x2 = mark.x2;
    std::string digits = std::to_string(t.value);
    std::string q = t.value2 > 0 ? std::to_string(t.value2) : "";
    int32_t w = 0;
    for (char ch : digits + q) w += Box(SYM_TUPLET_0 + (ch - '0')).advance;
    if (!q.empty()) w += LS / 2;
    const GlyphBox& d0 = Box(SYM_TUPLET_0 + 3);
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

}  // namespace tunora::staff
