// One search of any type (text, music, advanced) as a test of single tunes: the
// file search, Find in the tune list and the command line all test tunes through it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "search/MatchExpression.h"
#include "search/MusicSearch.h"
#include "search/TextSearch.h"

namespace tunora {

struct FormatEnv;

struct SearchRequest {
  enum Type { kText = 0, kMusic = 1, kAdvanced = 2 };
  int type = kText;
  TextQuery text;      // text search
  std::string phrase;  // music search, with an optional key prefix
  MusicOptions music;
  std::string match;  // advanced search
  std::vector<std::string> promptValues;
  std::string listFormat = "%X %#T";  // the tune line of a found tune
};

// The melody search options of the MusicSearch settings, and back.
MusicOptions MusicOptionsFrom(const MusicSearchSettings& settings);
void StoreMusicOptions(const MusicOptions& options, MusicSearchSettings& settings);

class TuneSearch {
 public:
  // Prepares the test; false with a message for the user when it cannot run
  // (an empty text or phrase). A match expression with a syntax error still runs
  // on what was read before the error; warning then tells where it is.
  bool Prepare(const SearchRequest& request, std::string& message, std::string& warning);

  // True when tune is found. titleIndex gets the title that matched (advanced search)
  // or -1.
  bool Matches(const TuneRecord& tune, int* titleIndex = nullptr);
  // As Matches, and writes the tune's line for the Found Files list.
  bool Test(const TuneRecord& tune, std::string& line, const FormatEnv* env);

  const SearchRequest& Request() const { return request_; }

 private:
  SearchRequest request_;
  ApproxMatcher matcher_;
  MelodyQuery query_;
  std::unique_ptr<NoteTextWriter> writer_;
  MatchProgram program_;
};

}  // namespace tunora
