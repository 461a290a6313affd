// The undo history of a tune file. Every user action that changes the list of
// tunes (delete, cut, paste, insert, a drop, renumbering) becomes one step that
// can take itself back and do itself again. A step is found by comparing the
// list before and after the action: the tunes that left it, the tunes that came
// into it and the numbers that changed. The step keeps the records that are out
// of the list, so a tune always comes back as the very record it was, with its
// text, its loaded bytes and whatever was edited in it since.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tunefile/TuneRecord.h"

namespace tunora {

class TuneFile;

// What an undo or a redo did to the list, so that a window can follow it.
struct ListChange {
  bool done = false;
  std::vector<int> removed;   // positions taken out, ascending, as they were before
  std::vector<int> inserted;  // positions put in, ascending, as they are now
  bool renumbered = false;    // tunes that stayed got other numbers
  // Set when the step was refused because this tune would leave the list while
  // it is open (in an editor); nothing was changed.
  const TuneRecord* refused = nullptr;
};

class TuneHistory {
 public:
  // The number of steps kept; the oldest goes first.
  static constexpr size_t kDepth = 100;
  using IsOpen = std::function<bool(const TuneRecord&)>;

  TuneHistory();
  ~TuneHistory();
  TuneHistory(const TuneHistory&) = delete;
  TuneHistory& operator=(const TuneHistory&) = delete;

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The name of the action the next Undo or Redo takes back or does again.
  const std::string& UndoName() const;
  const std::string& RedoName() const;
  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  void Clear();

 private:
  friend class TuneFile;
  friend class UndoStep;
  struct Step;

  void Begin(const TuneFile& file, std::string_view name);
  void End(TuneFile& file);
  // A record taken out of the list while a step is being recorded stays alive
  // until the step knows whether it belongs to it; without a step it goes.
  void Park(std::unique_ptr<TuneRecord> record);
  // Takes the last step back (undo) or does the last undone step again.
  ListChange Replay(TuneFile& file, bool undo, const IsOpen& isOpen);

  std::vector<std::unique_ptr<Step>> undo_;  // oldest first
  std::vector<std::unique_ptr<Step>> redo_;  // the last undone step last
  // The step being recorded.
  int depth_ = 0;
  bool discard_ = false;
  std::string name_;
  std::vector<TuneRecord*> before_;
  std::vector<int32_t> numbersBefore_;
  std::vector<std::unique_ptr<TuneRecord>> parked_;
};

// Records everything done to a file's list while it lives as one undo step.
// A step opened while another is open adds to the outer one, which keeps its
// name: a drop that deletes and inserts is still one step named after the drop.
class UndoStep {
 public:
  UndoStep(TuneFile& file, std::string_view name);
  ~UndoStep();
  UndoStep(const UndoStep&) = delete;
  UndoStep& operator=(const UndoStep&) = delete;

 private:
  TuneFile& file_;
};

}  // namespace tunora
