// Any bytes as a tune (header and body), drawn onto pages with the notation engine
// (voices, %%score lines and overlays included) through a canvas that only measures
// and lists the items. Nothing may crash, hang or read out of bounds.
#include <cstdint>
#include <string>

#include "abc/UserSymbols.h"
#include "draw/Canvas.h"
#include "draw/DrawContext.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutListing.h"
#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"
#include "tunefile/TuneFile.h"

namespace {

class NullCanvas : public tunora::Canvas {
 public:
  int32_t TextWidth(const tunora::CanvasFont& f, std::string_view t) override {
    return static_cast<int32_t>(t.size()) * f.height / 2;
  }
  tunora::FontMetrics Metrics(const tunora::CanvasFont& f) override {
    return {f.height * 8 / 10, f.height / 5};
  }
  tunora::GlyphBox CharBox(const tunora::CanvasFont& f, uint8_t c) override {
    int32_t w = f.height * (c % 7 + 1) / 10;
    return {w, 0, w, -f.height / 8, f.height / 8};
  }
  void DrawChar(const tunora::CanvasFont&, int32_t, int32_t, uint8_t) override {}
  void DrawText(const tunora::CanvasFont&, int32_t, int32_t, std::string_view) override {}
  void DrawLine(int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  void DrawPolygon(const tunora::CanvasPoint*, size_t) override {}
  void DrawEllipse(int32_t, int32_t, int32_t, int32_t, bool, int32_t) override {}
  bool NewPage() override { return ++pages < 500; }
  int pages = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte chooses settings; the rest is the file.
  const uint8_t flags = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  tunora::TuneFile file;
  file.SplitTunes(text, true, 0, false);
  tunora::FormatSettings fs;
  fs.softLf = flags & 1;
  fs.restsInBeamGroup = flags & 2;
  fs.graceNotesUp = flags & 4;
  fs.stretchLast = flags & 8;
  fs.barsPerStaff = (flags >> 4) & 3;
  fs.measureInterval = (flags & 64) ? 1 : -1;
  fs.staffSize = (flags & 128) ? 50 : 100;
  fs.headers.resize(2);
  fs.headers[0].fields = "T";
  fs.headers[0].align = tunora::kAlignCenter;
  fs.headers[1].fields = "CO";
  fs.headers[1].align = tunora::kAlignRight;
  fs.headers[1].after = true;
  NullCanvas null;
  // Through the listing canvas, so that every reported item is formatted too.
  tunora::ListingCanvas canvas(null);
  tunora::UserSymbols symbols;
  if (file.headerText) symbols.LoadFromText(*file.headerText);
  tunora::DrawJob job;
  job.pageWidth = 21000;
  job.pageHeight = 29700;
  job.fileSymbols = &symbols;
  tunora::DrawContext dc(canvas, fs, tunora::LayoutParams(), tunora::SymbolMap(), job);
  for (size_t i = 1; i <= file.TuneCount() && i <= 20; ++i) {
    if (!dc.DrawTune(*file.TuneAt(static_cast<int>(i)))) break;
  }
  dc.Finish();
  return 0;
}
