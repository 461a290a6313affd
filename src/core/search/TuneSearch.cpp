#include "search/TuneSearch.h"

#include "tunefile/TuneFormat.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

MusicOptions MusicOptionsFrom(const MusicSearchSettings& s) {
  MusicOptions o;
  o.fromBeginning = s.fromBeginning;
  o.subdirectories = s.subdir;
  o.ignoreOrnamentation = s.ignoreOrnamentation;
  o.transpose36 = s.transpose36;
  o.transpose45 = s.transpose45;
  o.transpose8 = s.transpose8;
  o.transposeMaj2 = s.transposeMaj2;
  o.transposeMin2Aug4 = s.transposeMin2Aug4;
  o.transpose8plus = s.transpose8plus;
  o.loosePercent = s.looseMatch;
  o.where =
      s.where == MusicOptions::kBeginning ? MusicOptions::kBeginning : MusicOptions::kAnywhere;
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

bool TuneSearch::Prepare(const SearchRequest& request, std::string& message, std::string& warning) {
  request_ = request;
  message.clear();
  warning.clear();
  switch (request.type) {
    case SearchRequest::kMusic:
      writer_ = std::make_unique<NoteTextWriter>(request.music.ignoreOrnamentation);
      if (!BuildQuery(request.phrase, request.music, query_)) {
        message = "The phrase has no notes to search for.";
        return false;
      }
      return true;
    case SearchRequest::kAdvanced:
      if (!program_.Compile(request.match)) warning = "Match: " + program_.ErrorText();
      program_.SetPlaceholderValues(request.promptValues);
      return true;
    default:
      if (request.text.text.empty()) {
        message = "Please enter a text to search for.";
        return false;
      }
      matcher_ = BuildTextMatcher(request.text);
      return true;
  }
}

bool TuneSearch::Matches(const TuneRecord& tune, int* titleIndex) {
  if (titleIndex != nullptr) *titleIndex = -1;
  switch (request_.type) {
    case SearchRequest::kMusic: return writer_ != nullptr && MatchTune(query_, tune, *writer_);
    case SearchRequest::kAdvanced: {
      size_t title = 0;
      if (!program_.EvaluateAnyTitle(tune, &title)) return false;
      if (titleIndex != nullptr) *titleIndex = static_cast<int>(title);
      return true;
    }
    default: return MatchTuneText(matcher_, request_.text.field, tune);
  }
}

bool TuneSearch::Test(const TuneRecord& tune, std::string& line, const FormatEnv* env) {
  int title = -1;
  if (!Matches(tune, &title)) return false;
  line = ExpandFormat(request_.listFormat, &tune, title, FormatOptions{}, env);
  return true;
}

}  // namespace tunora
