// User-defined symbols: a symbol character of a tune body (~, h to w, H to Z)
// stands for a replacement text. U: definitions serve drawing, u: definitions
// serve playback. The application-wide set lives in "userdef.abc".
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct TuneRecord;

struct SettingsDataHooks;

class UserSymbols {
 public:
  static constexpr int kNoTable = 0;    // symbols are not replaced
  static constexpr int kDrawTable = 1;  // U:
  static constexpr int kPlayTable = 2;  // u:

  // ~, H to Z and h to w.
  static bool IsSymbolChar(unsigned char c) {
    return c == '~' || (c >= 'H' && c <= 'Z') || (c >= 'h' && c <= 'w');
  }

  // The replacement text of c in a table, "" when undefined.
  std::string_view Get(int table, unsigned char c) const {
    if (c >= 128 || entries_.empty() || (table != kDrawTable && table != kPlayTable)) return {};
    return entries_[Index(table, c)];
  }

  // Reads one definition line "c = text" (blanks optional) into a table. A line
  // whose symbol is not allowed, or that has no = after it, is ignored (false).
  bool AddDefinition(int table, std::string_view line);
  // Every line of text as a definition for one table (U: or u: field text).
  void AddFromFieldText(int table, std::string_view text);
  // Lines that begin with "U:" go to the U: table, "u:" to the u: table; other
  // lines are ignored. Lines end with CR LF or LF.
  void LoadFromText(std::string_view text);
  // LoadFromText of a file; a missing or unreadable file leaves the tables as they are
  // (false).
  bool LoadFromFile(const std::string& path);
  // The other set's defined entries replace the matching entries here.
  void CopyFrom(const UserSymbols& other);
  // "U: c = text" and "u: c = text" lines for every code in order, CR LF ended.
  std::string AsText() const;
  // Writes AsText() to path (through a temporary file); false with a message.
  bool SaveToFile(const std::string& path, std::string& error) const;
  void Clear();
  bool Empty() const;

  // The application-wide set, loaded from "userdef.abc" at start-up.
  // Only the program and the CLI use it; the engines are given what they read.
  static UserSymbols& Application();

 private:
  static size_t Index(int table, unsigned char c) {
    return static_cast<size_t>(table - 1) * 128 + c;
  }
  std::string& Entry(int table, unsigned char c);
  void Mark(size_t k) { marked_[k / 64] |= uint64_t{1} << (k % 64); }
  // Calls fn with the index of every entry that may hold a definition.
  template <typename Fn>
  void ForEachMarked(Fn fn) const {
    for (size_t w = 0; w < marked_.size(); ++w)
      for (uint64_t bits = marked_[w]; bits != 0; bits &= bits - 1)
        fn(w * 64 + static_cast<size_t>(std::countr_zero(bits)));
  }
  // 2 x 128 entries, allocated with the first definition (most tunes define none).
  std::vector<std::string> entries_;
  // The entries ever given a text since the last Clear: a set is cleared and copied
  // for every tune played, and holds only a few definitions.
  std::array<uint64_t, 4> marked_{};
};

// Connects the application-wide set to the settings store: loaded from and
// saved to "userdef.abc" with the other settings files.
void ConnectUserSymbols(SettingsDataHooks& hooks, UserSymbols& set);

// The U:, u: and I: lines of a tune's own header, each tagged again ("U:...",
// "u:...", "I:..."), as the reader's symbol set-up reads them (I: for the
// decoration delimiter).
std::string TuneSymbolLines(const TuneRecord& tune);

}  // namespace tunora
