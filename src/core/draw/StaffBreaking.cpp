// Line breaking: items go onto the staff being built until it is full; the staff is
// then cut after its last bar line (else its last blank) and the rest carried on.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

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
    DrawItem keySig = lastKey_;
    keySig.flags &= static_cast<uint16_t>(~kItemCancel);
    keySig.value = clef_;
    keySig.width = KeyWidth(keySig);
    keySig.x = cursor_;
    line_.push_back(keySig);
    cursor_ += keySig.width;
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
  if (multi_) {
    // A voice's row: positions come from the time axis the voices share.
    if (item.time == DrawItem::kNoTime) item.time = vtime_;
    if (line_.size() >= kMaxVoiceItems) {
      // The voice stops here; what was read of it and the other voices is drawn.
      dc_.ReportTooManyItems();
      return false;
    }
    line_.push_back(std::move(item));
    return true;
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
  // A line may run past the right limit by a quarter of its room: it is pressed
  // together when drawn, as engravers do before they break a line early.
  const int32_t allowance = (dc_.RightLimit() - line_.front().x) / kShrinkAllowanceDen;
  while (!stopped_ && !line_.empty() &&
         line_.back().x + line_.back().ink > dc_.RightLimit() + allowance) {
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
      if (it.kind == TK_NOTE && !(it.flags & (kItemChordLater | kItemChordFirst | kItemGrace)))
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
  if (multi_) {
    // In a system the break is kept in the voice's row for the system cutting.
    if (!last) {
      DrawItem b;
      b.kind = kItemBreak;
      Append(std::move(b));
    }
    return true;
  }
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

}  // namespace tunora::staff
