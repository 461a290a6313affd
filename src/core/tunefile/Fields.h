// The field vocabulary of tunes: letters, their long and short names, the order
// strings, and the logic of the Field Order dialog.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

inline constexpr std::string_view kDefaultFieldOrder = "RCSHNABDGOFZPMLQUuV";
inline constexpr std::string_view kDefaultFieldExpanded = "0100000000000000000000000000000";
inline constexpr std::string_view kDefaultSearchFieldOrder = "TCR*tBDZWKMOASHNGFLPQUuVEIJY";

// Long name shown in field choosers ("C: Composer"); null when the letter has none.
// '?' is looked up as 't'.
const char* FieldLongName(char letter);
// Short name labelling a row of the tune editor ("C: Comp."); null when none.
const char* FieldShortName(char letter);

// Entries of a field chooser filled from an order string: every letter with a long name.
struct ChooserEntry {
  char letter;
  std::string name;
};
std::vector<ChooserEntry> FieldChooserEntries(std::string_view order);
// Index of the entry whose name begins with letter; -1 when none.
int FieldChooserIndex(const std::vector<ChooserEntry>& entries, char letter);

// Row letters of the tune editor's field list: "XT" + order + "K".
std::string EditorRowOrder(std::string_view fieldOrder);

// The Field Order dialog without its window: a fixed prefix, a movable middle, a
// fixed suffix and optional expanded flags.
class FieldOrderModel {
 public:
  static constexpr const char* kFixedMessage =
      "The fields X and T must be first and K must be last.";

  FieldOrderModel(std::string_view prefix, std::string_view order, std::string_view suffix,
                  const std::string* flags = nullptr);

  struct Entry {
    char letter;
    std::string text;  // long name, with "\t(expanded)" when marked
  };
  const std::vector<Entry>& Entries() const { return entries_; }
  bool HasFlags() const { return hasFlags_; }
  int Selected() const { return selected_; }
  void Select(int index) { selected_ = index; }

  // Each move returns "" when done or when nothing happens, or the message to show
  // when a fixed entry would move or an entry would move into the fixed ones.
  std::string First();
  std::string Up();
  std::string Down();
  std::string Last();
  void ToggleExpanded();

  // OK: the movable letters in list order, and one flag per entry.
  std::string Order() const;
  std::string Flags() const;

 private:
  std::string MoveTo(int target);
  bool Movable(int index) const;
  int firstMovable() const { return static_cast<int>(prefixLen_); }
  int lastMovable() const { return static_cast<int>(entries_.size() - suffixLen_) - 1; }

  std::vector<Entry> entries_;
  size_t prefixLen_ = 0;
  size_t suffixLen_ = 0;
  bool hasFlags_ = false;
  int selected_ = -1;
};

}  // namespace tunora
