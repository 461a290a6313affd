// Text search over tunes: which texts of a tune a field letter selects, and the
// test of one tune against a matcher.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/ApproxMatcher.h"

namespace tunora {

struct TuneRecord;

// The order in which the field "*" tries the header fields.
inline constexpr std::string_view kAllHeaderFieldsOrder = "XTRCSHNABDGOFZPMLQUuVK";

// Calls visit with each text that field selects in tune, in order, until visit
// returns true; returns whether it did. A header letter gives that field, T each
// title, X the number in decimal, W the words, t or ? the body, m and u their
// fields, * each header field in the order above. Other letters select nothing.
bool ForEachFieldText(const TuneRecord& tune, char field,
                      const std::function<bool(std::string_view)>& visit);

// The settings of one text search.
struct TextQuery {
  std::string text;
  char field = 'T';
  bool exact = false;
  bool ignoreCase = true;
  int loosePercent = 0;
};

// The matcher of a text search: k from the loose percent, whole line only
// with no differences allowed.
ApproxMatcher BuildTextMatcher(const TextQuery& query);

// True when a text selected by field matches.
bool MatchTuneText(ApproxMatcher& matcher, char field, const TuneRecord& tune);

}  // namespace tunora
