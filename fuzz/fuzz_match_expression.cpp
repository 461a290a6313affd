// Any bytes as a match expression, compiled and evaluated on a tune with titles,
// fields, words and placeholders.
#include <cstdint>
#include <string>

#include "search/MatchExpression.h"
#include "tunefile/TuneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tunora::TuneFile* file = [] {
    auto* f = new tunora::TuneFile;
    f->SplitTunes("X:12\nT:First\nT:Second\nR:reel\nC:\xe9t\xe9\nK:G\nabc|\nW:words\n\n", true, 0,
                  false);
    return f;
  }();
  std::string_view expression(reinterpret_cast<const char*>(data), size);
  tunora::MatchProgram program;
  program.Compile(expression);
  program.SetPlaceholderValues({"a", "", "12", "\xff"});
  size_t title = 0;
  program.EvaluateAnyTitle(*file->TuneAt(1), &title);
  program.Evaluate(*file->TuneAt(1), 7);
  program.Listing();
  program.ErrorText();
  return 0;
}
