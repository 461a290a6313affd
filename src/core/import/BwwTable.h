// The embellishment table of the bagpipe importer: pairs of a Bagpipe Music Writer
// token and the ABC text that stands for it, read from the editable file
// "abcbmw.cfg" of the program directory. Users choose there how each gracenote
// group, accidental, rest or mark is spelled in ABC.
//
// Line format: "TOKEN=ABC text % comment". Lines that begin with "%" or hold no
// "=" are ignored (section titles, comments). Lines are read up to 80 characters,
// token and text up to 16 characters each, and at most 600 pairs are kept; what
// goes beyond is counted so the user can be told.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class BwwTable {
 public:
  static constexpr size_t kMaxPairs = 600;
  static constexpr size_t kMaxLine = 80;
  static constexpr size_t kMaxText = 16;

  struct Pair {
    std::string token;  // as written in the file
    std::string abc;
  };

  // Reads the table from the text of abcbmw.cfg (any line ends).
  void Parse(std::string_view text);
  // Reads path; false when the file cannot be read.
  bool Load(const std::string& path);

  // The longest token that begins text, compared without regard to case, and ends
  // where a symbol may end (not before a lower-case letter, a digit or "_"); null
  // when none does. length receives the length of the token matched.
  const Pair* LongestMatch(std::string_view text, size_t& length) const;

  const std::vector<Pair>& Pairs() const { return pairs_; }
  // Lines, tokens or texts that were cut at a limit, and pairs left out beyond 600.
  size_t Truncated() const { return truncated_; }
  size_t Dropped() const { return dropped_; }

 private:
  std::vector<Pair> pairs_;
  // Pairs by the lower-case first byte of their token, for the search.
  std::array<std::vector<uint16_t>, 256> byFirst_;
  size_t truncated_ = 0;
  size_t dropped_ = 0;
};

}  // namespace tunora
