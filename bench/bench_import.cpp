// The bagpipe importer: every Bagpipe Music Writer file of the shared corpus
// converted with the shipped abcbmw.cfg (reading the table once per file, as an
// import does), and the table alone. Falls back to a generated file without corpus.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "BenchCorpus.h"
#include "import/BwwImport.h"
#include "import/BwwTable.h"

namespace {

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string TableText() {
  return Slurp(std::filesystem::path(TUNORA_SOURCE_DIR) / "data/abcbmw.cfg");
}

std::vector<std::string> BwwFiles() {
  std::vector<std::string> texts;
  std::filesystem::path root = tunora::bench::CorpusAbcDir();
  if (!root.empty()) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(root.parent_path() / "bww"))
      if (e.is_regular_file()) texts.push_back(Slurp(e.path()));
  }
  if (texts.empty()) {
    std::string t = "Bagpipe Reader:1.0\n\"Generated\",(T)\n& sharpf sharpc 2_4\n";
    for (int i = 0; i < 300; ++i) t += "gg LAr_8 'la Bl_16 dbc Cr_8 El_8 ! ";
    texts.push_back(t);
  }
  return texts;
}

void BM_ConvertBwwCorpus(benchmark::State& state) {
  const std::vector<std::string> files = BwwFiles();
  const std::string table = TableText();
  size_t bytes = 0;
  for (auto _ : state) {
    for (const std::string& text : files) {
      tunora::BwwTable t;
      t.Parse(table);
      tunora::BwwResult r = tunora::ConvertBwwText(text, t, "bench.bww");
      benchmark::DoNotOptimize(r.tunes.data());
      bytes += text.size();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_ConvertBwwCorpus)->Unit(benchmark::kMillisecond);

void BM_ParseTable(benchmark::State& state) {
  const std::string table = TableText();
  for (auto _ : state) {
    tunora::BwwTable t;
    t.Parse(table);
    benchmark::DoNotOptimize(t.Pairs().data());
  }
}
BENCHMARK(BM_ParseTable)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
