// The tune editor's work on a long tune: colouring a 2,000-line body line by line
// (what opening the editor does; typing colours one line again), and filling the
// header form and rebuilding the tune text from it (what Save does).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "editor/AbcColouring.h"
#include "editor/TuneForm.h"
#include "tunefile/Fields.h"
#include "tunefile/TuneFile.h"

namespace {

std::vector<std::string> LongBody() {
  std::vector<std::string> lines;
  for (int k = 0; k < 2000; ++k) {
    lines.push_back("|:\"D\"d2fd \"A\"c2ec|\"G\"B2 !trill!AG (3FGA \"D\"d4:|] % line " +
                    std::to_string(k));
  }
  return lines;
}

void ColourLongBody(benchmark::State& state) {
  const std::vector<std::string> lines = LongBody();
  tunora::AbcLineColourer colourer;
  size_t spans = 0;
  for (auto _ : state) {
    for (const std::string& line : lines) spans += colourer.Colour(line, false).size();
  }
  benchmark::DoNotOptimize(spans);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(ColourLongBody)->Unit(benchmark::kMillisecond);

void FillAndRebuildForm(benchmark::State& state) {
  std::string text = "X:1\r\nT:Long\r\nT:Second title\r\nC:Trad.\r\nN:A note\r\nM:4/4\r\nK:D\r\n";
  for (const std::string& line : LongBody()) text += line + "\r\n";
  text += "W:Some words\r\n\r\n";
  tunora::TuneFile file;
  file.SplitTunes(text, true, 0, false);
  const tunora::TuneRecord& tune = *file.TuneAt(1);
  size_t bytes = 0;
  for (auto _ : state) {
    tunora::TuneForm form(std::string(tunora::kDefaultFieldOrder), "1110000");
    form.Fill(tune);
    bytes += form.Rebuild(tune.body, tune.words.value_or(std::string())).size();
  }
  benchmark::DoNotOptimize(bytes);
}
BENCHMARK(FillAndRebuildForm)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
