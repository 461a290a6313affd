// Drawing of ties and slurs.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

void TuneDrawer::DrawArc(std::string_view kind, int32_t begin, int32_t end, int32_t x1, int32_t y1,
                         int32_t x2, int32_t y2, bool above, int32_t h) {
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
  // Ties from the staff before: a half tie into the first note here.
  std::vector<OpenTie> continued;
  continued.swap(openTies_);
  for (const OpenTie& t : continued) {
    for (const Column& d : cols_) {
      if (d.grace || d.rest) continue;
      const DrawItem& first = line_[static_cast<size_t>(d.first)];
      int32_t x2 = d.headX - tieH;
      int32_t x1 = std::max(line_.front().x + LS, x2 - LS * 2);
      int step = first.step;
      for (int j = d.first; j <= d.last; ++j) {
        if (line_[static_cast<size_t>(j)].pitch == t.pitch)
          step = line_[static_cast<size_t>(j)].step;
      }
      int32_t y = y0 + YOf(step) + (t.above ? LS / 2 + tieV : -LS / 2 - tieV);
      if (x2 > x1)
        DrawArc("tie", t.begin, first.end, x1, y, x2, y, t.above, arcHeight(x2 - x1) / 2);
      break;
    }
  }
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
      bool found = false;
      for (size_t cj = ci + 1; cj < cols_.size(); ++cj) {
        const Column& d = cols_[cj];
        if (d.grace != c.grace || d.rest) continue;
        x2 = d.headX - tieH;
        found = true;
        srcEnd = line_[static_cast<size_t>(d.last)].end;
        bool same = false;
        for (int j = d.first; j <= d.last; ++j) {
          if (line_[static_cast<size_t>(j)].pitch == n.pitch) same = true;
        }
        if (!same) y2 = y0 + YOf(above ? d.topStep : d.bottomStep) + off;
        break;
      }
      // A tie to the next staff: half a tie to the end of this one, the other half
      // at the start of the next.
      if (!found) openTies_.push_back({n.pitch, above, n.begin});
      if (x2 > x1) DrawArc("tie", n.begin, srcEnd, x1, y1, x2, y2, above, arcHeight(x2 - x1) / 2);
    }
  }
  // Slurs, also across lines.
  auto endPoint = [&](const Column& c, bool above) {
    if (above)
      return (!c.up || c.base < 2 || c.rest) ? YOf(c.topStep) + LS * 3 / 4 : c.tip + LS / 3;
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
        int32_t edge = above ? m.inkTop + LS / 4 - std::max(y1, y2)
                             : std::min(y1, y2) - (m.inkBottom - LS / 4);
        h = std::max(h, std::min(edge, LS * 3));
      }
      if (x2 > x1)
        DrawArc("slur", s.begin, it.end, x1, y0 + y1, x2, y0 + y2, above, h / 2 + LS / 8);
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
    // On the side away from the stems, clear of every grace head of the group: from
    // under (or over) the first grace to the main note.
    bool above = !g.up;
    int edge = above ? a.topStep : a.bottomStep;
    for (int ci : g.cols) {
      const Column& c = cols_[static_cast<size_t>(ci)];
      edge = above ? std::max(edge, c.topStep) : std::min(edge, c.bottomStep);
    }
    int32_t y1 = above ? YOf(edge) + LS / 2 : YOf(edge) - LS / 2;
    int32_t y2 = above ? YOf(main->topStep) + LS * 3 / 4 : YOf(main->bottomStep) - LS * 3 / 4;
    int32_t x1 = a.headX + a.headW / 3, x2 = main->headX + main->headW / 3;
    // The arc rises over the heads between its ends.
    int32_t lean = above ? std::max(0, std::max(y1, y2) - std::min(y1, y2)) : 0;
    DrawArc("slur", line_[static_cast<size_t>(a.first)].begin,
            line_[static_cast<size_t>(main->last)].end, x1, y0 + y1, x2, y0 + y2, above,
            LS / 5 + lean / 4);
  }
}

}  // namespace tunora::staff
