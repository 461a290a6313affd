#include "base/ApproxMatcher.h"

#include <algorithm>
#include <cstring>

namespace tunora {

namespace {

// Latin-1 letters: 0xC0..0xDE pair with 0xE0..0xFE, except the signs × and ÷.
bool IsLatinUpper(unsigned char c) { return c >= 0xC0 && c <= 0xDE && c != 0xD7; }
bool IsLatinLower(unsigned char c) { return c >= 0xE0 && c <= 0xFE && c != 0xF7; }

}  // namespace

unsigned char LowerCase1252(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || IsLatinUpper(c)) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);  // Š Œ Ž
  if (c == 0x9F) return 0xFF;                                                          // Ÿ
  return c;
}

unsigned char UpperCase1252(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || IsLatinLower(c)) return static_cast<unsigned char>(c - 32);
  if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 16);
  if (c == 0xFF) return 0x9F;
  return c;
}

ApproxMatcher::ApproxMatcher(std::string_view pattern, int errors, bool ignoreCase,
                             bool wholeLine) {
  length_ = std::min(pattern.size(), kMaxLength);
  errors_ = std::clamp(errors, 0, static_cast<int>(length_));
  wholeLine_ = wholeLine && errors_ == 0;
  for (size_t i = 0; i < length_; ++i) {
    const auto c = static_cast<unsigned char>(pattern[i]);
    const uint64_t bit = uint64_t{1} << i;
    masks_[c] |= bit;
    if (ignoreCase) {
      masks_[LowerCase1252(c)] |= bit;
      masks_[UpperCase1252(c)] |= bit;
    }
  }
}

int ApproxMatcher::ErrorsFor(size_t n, int loosePercent) {
  const long long k =
      (static_cast<long long>(std::min<size_t>(n, 1u << 24)) * std::clamp(loosePercent, 0, 100) +
       50) /
      100;
  return static_cast<int>(k);
}

// The whole-line condition for a match that ends at pos (k is 0 here).
bool ApproxMatcher::Accept(std::string_view text, size_t pos) {
  matchStart_ = pos + 1 - length_;
  if (!wholeLine_) return true;
  const bool startsLine = matchStart_ == 0 || text[matchStart_ - 1] == '\n';
  const bool endsLine = pos + 1 >= text.size() || text[pos + 1] == '\r' || text[pos + 1] == '\n';
  return startsLine && endsLine;
}

bool ApproxMatcher::MatchesExact(std::string_view text) {
  const uint64_t last = uint64_t{1} << (length_ - 1);
  uint64_t r = 0;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    r = ((r << 1) | 1) & masks_[static_cast<unsigned char>(text[pos])];
    if ((r & last) != 0 && Accept(text, pos)) return true;
  }
  return false;
}

bool ApproxMatcher::Matches(std::string_view text) {
  if (length_ == 0 || text.empty()) return false;
  if (errors_ == 0) return MatchesExact(text);
  const uint64_t last = uint64_t{1} << (length_ - 1);
  const int k = errors_;
  std::array<uint64_t, kMaxLength + 1> r{};
  for (int j = 1; j <= k; ++j) r[j] = j >= 64 ? ~uint64_t{0} : (uint64_t{1} << j) - 1;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    const uint64_t mask = masks_[static_cast<unsigned char>(text[pos])];
    uint64_t before = r[0];  // the previous level before this character
    r[0] = ((r[0] << 1) | 1) & mask;
    bool found = (r[0] & last) != 0;
    for (int j = 1; j <= k; ++j) {
      const uint64_t old = r[j];
      r[j] = (((old << 1) | 1) & mask) | (((before | r[j - 1]) << 1) | 1) | before;
      before = old;
      found = found || (r[j] & last) != 0;
    }
    if (found) {
      const size_t back = static_cast<size_t>(k) + length_ - 1;
      matchStart_ = pos >= back ? pos - back : 0;
      return true;
    }
  }
  return false;
}

bool PackedApproxMatcher::Add(std::string_view pattern) {
  const size_t m = std::min(pattern.size(), ApproxMatcher::kMaxLength);
  if (m == 0) return true;
  if (used_ + m > ApproxMatcher::kMaxLength) return false;
  if (static_cast<size_t>(errors_) >= m) always_ = true;
  for (size_t i = 0; i < m; ++i)
    masks_[static_cast<unsigned char>(pattern[i])] |= uint64_t{1} << (used_ + i);
  starts_ |= uint64_t{1} << used_;
  tops_ |= uint64_t{1} << (used_ + m - 1);
  // Level j starts with the lowest j bits of each pattern set (at most all of them).
  for (int j = 1; j <= errors_ && j <= static_cast<int>(ApproxMatcher::kMaxLength); ++j) {
    const size_t bits = std::min(static_cast<size_t>(j), m);
    const uint64_t low = bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    initial_[static_cast<size_t>(j)] |= low << used_;
  }
  used_ += m;
  maxLength_ = std::max(maxLength_, m);
  return true;
}

