// The tune tools over a large collection built from the shared corpus: tidying
// (blanks at bar lines and line breaks added, the default length halved),
// transposing and Chordwise.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchCorpus.h"
#include "play/StyleSet.h"
#include "tools/Chordwise.h"
#include "tools/Transpose.h"
#include "tools/TuneRewriter.h"
#include "tunefile/TuneFile.h"

namespace {

using namespace tunora;

const StyleSet& Styles() {
  static const StyleSet styles = [] {
    StyleSet s;
    unsigned line = 0;
    s.Parse(
        "chord { name ; notes 0 4 7;} chord { name m; notes 0 3 7;}"
        "chord { name 7; notes 0 4 7 10;}",
        line);
    return s;
  }();
  return styles;
}

struct Collection {
  TuneFile file;
  std::vector<TuneTexts> tunes;
  size_t bytes = 0;
  Collection() {
    file.SplitTunes(bench::BigCollection(10000), true, 0, false);
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      const TuneRecord& r = *file.TuneAt(static_cast<int>(k));
      bytes += r.body.size();
      tunes.push_back(TuneTextsOf(r));
    }
  }
};

const Collection& Tunes() {
  static const Collection c;
  return c;
}

void BM_Tidy(benchmark::State& state) {
  const Collection& c = Tunes();
  RewriteOptions o;
  o.addBarSpaces = true;
  o.addBreaks = true;
  o.newUnitLength = "1/16";
  for (auto _ : state) {
    TuneRewriter rewriter(Styles());
    for (const TuneTexts& t : c.tunes) benchmark::DoNotOptimize(rewriter.Rewrite(t, o));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bytes));
  state.counters["tunes"] = static_cast<double>(c.tunes.size());
}
BENCHMARK(BM_Tidy)->Unit(benchmark::kMillisecond);

void BM_Transpose(benchmark::State& state) {
  const Collection& c = Tunes();
  for (auto _ : state)
    for (const TuneTexts& t : c.tunes) benchmark::DoNotOptimize(TransposeTune(t, 5, Styles()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bytes));
}
BENCHMARK(BM_Transpose)->Unit(benchmark::kMillisecond);

void BM_Chordwise(benchmark::State& state) {
  const Collection& c = Tunes();
  for (auto _ : state) {
    for (const TuneTexts& t : c.tunes) {
      ChordwiseEngine engine(ChordwiseWeights{}, Styles().chordTypes, 0);
      std::string body(t.body);
      std::string message;
      benchmark::DoNotOptimize(engine.Run(t, body, message));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bytes));
}
BENCHMARK(BM_Chordwise)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
