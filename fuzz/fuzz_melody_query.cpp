// Any bytes as a melody search phrase (with or without a key prefix), built into a
// query with every transposition and tested against a tune, also as the tune's body.
#include <cstdint>
#include <string>

#include "search/MusicSearch.h"
#include "tunefile/TuneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view phrase(reinterpret_cast<const char*>(data), size);
  tunora::MusicOptions options;
  options.transpose36 = options.transpose8 = options.transposeMin2Aug4 = true;
  options.transpose8plus = size % 2 == 0;
  options.ignoreOrnamentation = size % 3 != 0;
  options.loosePercent = static_cast<int>(size % 101);
  options.where =
      size % 5 == 0 ? tunora::MusicOptions::kBeginning : tunora::MusicOptions::kAnywhere;
  tunora::MelodyQuery query;
  tunora::NoteTextWriter writer(options.ignoreOrnamentation);
  tunora::TuneFile file;
  file.SplitTunes("X:1\nT:Tune\nM:6/8\nK:D\n|:FAA {g}dAF|[1 GBB dBG:|[2 (3ABc d2|]\n\n", true, 0,
                  false);
  tunora::TuneRecord own;
  own.titles = {"Fuzz"};
  own.body = std::string(phrase);
  if (tunora::BuildQuery(phrase, options, query)) {
    tunora::MatchTune(query, *file.TuneAt(1), writer);
    tunora::MatchTune(query, own, writer);
  }
  return 0;
}