bool PackedApproxMatcher::Matches(std::string_view text) const {
  if (used_ == 0 || text.empty()) return false;
  if (always_) return true;
  const int k = errors_;
  if (k == 0) {
    uint64_t r = 0;
    for (char ch : text) {
      r = ((r << 1) | starts_) & masks_[static_cast<unsigned char>(ch)];
      if ((r & tops_) != 0) return true;
    }
    return false;
  }
  std::array<uint64_t, ApproxMatcher::kMaxLength + 1> r = initial_;
  for (char ch : text) {
    const uint64_t mask = masks_[static_cast<unsigned char>(ch)];
    uint64_t before = r[0];
    r[0] = ((r[0] << 1) | starts_) & mask;
    uint64_t any = r[0];
    for (int j = 1; j <= k; ++j) {
      const uint64_t old = r[j];
      r[j] = (((old << 1) | starts_) & mask) | (((before | r[j - 1]) << 1) | starts_) | before;
      before = old;
      any |= r[j];
    }
    if ((any & tops_) != 0) return true;
  }
  return false;
}

PackedApproxLanes::PackedApproxLanes(const PackedApproxMatcher* matchers, size_t count)
    : count_(std::min(count, kLanes)) {
  for (size_t l = 0; l < count_; ++l) {
    const PackedApproxMatcher& m = matchers[l];
    errors_ = m.errors_;
    for (size_t c = 0; c < 256; ++c) masks_[c][l] = m.masks_[c];
    starts_[l] = m.starts_;
    // A matcher without patterns never matches: its lane finds nothing.
    tops_[l] = m.used_ == 0 ? 0 : m.tops_;
    for (size_t j = 0; j < initial_.size(); ++j) initial_[j][l] = m.initial_[j];
    always_[l] = m.used_ != 0 && m.always_;
  }
}

namespace {
// Four 64-bit words handled as one value (the compiler's vector extension: the lanes
// are computed with the processor's vector instructions where it has them).
using Words4 = uint64_t __attribute__((vector_size(32)));
static_assert(PackedApproxLanes::kLanes == 4);

void Load4(Words4& to, const std::array<uint64_t, 4>& from) {
  std::memcpy(&to, from.data(), sizeof to);
}
}  // namespace

// The steps of PackedApproxMatcher::Matches for every lane at once. A lane stops
// counting where its length of the text ends (its top bits are cleared there).
template <int kFixedErrors>
__attribute__((always_inline)) inline bool PackedApproxLanes::Scan(
    std::string_view text, std::array<size_t, kLanes> lengths,
    std::array<uint64_t, kLanes> topWords, size_t scan) const {
  constexpr size_t L = kLanes;
  constexpr size_t kLevels = kFixedErrors >= 0 ? kFixedErrors + 1 : ApproxMatcher::kMaxLength + 1;
  const int k = kFixedErrors >= 0 ? kFixedErrors
                                  : std::min(errors_, static_cast<int>(ApproxMatcher::kMaxLength));
  Words4 r[kLevels];
  for (int j = 0; j <= k; ++j) Load4(r[j], initial_[static_cast<size_t>(j)]);
  if (k == 0) r[0] = Words4{};
  Words4 st, tops;
  Load4(st, starts_);
  Load4(tops, topWords);
  size_t pos = 0;
  while (pos < scan) {
    size_t stop = scan;
    for (size_t l = 0; l < L; ++l)
      if (topWords[l] != 0 && lengths[l] > pos) stop = std::min(stop, lengths[l]);
    for (; pos < stop; ++pos) {
      Words4 m;
      Load4(m, masks_[static_cast<unsigned char>(text[pos])]);
      Words4 before = r[0];
      r[0] = ((r[0] << 1) | st) & m;
      for (int j = 1; j <= k; ++j) {
        const Words4 old = r[j];
        // ((old << 1) | st) & m, with st's share left to the second term, which has
        // all of st anyway.
        r[j] = ((old << 1) & m) | ((before | r[j - 1]) << 1) | st | before;
        before = old;
      }
      // Each level holds the one below it (a match with fewer differences is one
      // with more), so the top level tells whether any level matched.
      const Words4 hit = r[k] & tops;
      if ((hit[0] | hit[1] | hit[2] | hit[3]) != 0) return true;
    }
    for (size_t l = 0; l < L; ++l)
      if (lengths[l] <= pos) topWords[l] = 0;
    Load4(tops, topWords);
  }
  return false;
}

// Built twice: for processors with 256-bit vector instructions, where the four lanes
// are one register, and for the others; the program picks one when it starts. The pick
// runs while the program is being loaded, before a sanitizer's runtime is ready, so
// sanitizer builds keep the one plain version.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TUNORA_VECTOR_CLONES
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TUNORA_VECTOR_CLONES
#endif
#endif
#ifndef TUNORA_VECTOR_CLONES
#define TUNORA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif

TUNORA_VECTOR_CLONES bool PackedApproxLanes::Matches(
    std::string_view text, const std::array<size_t, kLanes>& given) const {
  std::array<size_t, kLanes> lengths{};
  std::array<uint64_t, kLanes> tops{};
  size_t scan = 0;
  for (size_t l = 0; l < count_; ++l) {
    lengths[l] = std::min(given[l], text.size());
    if (lengths[l] == 0 || tops_[l] == 0) continue;
    if (always_[l]) return true;
    tops[l] = tops_[l];
    scan = std::max(scan, lengths[l]);
  }
  if (scan == 0) return false;
  switch (errors_) {
    case 0: return Scan<0>(text, lengths, tops, scan);
    case 1: return Scan<1>(text, lengths, tops, scan);
    case 2: return Scan<2>(text, lengths, tops, scan);
    case 3: return Scan<3>(text, lengths, tops, scan);
    default: return Scan<-1>(text, lengths, tops, scan);
  }
}

}  // namespace tunora
