// Reading every tune of a 10,000-tune collection token by token.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchCorpus.h"
#include "abc/AbcParser.h"
#include "abc/Incipit.h"
#include "tunefile/TuneFile.h"

namespace {

struct Collection {
  Collection() {
    file.SplitTunes(tunora::bench::BigCollection(10000), true, 0, false);
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      const tunora::TuneRecord* t = file.TuneAt(static_cast<int>(k));
      tunes.push_back(t);
      bodyBytes += t->body.size();
    }
  }
  tunora::TuneFile file;
  std::vector<const tunora::TuneRecord*> tunes;
  size_t bodyBytes = 0;
};

const Collection& Tunes() {
  static const Collection c;
  return c;
}

std::optional<std::string_view> KeyOf(const tunora::TuneRecord& t) {
  const auto* key = t.Field('K');
  if (key != nullptr && key->has_value()) return std::string_view(**key);
  return std::nullopt;
}

// One reader per tune as consumers make them; with pickup, Init also scans the first bar.
void ReadAll(benchmark::State& state, bool pickup) {
  const Collection& c = Tunes();
  size_t tokens = 0;
  for (auto _ : state) {
    tokens = 0;
    for (const tunora::TuneRecord* t : c.tunes) {
      tunora::AbcParser r;
      std::string_view body = t->body;
      r.Init(KeyOf(*t), t->FieldText('M'), t->FieldText('L'),
             pickup ? std::optional<std::string_view>(body) : std::nullopt, t->FieldText('Q'),
             true);
      r.SetText(body);
      size_t pos = 0;
      bool first = true;
      while (r.NextToken(pos, first) != tunora::TK_END) {
        first = false;
        ++tokens;
      }
      benchmark::DoNotOptimize(r.note);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bodyBytes));
  state.counters["tunes"] = static_cast<double>(c.tunes.size());
  state.counters["tokens"] = static_cast<double>(tokens);
  state.counters["MB"] = static_cast<double>(c.bodyBytes) / 1e6;
}

void BM_ReadTokens(benchmark::State& state) { ReadAll(state, false); }
BENCHMARK(BM_ReadTokens)->Unit(benchmark::kMillisecond);

void BM_ReadTokensWithPickup(benchmark::State& state) { ReadAll(state, true); }
BENCHMARK(BM_ReadTokensWithPickup)->Unit(benchmark::kMillisecond);

// The token loop alone on one reader (no Init per tune).
void BM_TokenLoop(benchmark::State& state) {
  const Collection& c = Tunes();
  tunora::AbcParser r;
  r.Init("G", "4/4", "1/8", std::nullopt, "", true);
  for (auto _ : state) {
    for (const tunora::TuneRecord* t : c.tunes) {
      r.SetText(t->body);
      size_t pos = 0;
      while (r.NextToken(pos) != tunora::TK_END) {
      }
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bodyBytes));
}
BENCHMARK(BM_TokenLoop)->Unit(benchmark::kMillisecond);

void BM_Incipits(benchmark::State& state) {
  const Collection& c = Tunes();
  for (auto _ : state) {
    for (const tunora::TuneRecord* t : c.tunes) {
      t->incipit.reset();
      benchmark::DoNotOptimize(tunora::ComputeIncipit(*t));
    }
  }
  state.counters["tunes"] = static_cast<double>(c.tunes.size());
}
BENCHMARK(BM_Incipits)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
