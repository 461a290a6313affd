// List making over a large collection: an index of 10,000 tunes in 50 files,
// sorted by title, in text and in HTML, and with rhythm sub-headers. Goal: under
// one second for each.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchCorpus.h"
#include "abc/Incipit.h"
#include "base/FileIO.h"
#include "lists/MakeList.h"
#include "tunefile/TuneFormat.h"

namespace {

namespace fs = std::filesystem;

// 50 files of 200 tunes each, cut from the corpus collection.
const fs::path& Folder() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "tunora-bench-lists";
    fs::remove_all(d);
    fs::create_directories(d);
    const std::string text = tunora::bench::BigCollection(10000);
    size_t from = text.find("X:");
    for (int f = 0; f < 50; ++f) {
      std::string part;
      for (int t = 0; t < 200 && from != std::string::npos; ++t) {
        size_t next = text.find("\nX:", from + 2);
        const size_t end = next == std::string::npos ? text.size() : next + 1;
        part.append(text, from, end - from);
        from = next == std::string::npos ? text.find("X:") : next + 1;  // wrap around
      }
      std::string error;
      tunora::WriteFileAtomically((d / ("f" + std::to_string(f) + ".abc")).string(), part, error);
    }
    return d;
  }();
  return dir;
}

void Run(benchmark::State& state, const tunora::ListType& type) {
  tunora::MakeListRequest r = tunora::RequestFromType(type);
  r.files = (Folder() / "*.abc").string();
  r.output = (Folder() / "out" / "index.txt").string();
  tunora::FormatEnv env;
  env.incipit = [](const tunora::TuneRecord& tune) { return tunora::ComputeIncipit(tune); };
  tunora::MakeListHooks hooks;
  hooks.env = &env;
  int entries = 0;
  for (auto _ : state) {
    const tunora::MakeListResult result = tunora::MakeList(r, hooks);
    entries = result.entries;
    if (!result.written || result.inputFiles != 50) state.SkipWithError("list not made");
  }
  state.counters["entries"] = entries;
}

void BM_IndexByTitleText(benchmark::State& state) {
  tunora::ListType t;
  t.sortOrder = "T";
  t.outputFormat = "%#40.T %#12.R %#6.K %5X  %f\r\n";
  t.pageLines = 60;
  t.header = "Title\r\n";
  t.footer = "\r\n";
  t.pageBreakFF = true;
  Run(state, t);
}
BENCHMARK(BM_IndexByTitleText)->Unit(benchmark::kMillisecond);

void BM_IndexByTitleHtml(benchmark::State& state) {
  tunora::ListType t;
  t.sortOrder = "T";
  t.htmlChar = true;
  t.outputFormat = "<tr><td>%#T</td><td>%#R</td><td>%#K</td><td>%X</td><td>%f</td></tr>\r\n";
  Run(state, t);
}
BENCHMARK(BM_IndexByTitleHtml)->Unit(benchmark::kMillisecond);

void BM_IndexByRhythmWithIncipits(benchmark::State& state) {
  tunora::ListType t;
  t.sortOrder = "RT";
  t.subHeader[0] = "\r\n%#R (%6k)\r\n";
  t.outputFormat = "    %#32.T %i\r\n";
  Run(state, t);
}
BENCHMARK(BM_IndexByRhythmWithIncipits)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
