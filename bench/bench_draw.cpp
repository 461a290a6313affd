// The notation engine on a large collection: every tune laid out and drawn onto A4
// pages through a canvas that only measures (fixed metrics), so the figure is the
// engine's own cost without a graphics library.
#include <benchmark/benchmark.h>

#include "BenchCorpus.h"
#include "abc/UserSymbols.h"
#include "draw/Canvas.h"
#include "draw/DrawContext.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"
#include "tunefile/TuneFile.h"

namespace {

class MeasuringCanvas : public tunora::Canvas {
 public:
  int32_t TextWidth(const tunora::CanvasFont& f, std::string_view t) override {
    return static_cast<int32_t>(t.size()) * f.height / 2;
  }
  tunora::FontMetrics Metrics(const tunora::CanvasFont& f) override {
    return {f.height * 8 / 10, f.height / 5};
  }
  tunora::GlyphBox CharBox(const tunora::CanvasFont& f, uint8_t) override {
    int32_t w = f.height * 3 / 10;
    return {w, 0, w, -f.height / 8, f.height / 8};
  }
  void DrawChar(const tunora::CanvasFont&, int32_t, int32_t, uint8_t) override { ++ops; }
  void DrawText(const tunora::CanvasFont&, int32_t, int32_t, std::string_view) override { ++ops; }
  void DrawLine(int32_t, int32_t, int32_t, int32_t, int32_t) override { ++ops; }
  void DrawPolygon(const tunora::CanvasPoint*, size_t) override { ++ops; }
  void DrawEllipse(int32_t, int32_t, int32_t, int32_t, bool, int32_t) override { ++ops; }
  bool NewPage() override { return true; }
  long ops = 0;
};

// Draws every tune of a file onto A4 pages, once per iteration.
void DrawAll(benchmark::State& state, const tunora::TuneFile& file) {
  tunora::UserSymbols symbols;
  tunora::FormatSettings fs;
  for (auto _ : state) {
    MeasuringCanvas canvas;
    tunora::DrawJob job;
    job.pageWidth = 21000;
    job.pageHeight = 29700;
    job.fileSymbols = &symbols;
    tunora::DrawContext dc(canvas, fs, tunora::LayoutParams(), tunora::SymbolMap(), job);
    for (size_t i = 1; i <= file.TuneCount(); ++i) dc.DrawTune(*file.TuneAt(static_cast<int>(i)));
    dc.Finish();
    benchmark::DoNotOptimize(canvas.ops);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * file.TuneCount()));
}

void BM_DrawCollection(benchmark::State& state) {
  static tunora::TuneFile* file = [] {
    auto* f = new tunora::TuneFile;
    f->SplitTunes(tunora::bench::BigCollection(5000), true, 0, false);
    return f;
  }();
  DrawAll(state, *file);
}
BENCHMARK(BM_DrawCollection)->Unit(benchmark::kMillisecond);

// The same tunes as two voices each (the melody over itself in the bass clef), drawn
// as systems: the shared time axis and the cutting of systems on top of the above.
void BM_DrawVoices(benchmark::State& state) {
  static tunora::TuneFile* file = [] {
    tunora::TuneFile plain;
    plain.SplitTunes(tunora::bench::BigCollection(5000), true, 0, false);
    std::string text;
    for (size_t i = 1; i <= plain.TuneCount() && i <= 1000; ++i) {
      const tunora::TuneRecord& t = *plain.TuneAt(static_cast<int>(i));
      text += "X:" + std::to_string(i) + "\r\nT:" + (t.titles.empty() ? "" : t.titles[0]) +
              "\r\nM:" + t.FieldText('M') + "\r\nL:" + t.FieldText('L') +
              "\r\nV:1\r\nV:2 clef=bass\r\nK:" + t.FieldText('K') + "\r\nV:1\r\n" + t.body +
              "\r\nV:2\r\n" + t.body + "\r\n\r\n";
    }
    auto* f = new tunora::TuneFile;
    f->SplitTunes(text, true, 0, false);
    return f;
  }();
  DrawAll(state, *file);
}
BENCHMARK(BM_DrawVoices)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
