#include "search/TextSearch.h"

#include "tunefile/TuneRecord.h"

namespace tunora {

bool ForEachFieldText(const TuneRecord& tune, char field,
                      const std::function<bool(std::string_view)>& visit) {
  switch (field) {
    case '*':
      for (char letter : kAllHeaderFieldsOrder)
        if (ForEachFieldText(tune, letter, visit)) return true;
      return false;
    case 'T':
      for (const std::string& title : tune.titles)
        if (visit(title)) return true;
      return false;
    case 'X': return visit(std::to_string(tune.number));
    case 'W': return tune.words.has_value() && visit(*tune.words);
    case 't':
    case '?': return visit(tune.body);
    default: {
      const std::optional<std::string>* value = tune.Field(field);
      return value != nullptr && value->has_value() && visit(**value);
    }
  }
}

ApproxMatcher BuildTextMatcher(const TextQuery& query) {
  const int k = ApproxMatcher::ErrorsFor(query.text.size(), query.loosePercent);
  return ApproxMatcher(query.text, k, query.ignoreCase, query.exact);
}

bool MatchTuneText(ApproxMatcher& matcher, char field, const TuneRecord& tune) {
  return ForEachFieldText(tune, field,
                          [&](std::string_view text) { return matcher.Matches(text); });
}

}  // namespace tunora
