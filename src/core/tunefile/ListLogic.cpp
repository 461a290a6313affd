#include "tunefile/ListLogic.h"

#include <algorithm>
#include <cstdio>

#include "base/Ascii.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {}  // namespace

// ---------------------------------------------------------------------------
// Type-ahead

bool TypeAhead::NumberMatches(std::string_view line, std::string_view typed) {
  return line.substr(0, typed.size()) == typed;
}

bool TypeAhead::TitleMatches(std::string_view line, std::string_view typed) {
  size_t space = line.find(' ');
  if (space == std::string_view::npos) return false;
  std::string_view title = line.substr(space + 1);
  if (title.size() < typed.size()) return false;
  for (size_t k = 0; k < typed.size(); ++k)
    if (Upper(title[k]) != Upper(typed[k])) return false;
  return true;
}

int TypeAhead::Search(int from, int to, int step, int lineCount, const LineTextFn& lineText) const {
  if (text_.empty() || !lineText) return -1;
  const bool byNumber = IsDigit(text_.front());
  from = std::max(from, 0);
  to = std::min(to, lineCount - 1);
  for (int line = from; step > 0 ? line <= to : line >= to; line += step) {
    if (line < 0 || line >= lineCount) break;
    std::string_view t = lineText(line);
    if (byNumber ? NumberMatches(t, text_) : TitleMatches(t, text_)) return line;
  }
  return -1;
}

TypeAhead::Result TypeAhead::Key(KeyKind kind, char ch, int current, int lineCount,
                                 const LineTextFn& lineText) {
  Result r;
  if (current < 0) current = 0;
  switch (kind) {
    case KeyKind::kCharacter: {
      const bool digit = IsDigit(ch);
      const bool letter = IsLetter(ch);
      if (digit && (text_.empty() || IsDigit(text_.front()))) {
        text_ += ch;
      } else if (digit || letter || (ch == ' ' && !text_.empty())) {
        text_ += Upper(ch);
      } else {
        text_.clear();
        return r;
      }
      r.consumed = true;
      // From the caret line down; with nothing below, once more from the top.
      r.select = Search(current, lineCount - 1, 1, lineCount, lineText);
      if (r.select < 0 && current > 1) r.select = Search(1, current - 1, 1, lineCount, lineText);
      return r;
    }
    case KeyKind::kBackspace:
      r.consumed = true;
      if (text_.empty()) return r;
      text_.pop_back();
      // With nothing left to compare, nothing is searched.
      if (!text_.empty()) r.select = Search(current - 1, 1, -1, lineCount, lineText);
      return r;
    case KeyKind::kDelete:
      text_.clear();
      r.consumed = true;
      r.deleteSelection = true;
      return r;
    case KeyKind::kOther: text_.clear(); return r;
  }
  return r;
}

// ---------------------------------------------------------------------------
// Drag and drop

int DropTargetLine(const DropGeometry& g) {
  const int lineHeight = std::max(g.lineHeight, 1);
  const int lastLine = std::max(g.lineCount - 1, 0);
  long long line = std::max(g.y, 0) / lineHeight + static_cast<long long>(std::max(g.topLine, 0));
  if (g.multiColumn) {
    const int columnWidth = std::max(g.columnWidth, 1);
    const int rowsPerColumn = std::max(g.clientHeight / lineHeight, 1);
    line += static_cast<long long>(std::max(g.x, 0) / columnWidth) * rowsPerColumn;
  }
  return static_cast<int>(std::min<long long>(line, lastLine));
}

DropPlan PlanDrop(const std::vector<int>& lines, int pressedLine, int targetLine, bool sameList,
                  bool move) {
  DropPlan plan;
  if (sameList && targetLine == pressedLine) return plan;
  for (int l : lines)
    if (l > 0) plan.tunes.push_back(l);
  std::sort(plan.tunes.begin(), plan.tunes.end());
  plan.tunes.erase(std::unique(plan.tunes.begin(), plan.tunes.end()), plan.tunes.end());
  if (plan.tunes.empty()) return plan;
  plan.nothing = false;
  plan.removeSource = move;
  plan.insertAfter = std::max(targetLine, 0);
  if (move && sameList) {
    plan.insertAfter -= static_cast<int>(std::count_if(plan.tunes.begin(), plan.tunes.end(),
                                                       [&](int p) { return p <= targetLine; }));
    plan.insertAfter = std::max(plan.insertAfter, 0);
  }
  return plan;
}

