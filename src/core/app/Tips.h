// The tips of the day from "tips.txt": each tip follows a marker line
// "TIP #n:" and runs up to the next "<<>>" or the end of the file.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

inline constexpr std::string_view kTipsFileName = "tips.txt";

class TipsText {
 public:
  TipsText() = default;
  explicit TipsText(std::string text) : text_(std::move(text)) {}

  // Reads the whole file; a missing or unreadable file leaves no tips (false).
  bool Load(const std::string& path);
  bool Empty() const { return text_.empty(); }

  // The text of tip n; false when its marker is missing.
  bool Find(int n, std::string& tip) const;

  // Shows tip n as the dialog does: when tip n is missing and n is not 1, tip 1
  // instead. On success, tip holds the text, shown the number on display, and
  // the next tip becomes shown + 1. False (nothing shown) when neither exists.
  bool Show(int n, std::string& tip, int& shown);

  // The number of the tip that Next shows, and of the tip Previous shows
  // (two back from the next; 0 when the tip on display is tip 1).
  int NextNumber() const { return next_; }
  void SetNextNumber(int n) { next_ = n; }
  int PreviousNumber() const { return next_ - 2 >= 1 ? next_ - 2 : 0; }

 private:
  std::string text_;
  int next_ = 1;
};

// The tip number the dialog starts with: NextTip, or 1 when it is 0 or less.
inline int FirstTipNumber(int nextTip) { return nextTip > 0 ? nextTip : 1; }
// NextTip as written at exit: the next tip's number, or 0 when the tips are
// not to be shown at start-up.
inline int NextTipSetting(int nextNumber, bool showAtStartup) {
  return showAtStartup ? nextNumber : 0;
}

}  // namespace tunora
