// Every tune of the shared corpus transposed up and back: the reader reads the
// moved pitches from the transposed text and the original ones after the way back.
// (bench/tools_corpus.cpp reports the same with more intervals, and Chordwise.)
#include <gtest/gtest.h>

#include "abc/AbcParser.h"
#include "support/Corpus.h"
#include "tools/ToolsTestSupport.h"
#include "tools/Transpose.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

TEST(ToolsCorpus, TransposedUpAndBackThePitchesComeBack) {
  auto files = test::CorpusFiles("abc");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  long tunes = 0;
  int reported = 0;
  for (const auto& path : files) {
    TuneFile file;
    std::string error;
    if (!file.Load(path.string(), error)) continue;
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      const TuneRecord& rec = *file.TuneAt(static_cast<int>(k));
      const TuneTexts t = TuneTextsOf(rec);
      const std::vector<int> original = NotePitches(t);
      ++tunes;
      for (int shift : {5, -6}) {
        RewriteResult up = TransposeTune(t, shift, test::ToolStyles());
        TuneTexts moved = t;
        moved.body = up.body;
        if (up.keyText) moved.key = *up.keyText;
        std::vector<int> want = original;
        for (int& p : want)
          if (p < 128) p = TransposePitch(p, shift);
        RewriteResult back = TransposeTune(moved, -shift, test::ToolStyles());
        TuneTexts again = moved;
        again.body = back.body;
        if (back.keyText) again.key = *back.keyText;
        if ((NotePitches(moved) != want || NotePitches(again) != original) && ++reported <= 5)
          ADD_FAILURE() << path.filename() << " tune " << k << " by " << shift;
      }
    }
  }
  EXPECT_GT(tunes, 5000);
}

}  // namespace
}  // namespace tunora
