#include "search/TuneSearch.h"

#include "lists/TuneFormat.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

bool TuneSearch::Prepare(const SearchSpec& spec, std::string& message, std::string& warning) {
  spec_ = spec;
  message.clear();
  warning.clear();
  switch (spec.type) {
    case SearchSpec::kMusic:
      writer_ = std::make_unique<NoteTextWriter>(spec.music.ignoreOrnamentation);
      if (!BuildQuery(spec.phrase, spec.music, query_)) {
        message = "The phrase has no notes to search for.";
        return false;
      }
      return true;
    case SearchSpec::kAdvanced:
      if (!program_.Compile(spec.match)) warning = "Match: " + program_.ErrorText();
      program_.SetPlaceholderValues(spec.promptValues);
      return true;
    default:
      if (spec.text.text.empty()) {
        message = "Please enter a text to search for.";
        return false;
      }
      matcher_ = BuildTextMatcher(spec.text);
      return true;
  }
}

bool TuneSearch::Matches(const TuneRecord& tune, int* titleIndex) {
  if (titleIndex != nullptr) *titleIndex = -1;
  switch (spec_.type) {
    case SearchSpec::kMusic:
      return writer_ != nullptr && MatchTune(query_, tune, *writer_);
    case SearchSpec::kAdvanced: {
      size_t title = 0;
      if (!program_.EvaluateAnyTitle(tune, &title)) return false;
      if (titleIndex != nullptr) *titleIndex = static_cast<int>(title);
      return true;
    }
    default:
      return MatchTuneText(matcher_, spec_.text.field, tune);
  }
}

bool TuneSearch::Test(const TuneRecord& tune, std::string& line, const FormatEnv* env) {
  int title = -1;
  if (!Matches(tune, &title)) return false;
  line = ExpandFormat(spec_.listFormat, &tune, title, FormatOptions{}, env);
  return true;
}

}  // namespace tunora
