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

std::vector<int> Pitches(const TuneTexts& t) {
  AbcParser reader;
  reader.Init(t.key, t.meter, t.unitLength, t.body, {}, false);
  std::vector<int> pitches;
  size_t pos = 0;
  bool first = true;
  for (TokenKind k; (k = reader.NextToken(pos, first)) != TK_END; first = false)
    if (k == TK_NOTE) pitches.push_back(reader.note.pitch);
  return pitches;
}

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
      TuneTexts t;
      if (rec.HasField('K')) t.key = rec.FieldText('K');
      t.meter = rec.FieldText('M');
      t.unitLength = rec.FieldText('L');
      t.body = rec.body;
      const std::vector<int> original = Pitches(t);
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
        if ((Pitches(moved) != want || Pitches(again) != original) && ++reported <= 5)
          ADD_FAILURE() << path.filename() << " tune " << k << " by " << shift;
      }
    }
  }
  EXPECT_GT(tunes, 5000);
}

}  // namespace
}  // namespace tunora
