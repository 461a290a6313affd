// The bit-parallel approximate matcher: finds a pattern of at most 64 characters
// in a text with up to k differences (an inserted, deleted or replaced character
// each). Text search, Find in the tune list and the melody search share it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace tunora {

// Upper and lower case of a code page 1252 character (ASCII letters and the
// accented letters of Latin-1; every other byte is its own case).
unsigned char LowerCase1252(unsigned char c);
unsigned char UpperCase1252(unsigned char c);

class ApproxMatcher {
 public:
  static constexpr size_t kMaxLength = 64;

  // An empty matcher, which matches nothing.
  ApproxMatcher() = default;
  // pattern is cut to its first 64 characters and errors limited to its length.
  // wholeLine only counts when errors is 0: the match must then be a whole line.
  ApproxMatcher(std::string_view pattern, int errors, bool ignoreCase, bool wholeLine);

  // The allowed differences of a search text of length n at loosePercent.
  static int ErrorsFor(size_t n, int loosePercent);

  // True when the pattern occurs in text; an empty text or pattern never matches.
  bool Matches(std::string_view text);
  // Offset in the text where the last match begins (clamped at 0).
  size_t MatchStart() const { return matchStart_; }

  size_t Length() const { return length_; }
  int Errors() const { return errors_; }
  bool WholeLine() const { return wholeLine_; }
  bool Empty() const { return length_ == 0; }

 private:
  bool MatchesExact(std::string_view text);
  bool Accept(std::string_view text, size_t pos);

  std::array<uint64_t, 256> masks_{};
  size_t length_ = 0;
  int errors_ = 0;
  bool wholeLine_ = false;
  size_t matchStart_ = 0;
};

// Several patterns with the same allowed differences, side by side in one 64-bit word,
// so that one scan of a text tests them all (the melody search's transpositions).
// A bit that a shift carries out of one pattern lands on the next pattern's first bit,
// which every step sets anyway, so the patterns do not disturb each other.
class PackedApproxMatcher {
 public:
  explicit PackedApproxMatcher(int errors) : errors_(std::max(errors, 0)) {}

  // Adds a pattern (case kept); false when it does not fit beside the others.
  bool Add(std::string_view pattern);
  // True when one of the patterns occurs in text with at most the differences allowed.
  bool Matches(std::string_view text) const;

  bool Empty() const { return used_ == 0; }
  size_t MaxLength() const { return maxLength_; }
  int Errors() const { return errors_; }

 private:
  std::array<uint64_t, 256> masks_{};
  uint64_t starts_ = 0;                                            // the first bit of each pattern
  uint64_t tops_ = 0;                                              // the last bit of each pattern
  std::array<uint64_t, ApproxMatcher::kMaxLength + 1> initial_{};  // the states before a text
  int errors_;
  size_t used_ = 0;
  size_t maxLength_ = 0;
  bool always_ = false;  // a pattern no longer than the differences matches any text

  friend class PackedApproxLanes;
};

// Up to four packed matchers with the same allowed differences, run side by side in
// one pass over a text: the steps of the four are independent, so the processor
// overlaps them. Each matcher looks only at its own length of the text.
class PackedApproxLanes {
 public:
  static constexpr size_t kLanes = 4;

  // Takes count (at most kLanes) matchers that allow the same differences.
  PackedApproxLanes(const PackedApproxMatcher* matchers, size_t count);

  size_t Count() const { return count_; }
  // True when, for some lane i, matcher i matches the first lengths[i] bytes of text
  // (as PackedApproxMatcher::Matches on that part of the text would answer).
  bool Matches(std::string_view text, const std::array<size_t, kLanes>& lengths) const;

 private:
  template <int kFixedErrors>
  bool Scan(std::string_view text, std::array<size_t, kLanes> lengths,
            std::array<uint64_t, kLanes> tops, size_t scan) const;

  std::array<std::array<uint64_t, kLanes>, 256> masks_{};
  std::array<uint64_t, kLanes> starts_{};
  std::array<uint64_t, kLanes> tops_{};
  std::array<std::array<uint64_t, kLanes>, ApproxMatcher::kMaxLength + 1> initial_{};
  std::array<bool, kLanes> always_{};
  int errors_ = 0;
  size_t count_ = 0;
};

}  // namespace tunora
