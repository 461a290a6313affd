// Replace inside one edit field: find the next occurrence of a text, replace
// it, replace all, optionally only inside the selection the replace began
// with. The field is reached through ReplaceTarget, so the logic runs the same
// on any kind of edit control and in tests. Text is UTF-16, as edit fields
// count their positions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tunora {

// One edit field as the replace sees it. Positions count UTF-16 units.
class ReplaceTarget {
 public:
  virtual ~ReplaceTarget() = default;
  virtual std::u16string Text() const = 0;
  virtual void Selection(int& start, int& end) const = 0;
  // Selects start..end and scrolls it into view.
  virtual void Select(int start, int end) = 0;
  // Replaces the selection; the caret then lies after the inserted text.
  virtual void ReplaceSelection(const std::u16string& text) = 0;
};

// Letter case folding for comparisons without regard to case: Latin, Greek
// and Cyrillic letters.
char16_t FoldCase(char16_t c);

// Position of the first occurrence of find in text at or after from.
std::optional<size_t> FindText(std::u16string_view text, size_t from, std::u16string_view find,
                               bool ignoreCase);

// The replace state: one for the whole program, so only one replace runs at a
// time. The find text, the replace text and the ignore-case choice are kept
// between uses.
class ReplaceState {
 public:
  std::u16string findText;
  std::u16string replaceText;
  bool ignoreCase = false;

  // The choices of the run in progress.
  bool selectionOnly = false;
  bool replaceAll = false;

  bool Running() const { return running_; }

  // Remembers the field's selection before the dialog is shown. True when it
  // is not empty (the dialog then offers "Selection Only").
  bool Prepare(const ReplaceTarget& target);
  bool HadSelection() const { return hadSelection_; }

  // The dialog was closed with Replace or Replace All: the run begins and the
  // caret goes to the start of the remembered selection. The caller then runs
  // Next (and, after Replace All, ReplaceAll).
  void Begin(ReplaceTarget& target);

  // Selects the next occurrence. False when there is none: the run has ended
  // and the caller says "No more occurrences".
  bool Next(ReplaceTarget& target);
  // Replaces the selection with the replace text, then runs Next. A selection
  // that is no occurrence of the find text (the user clicked elsewhere) is
  // left alone.
  bool Replace(ReplaceTarget& target);
  // Replaces every occurrence in the field, or in the selection the run began
  // with, and ends the run; returns the number of replacements.
  int ReplaceAll(ReplaceTarget& target);
  // Ends the run; a run limited to the selection selects it again.
  void Quit(ReplaceTarget& target);
  // Ends the run without touching the field (the field went away).
  void Abandon() { running_ = false; }

 private:
  bool SelectionIsOccurrence(const ReplaceTarget& target) const;
  void ReplaceOccurrence(ReplaceTarget& target);

  bool running_ = false;
  bool hadSelection_ = false;
  int selStart_ = 0;
  int selEnd_ = 0;
};

}  // namespace tunora
