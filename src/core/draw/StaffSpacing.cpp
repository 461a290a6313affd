// Spacing: the widths of items, each with the room that follows it.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

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
      case TK_REPEAT_BOTH: rsb = Box(SYM_BEGIN_REPEAT).advance - Box(SYM_BEGIN_REPEAT).right; break;
      case TK_REPEAT_END: rsb = Box(SYM_END_REPEAT).advance - Box(SYM_END_REPEAT).right; break;
      default: rsb = bar.advance - bar.right; break;
    }
    *ink = w - rsb;
  }
  return w + lp_.Get(LP_SpaceAfterBarline);
}

int32_t TuneDrawer::KeyWidth(const DrawItem& sig) const {
  int32_t w = 0;
  int count = 0;
  for (int pc = 0; pc < 12; ++pc) {
    int a = sig.key[static_cast<size_t>(pc)];
    if (a == 0) continue;
    w += Box(a > 0 ? SYM_SHARP : SYM_FLAT).advance + lp_.Get(LP_KeySpacing);
    ++count;
  }
  if (sig.flags & kItemCancel) {
    for (int pc = 0; pc < 12; ++pc) {
      if (sig.oldKey[static_cast<size_t>(pc)] != 0 && sig.key[static_cast<size_t>(pc)] == 0) {
        w += Box(SYM_NATURAL).advance + lp_.Get(LP_KeySpacing);
        ++count;
      }
    }
  }
  if (count > 0) w += LS / 2;
  return w + lp_.Get(LP_SpaceAfterKey);
}

int32_t TuneDrawer::MeterDigitsWidth(const std::string& digits) const {
  int32_t sum = 0;
  for (char c : digits) {
    if (c >= '0' && c <= '9') sum += Box(SYM_METER_0 + (c - '0')).advance;
    if (c == '+') sum += Box(SYM_METER_PLUS).advance;
  }
  return sum;
}

int32_t TuneDrawer::MeterWidth(const DrawItem& m) const {
  if (m.value == 0 && m.value3 == 0) return 0;
  int32_t w = 0;
  if (m.value3) {
    w = Box(m.value == 2 && m.value2 == 2 ? SYM_CUT_TIME : SYM_COMMON_TIME).advance;
  } else {
    w = std::max(MeterDigitsWidth(m.text), MeterDigitsWidth(std::to_string(m.value2)));
  }
  return w + LS / 2 + lp_.Get(LP_SpaceAfterMeter);
}

}  // namespace tunora::staff
