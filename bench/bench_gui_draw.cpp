// The drawing window's speed: opening it on a typical tune (the view made, laid out
// and painted once at real size), and the live preview's redraw after an edit of a
// 64-bar tune (the editor's text read into a tune and the pages painted anew), and
// the same for 300 bars.
// Goals: under 100 ms to open, under 30 ms to redraw.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>

#include "gui/draw/CDrawDoc.h"
#include "gui/draw/CDrawView.h"
#include "platform/canvas/PageOutput.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

// A reel of bars bars with chords, eighth notes in beams, and a repeat every line.
std::string Reel(int bars) {
  std::string text = "X:1\r\nT:Bench Reel\r\nC:Trad.\r\nR:reel\r\nM:4/4\r\nL:1/8\r\nK:D\r\n";
  const char* line[] = {"|:\"D\"d2fd Adfd|", "\"G\"g2bg \"A\"fgag|", "\"D\"f2df \"G\"gfed|",
                        "\"A\"cABc d4:|\r\n"};
  for (int b = 0; b < bars; ++b) text += line[b % 4];
  return text;
}

DrawSource SourceOf(const std::string& text) {
  DrawSource source;
  source.tunes.emplace_back();
  TuneFile::ParseTune(source.tunes.back(), text, false);
  return source;
}

void BM_OpenDrawWindow(benchmark::State& state) {
  const std::string text = Reel(32);
  for (auto _ : state) {
    CDrawDoc doc;
    doc.SetSource(SourceOf(text));
    CDrawView view(&doc);
    view.resize(900, 1000);
    view.Pages()->grab(QRect(0, 0, 860, 900));
    benchmark::DoNotOptimize(view.Pages()->PageCount());
  }
}
BENCHMARK(BM_OpenDrawWindow)->Unit(benchmark::kMillisecond);

// Bars as the argument: 64 for the goal, 300 for a long tune that must still type
// smoothly (the redraw runs once typing pauses).
void BM_LivePreviewRedraw(benchmark::State& state) {
  std::string text = Reel(static_cast<int>(state.range(0)));
  CDrawDoc doc;
  doc.SetSource(SourceOf(text));
  CDrawView view(&doc);
  view.resize(900, 1000);
  view.Pages()->grab(QRect(0, 0, 860, 900));
  int n = 0;
  for (auto _ : state) {
    // One typed character, then the text read and drawn again.
    text[text.size() - 3] = (n++ % 2) ? 'd' : 'e';
    doc.SetSource(SourceOf(text));
    view.Pages()->grab(QRect(0, 0, 860, 900));
  }
}
BENCHMARK(BM_LivePreviewRedraw)->Arg(64)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tunora

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tunora::LoadMusicFont(TUNORA_DATA_DIR "/");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
