// Vertical placement: what a staff needs above and below, where it stands on the
// page (a new page when it does not fit), and the drawing of its elements in order.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

bool TuneDrawer::PrepareLine(bool stretch) {
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
  int32_t& endX = endX_;
  endX = 0;
  for (const DrawItem& it : line_) endX = std::max(endX, it.x + it.ink);
  // Stretch to the right limit; a line that runs past it (by up to the allowance of
  // line breaking) is pressed together to fit.
  size_t prefix = 0;
  while (prefix < line_.size() && IsPrefixItem(line_[prefix].kind) &&
         !IsBlankItem(line_[prefix].kind))
    ++prefix;
  if (prefix < line_.size() && (stretch || endX > dc_.RightLimit())) {
    int32_t x0 = line_[prefix].x;
    const DrawItem& tail = line_.back();
    int32_t tailInk = 0;
    for (const DrawItem& it : line_)
      if (it.x == tail.x) tailInk = std::max(tailInk, it.ink);
    int32_t natural = tail.x - x0;
    int32_t room = dc_.RightLimit() - tailInk - x0;
    // A staff with little music keeps its natural width: spread over the page it
    // would read as a full line.
    const bool tooShort = natural * kStretchMinFillDen < room * kStretchMinFillNum;
    if (natural > 0 && ((room > natural && !tooShort) || room < natural)) {
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
  PlaceTexts();

  // Vertical extent.
  int32_t top = YOf(8), bottom = YOf(0);
  Extents(top, bottom);
  above_ = std::max<int32_t>(0, top - YOf(8));
  below_ = std::max<int32_t>(0, -bottom);
  return true;
}

bool TuneDrawer::DrawLine(bool last) {
  if (!PrepareLine(last ? fs_.stretchLast : fs_.stretchStaff)) return false;
  const int32_t above = above_, below = below_;
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
  PaintLine(y0);
  prevBottom_ = y0;
  prevBelow_ = below;
  firstLine_ = false;
  return true;
}

void TuneDrawer::PaintLine(int32_t y0) {
  const int32_t endX = endX_;
  int32_t startX = line_.front().x;
  if (!overlayPass_) DrawStaff(y0, endX);
  DrawSigns(y0);
  if (!overlayPass_) DrawBarsAndSigns(y0);
  for (const Column& c : cols_) DrawColumn(c, y0);
  for (const Group& g : groups_)
    if (g.beamed) DrawBeams(g, y0);
  DrawTuplets(y0);
  DrawTiesAndSlurs(y0, startX, endX);
  DrawDecorations(y0);
  DrawEndings(y0, startX, endX);
  DrawTexts(y0, startX, endX);
  DrawLyrics(y0);
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
      if (s.place == Place::kBelow) {
        down -= StackHeight(d);
      } else if (s.place == Place::kAbove) {
        up += StackHeight(d);
      }
      if (d.kind == TK_CRESCENDO_START || d.kind == TK_DIMINUENDO_START) up += LS * 3 / 2;
    }
    decoTop = std::max(decoTop, up);
    decoBottom = std::min(decoBottom, down);
  }
  top = std::max(top, decoTop);
  bottom = std::min(bottom, decoBottom);
  const bool endings = HasEndings();
  if (fs_.measureInterval >= 0) top = std::max(top, YOf(8) + LS * 2);
  if (endings) top = std::max(top, EndingTop() + LS / 4);
  // Annotations, chord symbols and texts, as placed.
  top = std::max(top, placedTop_);
  bottom = std::min(bottom, placedBottom_);
  // Lyrics.
  verses_ = 0;
  for (const DrawItem& it : line_) verses_ = std::max(verses_, static_cast<int>(it.lyrics.size()));
  if (verses_ > 0) {
    FontMetrics lm = dc_.GetCanvas().Metrics(dc_.LyricsFont());
    lyricsTop_ = std::min(bottom, YOf(0)) - LS / 3;
    bottom = lyricsTop_ - verses_ * (lm.ascent + lm.descent);
  }
}

}  // namespace tunora::staff
