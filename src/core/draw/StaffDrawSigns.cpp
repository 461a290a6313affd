// Drawing of the staff and its signs: staff lines, key and time signatures, bar lines
// and measure numbers.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

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

void TuneDrawer::DrawSigns(int32_t y0) {
  for (const DrawItem& it : line_) {
    if (it.kind == kItemClef) {
      DrawClef(it, y0);
    } else if (it.kind == TK_FIELD_K) {
      DrawKey(it, y0);
    } else if (it.kind == TK_FIELD_M) {
      DrawMeter(it, y0);
    }
  }
}

void TuneDrawer::DrawClef(const DrawItem& it, int32_t y0) {
  ClefInfo info = ClefOf(it.value);
  if (it.value == kClefPercussion) {
    // Two thick strokes across the middle of the staff.
    const int32_t t = LS / 3;
    int32_t x = it.x + LS / 3;
    for (int k = 0; k < 2; ++k) {
      Line("clef", x + k * LS * 2 / 3, y0 + YOf(3), x + k * LS * 2 / 3, y0 + YOf(5), t, it);
    }
    return;
  }
  Sym("clef", info.symbol, it.x, y0 + YOf(info.line), it);
  if (it.value2 != 0) {
    // An octave clef: a small 8 under (or over) the sign.
    CanvasFont small = dc_.ExprFont();
    small.height = small.height * 3 / 4;
    const GlyphBox& b = Box(info.symbol);
    int32_t x8 = it.x + (b.left + b.right) / 2 - TextWidth(small, "8") / 2;
    int32_t y8 = it.value2 < 0 ? y0 + YOf(info.line) + b.bottom - small.height * 3 / 4
                               : y0 + YOf(info.line) + b.top + LS / 8;
    dc_.PutText("clef", small, x8, y8, "8", it.begin, it.end);
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
  auto width = [this](const std::string& s) { return MeterDigitsWidth(s); };
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
        Sym("bar", SYM_BEGIN_REPEAT,
            x + Box(SYM_END_REPEAT).right - b.left - (b.right - b.left) / 5, y0, it);
        break;
      }
      default: Sym("bar", SYM_BARLINE, x, y0, it); break;
    }
  }
  // Measure numbers.
  if (fs_.measureInterval < 0 || !numberBars_) {
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
  if (fs_.measureInterval == 0 ||
      (fs_.measureInterval > 0 && measure_ % fs_.measureInterval == 0)) {
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

}  // namespace tunora::staff
