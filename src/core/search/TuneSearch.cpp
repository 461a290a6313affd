#include "search/TuneSearch.h"

#include "lists/TuneFormat.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

MusicOptions MusicOptionsFrom(const MusicSearchSettings& s) {
  MusicOptions o;
  o.fromBeginning = s.fromBeginning != 0;
  o.subdirectories = s.subdir != 0;
  o.ignoreOrnamentation = s.ignoreOrnamentation != 0;
  o.transpose36 = s.transpose36 != 0;
  o.transpose45 = s.transpose45 != 0;
  o.transpose8 = s.transpose8 != 0;
  o.transposeMaj2 = s.transposeMaj2 != 0;
  o.transposeMin2Aug4 = s.transposeMin2Aug4 != 0;
  o.transpose8plus = s.transpose8plus != 0;
  o.loosePercent = s.looseMatch;
  o.where = s.where == MusicOptions::kBeginning ? MusicOptions::kBeginning
                                                : MusicOptions::kAnywhere;
  return o;
}

void StoreMusicOptions(const MusicOptions& o, MusicSearchSettings& s) {
  s.ignoreOrnamentation = o.ignoreOrnamentation;
  s.transpose36 = o.transpose36;
  s.transpose45 = o.transpose45;
  s.transpose8 = o.transpose8;
  s.transposeMaj2 = o.transposeMaj2;
  s.transposeMin2Aug4 = o.transposeMin2Aug4;
  s.transpose8plus = o.transpose8plus;
  s.looseMatch = o.loosePercent;
  s.where = o.where;
}

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