std::vector<TuneTransfer> TakeTunes(const TuneFile& file, const std::vector<int>& positions) {
  std::vector<TuneTransfer> out;
  for (int p : positions) {
    const TuneRecord* rec = file.TuneAt(p);
    if (rec == nullptr) continue;
    TuneRecord copy = *rec;
    TuneTransfer t;
    t.afterText = std::move(copy.afterText);
    copy.afterText.reset();
    t.text = file.WriteTune(copy, false);
    out.push_back(std::move(t));
  }
  return out;
}

int PutTunes(TuneFile& file, int after, const std::vector<TuneTransfer>& tunes,
             const std::function<std::string(std::string_view)>& convert) {
  UndoStep step(file, "Drop");
  after = std::clamp(after, 0, static_cast<int>(file.TuneCount()));
  int n = 0;
  for (const TuneTransfer& t : tunes) {
    TuneRecord* rec = convert ? file.InsertTune(after + n, std::string_view(convert(t.text)))
                              : file.InsertTune(after + n, std::string_view(t.text));
    if (rec == nullptr) continue;
    if (t.afterText) rec->afterText = convert ? convert(*t.afterText) : *t.afterText;
    ++n;
  }
  return n;
}

// ---------------------------------------------------------------------------
// Titles and names

std::string SaveAsSuggestion(std::string_view path, std::string_view title) {
  if (!path.empty()) return std::string(path);
  if (title.size() >= 2 && title.substr(title.size() - 2) == " *") title.remove_suffix(2);
  size_t cut = 0;
  for (; cut < title.size(); ++cut) {
    unsigned char c = static_cast<unsigned char>(title[cut]);
    if (c < 32 ||
        std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
      break;
  }
  std::string name(title.substr(0, cut));
  name += ".abc";
  return name;
}

void TabStops::Reset(int fixedWidth, int gap) {
  fixedWidth_ = std::max(fixedWidth, 0);
  gap_ = std::max(gap, 0);
  columns_.clear();
  lastCells_.clear();
  widest_ = 0;
}

bool TabStops::Measure(const std::vector<int>& cellWidths) {
  if (cellWidths.empty()) return false;
  if (fixedWidth_ > 0) {
    const std::vector<int> at = Positions(cellWidths);
    widest_ = std::max(widest_, at.back() + std::max(cellWidths.back(), 0));
    return false;
  }
  const size_t tabs = cellWidths.size() - 1;
  bool moved = false;
  if (columns_.size() < tabs) {
    columns_.resize(tabs, 0);
    moved = true;
  }
  for (size_t k = 0; k < tabs; ++k) {
    if (cellWidths[k] > columns_[k]) {
      columns_[k] = cellWidths[k];
      moved = true;
    }
  }
  if (lastCells_.size() <= tabs) lastCells_.resize(tabs + 1, 0);
  lastCells_[tabs] = std::max(lastCells_[tabs], cellWidths.back());
  return moved;
}

std::vector<int> TabStops::Positions(const std::vector<int>& cellWidths) const {
  std::vector<int> at(cellWidths.size(), 0);
  int x = 0;
  for (size_t k = 0; k + 1 < cellWidths.size(); ++k) {
    const int end = x + std::max(cellWidths[k], 0);
    if (fixedWidth_ > 0)
      x = (end / fixedWidth_ + 1) * fixedWidth_;
    else
      x = std::max(end, x + (k < columns_.size() ? columns_[k] : 0)) + gap_;
    at[k + 1] = x;
  }
  return at;
}

int TabStops::Width() const {
  if (fixedWidth_ > 0) return widest_;
  int width = 0;
  int x = 0;
  for (size_t tabs = 0; tabs < lastCells_.size(); ++tabs) {
    if (tabs > 0) x += columns_[tabs - 1] + gap_;
    width = std::max(width, x + lastCells_[tabs]);
  }
  return width;
}

std::string TitleWithModified(std::string_view title, bool modified) {
  std::string t(title);
  if (modified) {
    if (t.empty() || t.back() != '*') t += " *";
  } else if (t.size() >= 2 && t.compare(t.size() - 2, 2, " *") == 0) {
    t.resize(t.size() - 2);
  }
  return t;
}

std::string RemoveQuestion(int count, bool askCut, bool askCutMulti, std::string_view tuneLine) {
  if (count > 1) {
    if (!askCutMulti) return {};
    char buf[80];
    std::snprintf(buf, sizeof buf, "Are you sure you want to remove these %d tunes?", count);
    return buf;
  }
  if (count == 1 && askCut) {
    std::string question = "Are you sure you want to remove this tune?";
    if (!tuneLine.empty()) question.append("\n\n").append(tuneLine);
    return question;
  }
  return {};
}

}  // namespace tunora
