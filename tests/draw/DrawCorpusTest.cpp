// Every tune of the shared collection of real files is drawn onto pages without a
// crash or a hang; the drawing of one file must stay well within a time limit.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "abc/UserSymbols.h"
#include "base/FileIO.h"
#include "base/MessageSink.h"
#include "draw/RecordingCanvas.h"
#include "support/Corpus.h"

namespace tunora {
namespace {

class CountingCanvas : public test::RecordingCanvas {
 public:
  void DrawChar(const CanvasFont&, int32_t, int32_t, uint8_t) override { ++drawn; }
  void DrawText(const CanvasFont&, int32_t, int32_t, std::string_view) override { ++drawn; }
  void DrawLine(int32_t, int32_t, int32_t, int32_t, int32_t) override { ++drawn; }
  void DrawPolygon(const CanvasPoint*, size_t) override { ++drawn; }
  bool NewPage() override {
    ++pages;
    return true;
  }
  long drawn = 0;
  int pages = 1;
};

TEST(DrawCorpus, EveryTuneDrawsWithoutCrashOrHang) {
  std::vector<std::filesystem::path> files = test::CorpusFiles("abc");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  size_t tunes = 0;
  long drawn = 0;
  auto start = std::chrono::steady_clock::now();
  for (const auto& path : files) {
    TuneFile file;
    std::string error;
    if (!file.Load(path.string(), error)) continue;
    UserSymbols symbols;
    if (file.headerText) symbols.LoadFromText(*file.headerText);
    CountingCanvas canvas;
    CollectingSink sink;
    DrawJob job;
    job.pageWidth = 21000;
    job.pageHeight = 29700;
    job.sink = &sink;
    job.fileSymbols = &symbols;
    FormatSettings format;
    DrawContext dc(canvas, format, LayoutParams(), SymbolMap(), job);
    for (size_t i = 1; i <= file.TuneCount(); ++i) {
      ASSERT_TRUE(dc.DrawTune(*file.TuneAt(static_cast<int>(i)))) << path << " tune " << i;
      ++tunes;
    }
    dc.Finish();
    drawn += canvas.drawn;
  }
  double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("drew %zu tunes of %zu files (%ld primitives) in %.2f s\n", tunes, files.size(),
              drawn, total);
  EXPECT_GT(tunes, 1000u);
}

}  // namespace
}  // namespace tunora
