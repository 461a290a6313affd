// The search window's run over the files of the shared corpus (every folder, as the
// files are): a melody search with every transposition, polled before each tune as
// the window polls to handle its events and the Stop button. The longest time between
// two polls bounds how long Stop waits for an answer (goal: 50 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "BenchCorpus.h"
#include "search/FileSearch.h"
#include "search/TuneSearch.h"

namespace {

using namespace tunora;
using Clock = std::chrono::steady_clock;

void BM_SearchPollGap(benchmark::State& state) {
  const std::filesystem::path root = bench::CorpusAbcDir();
  if (root.empty()) {
    state.SkipWithError("no corpus");
    return;
  }
  SearchRequest request;
  request.type = SearchRequest::kMusic;
  request.phrase = "[K:G] GEG GAB|ABA ABd";
  request.music.transpose36 = request.music.transpose45 = request.music.transpose8 =
      request.music.transposeMaj2 = request.music.transposeMin2Aug4 = request.music.transpose8plus =
          true;
  TuneSearch search;
  std::string message, warning;
  if (!search.Prepare(request, message, warning)) {
    state.SkipWithError("the phrase gives no notes");
    return;
  }
  double longest = 0;
  size_t polls = 0;
  for (auto _ : state) {
    FoundList list;
    FileSearchRun run;
    run.patterns = {root.string() + "/"};
    run.subdirectories = true;
    run.test = [&](const TuneRecord& tune, std::string& line) {
      return search.Test(tune, line, nullptr);
    };
    Clock::time_point last = Clock::now();
    run.poll = [&] {
      const Clock::time_point now = Clock::now();
      longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
      ++polls;
      return true;
    };
    RunFileSearch(run, list);
    benchmark::DoNotOptimize(list.Lines().size());
  }
  state.counters["longest_gap_ms"] = longest;
  state.counters["tunes"] = static_cast<double>(polls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SearchPollGap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
