// Building performances and MIDI files for every tune of a 10,000-tune collection.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchCorpus.h"
#include "base/MessageSink.h"
#include "play/MidiFileWriter.h"
#include "play/Performance.h"
#include "play/PlaySettings.h"
#include "play/StyleSet.h"
#include "play/TuneBuild.h"
#include "tunefile/TuneFile.h"

namespace {

struct Collection {
  Collection() {
    file.SplitTunes(tunora::bench::BigCollection(10000), true, 0, false);
    for (size_t k = 1; k <= file.TuneCount(); ++k)
      tunes.push_back(file.TuneAt(static_cast<int>(k)));
    // The shipped style file (the build copies it beside the programs), so that
    // chords, swing and tempos come from it.
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path style = exe.parent_path() / "abcstyle.cfg";
    tunora::CollectingSink sink;
    styles.LoadFromFile(style.string(), sink);
    symbols.LoadFromFile((exe.parent_path() / "userdef.abc").string());
  }
  tunora::TuneFile file;
  std::vector<const tunora::TuneRecord*> tunes;
  tunora::StyleSet styles;
  tunora::UserSymbols symbols;  // the shipped userdef.abc, as the program's set
};

const Collection& Tunes() {
  static const Collection c;
  return c;
}

void BuildAll(benchmark::State& state, bool merged, bool writeFile) {
  const Collection& c = Tunes();
  tunora::MidiSettings midi;
  size_t events = 0, bytes = 0;
  for (auto _ : state) {
    events = bytes = 0;
    for (const tunora::TuneRecord* t : c.tunes) {
      tunora::PlaySettings s = tunora::GatherPlaySettings(midi, *t, c.styles);
      s.merged = merged;
      tunora::Performance perf(c.styles);
      perf.Build(s);
      for (const tunora::EventTrack& v : perf.Voices()) events += v.Count();
      if (writeFile) bytes += tunora::MidiFileBytes(perf).size();
    }
  }
  state.counters["tunes"] = static_cast<double>(c.tunes.size());
  state.counters["events"] = static_cast<double>(events);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["tunes/s"] = benchmark::Counter(static_cast<double>(c.tunes.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.SetLabel(c.styles.Empty() ? "no style file" : "shipped style file");
}

void BM_BuildMidiFiles(benchmark::State& state) { BuildAll(state, false, true); }
BENCHMARK(BM_BuildMidiFiles)->Unit(benchmark::kMillisecond);

void BM_BuildLiveTracks(benchmark::State& state) { BuildAll(state, true, false); }
BENCHMARK(BM_BuildLiveTracks)->Unit(benchmark::kMillisecond);

// Every tune to MIDI file bytes as "tunora-cli midi --all" makes them: one TuneBuild
// reused from tune to tune, with the program's user symbols and each tune's own.
void BM_TuneBuildForFiles(benchmark::State& state) {
  const Collection& c = Tunes();
  tunora::MidiSettings midi;
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    tunora::TuneBuild build({}, &c.symbols);
    for (const tunora::TuneRecord* t : c.tunes) {
      const tunora::PlaySettings ps = build.Gather(midi, *t, c.styles);
      if (build.BuildForFile(ps, c.styles, ps.repeat))
        bytes += tunora::MidiFileBytes(build.Perf()).size();
    }
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["tunes/s"] = benchmark::Counter(static_cast<double>(c.tunes.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TuneBuildForFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
