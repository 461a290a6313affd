// Loading and listing a large tune collection.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchCorpus.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/TuneFile.h"

namespace {

const std::string& Collection() {
  static const std::string text = tunora::bench::BigCollection(10000);
  return text;
}

void BM_SplitAndParse(benchmark::State& state) {
  const std::string& text = Collection();
  size_t tunes = 0;
  for (auto _ : state) {
    auto f = std::make_unique<tunora::TuneFile>();
    tunes = static_cast<size_t>(f->SplitTunes(text, true, 0, false));
    benchmark::DoNotOptimize(f->TuneAt(1));
    state.PauseTiming();  // freeing the model is not part of loading it
    f.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["tunes"] = static_cast<double>(tunes);
}
BENCHMARK(BM_SplitAndParse)->Unit(benchmark::kMillisecond);

void BM_SplitAndParseTeX(benchmark::State& state) {
  const std::string& text = Collection();
  for (auto _ : state) {
    auto f = std::make_unique<tunora::TuneFile>();
    f->SplitTunes(text, true, 0, true);
    benchmark::DoNotOptimize(f->TuneAt(1));
    state.PauseTiming();
    f.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SplitAndParseTeX)->Unit(benchmark::kMillisecond);

// Save: unchanged tunes are checked against their loaded bytes and written back
// as they were (range 0), or every tune in canonical form (range 1).
void BM_WriteFile(benchmark::State& state) {
  tunora::TuneFileOptions options;
  options.canonical = state.range(0) == 1;
  tunora::TuneFile f(options);
  f.SplitTunes(Collection(), true, 0, false);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string out = f.WriteFile();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The tune list: one expanded line per tune, fetched by position. Also shows that
// position access and %x stay linear over the whole list.
void BM_ListLines(benchmark::State& state) {
  tunora::TuneFile f;
  f.SplitTunes(Collection(), true, 0, false);
  tunora::FormatEnv env;
  tunora::FormatOptions opts;
  opts.readEscapes = true;
  const char* format = state.range(0) == 0 ? "%X %#T" : "%x %X %#T %R";
  for (auto _ : state) {
    std::string out;
    for (size_t k = 1; k <= f.TuneCount(); ++k) {
      tunora::ExpandFormat(out, format, f.TuneAt(static_cast<int>(k)), -1, opts, &env);
      out += '\n';
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["tunes"] = static_cast<double>(f.TuneCount());
}
BENCHMARK(BM_ListLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
