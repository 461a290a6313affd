#include "tunefile/TuneHistory.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "tunefile/TuneFile.h"

namespace tunora {

// One step. Its two sides are the tunes only the list before the action had
// (removed) and the tunes only the list after it has (inserted); the tunes on
// both keep their order, so taking one side out and putting the other in at
// its positions turns either list into the other.
struct TuneHistory::Step {
  struct Side {
    std::vector<int> positions;  // ascending, where the tunes stand while in the list
    std::vector<TuneRecord*> records;
    std::vector<std::unique_ptr<TuneRecord>> held;  // owned while out of the list
  };
  struct Number {
    TuneRecord* record;  // a tune in the list on both sides
    int32_t before;
    int32_t after;
  };

  std::string name;
  Side removed;
  Side inserted;
  std::vector<Number> numbers;
};

TuneHistory::TuneHistory() = default;
TuneHistory::~TuneHistory() = default;

const std::string& TuneHistory::UndoName() const {
  static const std::string kNone;
  return undo_.empty() ? kNone : undo_.back()->name;
}

const std::string& TuneHistory::RedoName() const {
  static const std::string kNone;
  return redo_.empty() ? kNone : redo_.back()->name;
}

void TuneHistory::Clear() {
  undo_.clear();
  redo_.clear();
  // A step being recorded cannot be compared with a list that was emptied under it.
  if (depth_ > 0) discard_ = true;
}

void TuneHistory::Begin(const TuneFile& file, std::string_view name) {
  if (depth_++ > 0) return;
  name_.assign(name);
  discard_ = false;
  before_.clear();
  numbersBefore_.clear();
  before_.reserve(file.tunes_.size());
  numbersBefore_.reserve(file.tunes_.size());
  for (const auto& t : file.tunes_) {
    before_.push_back(t.get());
    numbersBefore_.push_back(t->number);
  }
}

void TuneHistory::Park(std::unique_ptr<TuneRecord> record) {
  if (depth_ > 0) parked_.push_back(std::move(record));
}

void TuneHistory::End(TuneFile& file) {
  if (depth_ == 0 || --depth_ > 0) return;
  // Parked records that do not belong to the step are freed on return.
  std::vector<std::unique_ptr<TuneRecord>> parked = std::move(parked_);
  parked_.clear();
  if (discard_) return;

  auto step = std::make_unique<Step>();
  step->name = std::move(name_);
  std::unordered_set<const TuneRecord*> now;
  now.reserve(file.tunes_.size() * 2);
  for (const auto& t : file.tunes_) now.insert(t.get());
  std::unordered_set<const TuneRecord*> was(before_.begin(), before_.end());

  std::vector<const TuneRecord*> stayed;
  stayed.reserve(before_.size());
  for (size_t i = 0; i < before_.size(); ++i) {
    TuneRecord* r = before_[i];
    if (now.count(r) == 0) {
      step->removed.positions.push_back(static_cast<int>(i + 1));
      step->removed.records.push_back(r);
      continue;
    }
    stayed.push_back(r);
    if (numbersBefore_[i] != r->number) step->numbers.push_back({r, numbersBefore_[i], r->number});
  }
  // Every action keeps the order of the tunes it leaves in place; one that did
  // not could not be taken back by positions, and the history starts afresh.
  bool sound = true;
  size_t k = 0;
  for (size_t j = 0; j < file.tunes_.size(); ++j) {
    TuneRecord* r = file.tunes_[j].get();
    if (was.count(r) == 0) {
      step->inserted.positions.push_back(static_cast<int>(j + 1));
      step->inserted.records.push_back(r);
    } else if (k >= stayed.size() || stayed[k++] != r) {
      sound = false;
    }
  }
  // The removed tunes were parked on their way out; the step keeps them.
  std::unordered_map<const TuneRecord*, size_t> parkedAt;
  for (size_t p = 0; p < parked.size(); ++p) parkedAt.emplace(parked[p].get(), p);
  for (TuneRecord* r : step->removed.records) {
    auto it = parkedAt.find(r);
    if (it == parkedAt.end()) {
      sound = false;
      break;
    }
    step->removed.held.push_back(std::move(parked[it->second]));
  }
  if (!sound) {
    Clear();
    return;
  }
  if (step->removed.records.empty() && step->inserted.records.empty() && step->numbers.empty())
    return;
  undo_.push_back(std::move(step));
  redo_.clear();
  if (undo_.size() > kDepth) undo_.erase(undo_.begin());
}

ListChange TuneHistory::Replay(TuneFile& file, bool undo, const IsOpen& isOpen) {
  ListChange change;
  std::vector<std::unique_ptr<Step>>& from = undo ? undo_ : redo_;
  if (from.empty() || depth_ > 0) return change;
  Step& step = *from.back();
  Step::Side& out = undo ? step.inserted : step.removed;
  Step::Side& in = undo ? step.removed : step.inserted;

  // The list must be as the step left it. Every change of the list is recorded,
  // so this only fails after a fault elsewhere; then no step can be trusted.
  bool sound = in.held.size() == in.records.size();
  for (size_t k = 0; sound && k < out.records.size(); ++k)
    sound = file.TuneAt(out.positions[k]) == out.records[k];
  if (sound && !step.numbers.empty()) {
    std::unordered_set<const TuneRecord*> now;
    now.reserve(file.tunes_.size() * 2);
    for (const auto& t : file.tunes_) now.insert(t.get());
    for (const Step::Number& n : step.numbers) sound = sound && now.count(n.record) > 0;
  }
  if (!sound) {
    Clear();
    return change;
  }
  // A tune open in an editor must not leave the list: the step is refused whole.
  if (isOpen) {
    for (TuneRecord* r : out.records) {
      if (isOpen(*r)) {
        change.refused = r;
        return change;
      }
    }
  }

  for (const Step::Number& n : step.numbers) n.record->number = undo ? n.before : n.after;
  out.held = file.TakeOut(out.positions);
  file.PutIn(in.positions, std::move(in.held));
  in.held.clear();

  change.done = true;
  change.removed = out.positions;
  change.inserted = in.positions;
  change.renumbered = !step.numbers.empty();
  (undo ? redo_ : undo_).push_back(std::move(from.back()));
  from.pop_back();
  return change;
}

UndoStep::UndoStep(TuneFile& file, std::string_view name) : file_(file) {
  file_.history_.Begin(file_, name);
}

UndoStep::~UndoStep() { file_.history_.End(file_); }

}  // namespace tunora
