// Beams and stems: the notes of a staff become columns (a note, a rest or a chord),
// the columns beam groups, and each group gets its stem direction and stem ends.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

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
      if (forcedStem_ != 0) {
        up = forcedStem_ > 0;
      } else if (fs_.ghbStyle) {
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
      int32_t extra =
          (maxLevels - 1) * Scaled(lp_.Get(LP_BeamThickness) + lp_.Get(LP_BeamSpacing), grace) / 2;
      double offset = 0;
      for (int ci : notes) {
        const Column& c = cols_[static_cast<size_t>(ci)];
        double beam = a.tip + slope * (c.stemX - a.stemX);
        double need =
            g.up ? YOf(c.topStep) + SL * 0.85 + extra : YOf(c.bottomStep) - SL * 0.85 - extra;
        if (!grace)
          need = g.up ? std::max(need, static_cast<double>(YOf(4)))
                      : std::min(need, static_cast<double>(YOf(4)));
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

}  // namespace tunora::staff
