#include "tunefile/Fields.h"

#include <algorithm>
#include <cstring>

namespace tunora {
namespace {

struct FieldName {
  char letter;
  const char* longName;
  const char* shortName;
};

constexpr FieldName kFieldNames[] = {
    {'A', "A: Area", "A: Area"},
    {'B', "B: Book", "B: Book"},
    {'C', "C: Composer", "C: Comp."},
    {'D', "D: Discography", "D: Discogr."},
    {'E', "E:", "E: "},
    {'F', "F: File", "F: File"},
    {'G', "G: Group", "G: Group"},
    {'H', "H: History", "H: History"},
    {'I', "I:", "I:"},
    {'J', "J:", "J:"},
    {'K', "K: Key", "K: Key"},
    {'L', "L: Default Length", "L: Def.Len."},
    {'M', "M: Meter", "M: Meter"},
    {'N', "N: Notes", "N: Notes"},
    {'O', "O: Origin", "O: Origin"},
    {'P', "P: Parts", "P: Parts"},
    {'Q', "Q: Tempo", "Q: Tempo"},
    {'R', "R: Rhythm", "R: Rhythm"},
    {'S', "S: Source", "S: Source"},
    {'T', "T: Title", "T: Title"},
    {'U', "U: User Define Print", "U: Def.Pr."},
    {'V', "V: Voice", "V: Voice"},
    {'W', "W: Words", "W: Words"},
    {'X', "X: Index", "X: Index"},
    {'Y', "Y:", "Y:"},
    {'Z', "Z: Transcription Notes", "Z: Tr.Notes"},
    {'u', "u: User Define Play", "u: Def.Pl."},
    {'m', "m:", "m:"},
    // Pseudo-fields: names for format strings and searches, not header lines.
    {'a', "a: Tunora Directory", nullptr},
    {'b', "b: Abc File Directory", nullptr},
    {'d', "d: Date", nullptr},
    {'f', "f: File Name", nullptr},
    {'i', "i: Incipit", nullptr},
    {'p', "p: Path", nullptr},
    {'t', "t: Tune", nullptr},
    {'x', "x: Number in File", nullptr},
    {'z', "z: Whole Tune", nullptr},
    {'*', "*: All Fields", nullptr},
};

const FieldName* Find(char letter) {
  for (const FieldName& f : kFieldNames)
    if (f.letter == letter) return &f;
  return nullptr;
}

constexpr const char* kExpandedMark = "\t(expanded)";

}  // namespace

const char* FieldLongName(char letter) {
  if (letter == '?') letter = 't';
  const FieldName* f = Find(letter);
  return f != nullptr ? f->longName : nullptr;
}

const char* FieldShortName(char letter) {
  const FieldName* f = Find(letter);
  return f != nullptr ? f->shortName : nullptr;
}

std::vector<ChooserEntry> FieldChooserEntries(std::string_view order) {
  std::vector<ChooserEntry> entries;
  for (char c : order)
    if (const char* name = FieldLongName(c)) entries.push_back({c, name});
  return entries;
}

int FieldChooserIndex(const std::vector<ChooserEntry>& entries, char letter) {
  for (size_t k = 0; k < entries.size(); ++k)
    if (!entries[k].name.empty() && entries[k].name[0] == letter) return static_cast<int>(k);
  return -1;
}

std::string EditorRowOrder(std::string_view fieldOrder) {
  std::string rows = "XT";
  rows += fieldOrder;
  rows += 'K';
  return rows;
}

FieldOrderModel::FieldOrderModel(std::string_view prefix, std::string_view order,
                                 std::string_view suffix, const std::string* flags)
    : hasFlags_(flags != nullptr) {
  std::string full(prefix);
  full += order;
  full += suffix;
  // Fixed entries are counted among the entries that appear in the list.
  for (size_t k = 0; k < full.size(); ++k) {
    const char* name = FieldLongName(full[k]);
    if (name == nullptr) continue;
    Entry e{full[k], name};
    size_t index = entries_.size();
    if (hasFlags_ && index < flags->size() && (*flags)[index] == '1') e.text += kExpandedMark;
    entries_.push_back(std::move(e));
    if (k < prefix.size()) ++prefixLen_;
    if (k >= prefix.size() + order.size()) ++suffixLen_;
  }
}

bool FieldOrderModel::Movable(int index) const {
  return index >= firstMovable() && index <= lastMovable();
}

std::string FieldOrderModel::MoveTo(int target) {
  bool fixed = prefixLen_ > 0 || suffixLen_ > 0;
  if (selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) return "";
  if (!Movable(selected_) || !Movable(target)) return fixed ? kFixedMessage : "";
  if (target == selected_) return "";
  Entry e = std::move(entries_[static_cast<size_t>(selected_)]);
  entries_.erase(entries_.begin() + selected_);
  entries_.insert(entries_.begin() + target, std::move(e));
  selected_ = target;
  return "";
}

std::string FieldOrderModel::First() { return MoveTo(firstMovable()); }
std::string FieldOrderModel::Last() { return MoveTo(lastMovable()); }
std::string FieldOrderModel::Up() { return MoveTo(selected_ - 1); }
std::string FieldOrderModel::Down() { return MoveTo(selected_ + 1); }

void FieldOrderModel::ToggleExpanded() {
  if (!hasFlags_ || selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) return;
  std::string& t = entries_[static_cast<size_t>(selected_)].text;
  size_t tab = t.find('\t');
  if (tab != std::string::npos)
    t.resize(tab);
  else
    t += kExpandedMark;
}

std::string FieldOrderModel::Order() const {
  std::string order;
  for (int k = firstMovable(); k <= lastMovable(); ++k)
    order += entries_[static_cast<size_t>(k)].text[0];
  return order;
}

std::string FieldOrderModel::Flags() const {
  std::string flags;
  for (const Entry& e : entries_) flags += e.text.find('\t') != std::string::npos ? '1' : '0';
  return flags;
}

}  // namespace tunora
