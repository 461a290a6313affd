#include "app/ReplaceState.h"

#include <algorithm>

namespace tunora {

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x100 && c <= 0x137) return static_cast<char16_t>(c | 1);
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c >= 0x14A && c <= 0x177) return static_cast<char16_t>(c | 1);
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

std::optional<size_t> FindText(std::u16string_view text, size_t from, std::u16string_view find,
                               bool ignoreCase) {
  // An empty text would be found everywhere and Replace All would never end.
  if (find.empty() || from > text.size() || find.size() > text.size() - from) return std::nullopt;
  if (!ignoreCase) {
    size_t at = text.find(find, from);
    if (at == std::u16string_view::npos) return std::nullopt;
    return at;
  }
  auto same = [](char16_t a, char16_t b) { return FoldCase(a) == FoldCase(b); };
  auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), find.begin(),
                        find.end(), same);
  if (it == text.end()) return std::nullopt;
  return static_cast<size_t>(it - text.begin());
}

bool ReplaceState::Prepare(const ReplaceTarget& target) {
  target.Selection(selStart_, selEnd_);
  if (selStart_ > selEnd_) std::swap(selStart_, selEnd_);
  hadSelection_ = selEnd_ > selStart_;
  return hadSelection_;
}

void ReplaceState::Begin(ReplaceTarget& target) {
  running_ = true;
  if (!hadSelection_) selectionOnly = false;
  if (hadSelection_) target.Select(selStart_, selStart_);
}

bool ReplaceState::Next(ReplaceTarget& target) {
  if (!running_) return false;
  int start = 0;
  int end = 0;
  target.Selection(start, end);
  const std::u16string text = target.Text();
  size_t from =
      static_cast<size_t>(std::clamp(std::max(start, end), 0, static_cast<int>(text.size())));
  std::optional<size_t> at = FindText(text, from, findText, ignoreCase);
  if (at && selectionOnly && *at + findText.size() > static_cast<size_t>(selEnd_)) at.reset();
  if (!at) {
    running_ = false;
    return false;
  }
  target.Select(static_cast<int>(*at), static_cast<int>(*at + findText.size()));
  return true;
}

bool ReplaceState::SelectionIsOccurrence(const ReplaceTarget& target) const {
  int start = 0;
  int end = 0;
  target.Selection(start, end);
  if (start > end) std::swap(start, end);
  if (start < 0 || static_cast<size_t>(end - start) != findText.size()) return false;
  const std::u16string text = target.Text();
  if (static_cast<size_t>(end) > text.size()) return false;
  return FindText(std::u16string_view(text).substr(0, static_cast<size_t>(end)),
                  static_cast<size_t>(start), findText, ignoreCase) == static_cast<size_t>(start);
}

bool ReplaceState::Replace(ReplaceTarget& target) {
  if (!running_) return false;
  // The user may have clicked elsewhere in the field since the last step; text
  // is only put in place of an occurrence.
  if (SelectionIsOccurrence(target)) ReplaceOccurrence(target);
  return Next(target);
}

void ReplaceState::ReplaceOccurrence(ReplaceTarget& target) {
  target.ReplaceSelection(replaceText);
  // The remembered selection grows or shrinks with the text put in.
  if (selectionOnly)
    selEnd_ += static_cast<int>(replaceText.size()) - static_cast<int>(findText.size());
}

int ReplaceState::ReplaceAll(ReplaceTarget& target) {
  if (!running_) return 0;
  // Every occurrence in the field (or in the selection the run began with), not
  // only those after the caret.
  int count = 0;
  size_t from = selectionOnly ? static_cast<size_t>(std::max(selStart_, 0)) : 0;
  while (!findText.empty()) {
    std::optional<size_t> at = FindText(target.Text(), from, findText, ignoreCase);
    if (!at || (selectionOnly && *at + findText.size() > static_cast<size_t>(selEnd_))) break;
    target.Select(static_cast<int>(*at), static_cast<int>(*at + findText.size()));
    ReplaceOccurrence(target);
    ++count;
    from = *at + replaceText.size();
  }
  running_ = false;
  return count;
}

void ReplaceState::Quit(ReplaceTarget& target) {
  if (running_ && selectionOnly && hadSelection_) target.Select(selStart_, selEnd_);
  running_ = false;
}

}  // namespace tunora
