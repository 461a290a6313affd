// A Canvas that measures with fixed metrics and records what is drawn, for tests of
// the notation engine.
#pragma once

#include <string>
#include <vector>

#include "draw/Canvas.h"
#include "draw/DrawContext.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"
#include "tunefile/TuneFile.h"

namespace tunora::test {

struct Op {
  enum Type { kChar, kText, kLine, kPolygon, kEllipse, kNewPage } type;
  CanvasFont font{};
  int32_t x = 0, y = 0, x2 = 0, y2 = 0, thickness = 0;
  uint8_t c = 0;
  std::string text{};
  std::vector<CanvasPoint> points{};
  int page = 1;
};

class RecordingCanvas : public Canvas {
 public:
  // Every text character is half the font height wide; symbol characters 0.3 of it.
  int32_t TextWidth(const CanvasFont& font, std::string_view text) override {
    if (font.symbol) return static_cast<int32_t>(text.size()) * font.height * 3 / 10;
    return static_cast<int32_t>(text.size()) * font.height / 2;
  }
  FontMetrics Metrics(const CanvasFont& font) override {
    return {font.height * 8 / 10, font.height * 2 / 10};
  }
  GlyphBox CharBox(const CanvasFont& font, uint8_t) override {
    int32_t w = font.symbol ? font.height * 3 / 10 : font.height / 2;
    return {w, 0, w, -font.height / 8, font.height / 8};
  }
  void DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t c) override {
    Op op{Op::kChar};
    op.font = font;
    op.x = x;
    op.y = y;
    op.c = c;
    Add(std::move(op));
  }
  void DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) override {
    Op op{Op::kText};
    op.font = font;
    op.x = x;
    op.y = y;
    op.text = std::string(text);
    Add(std::move(op));
  }
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t t) override {
    Op op{Op::kLine};
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.thickness = t;
    Add(std::move(op));
  }
  void DrawPolygon(const CanvasPoint* p, size_t n) override {
    Op op{Op::kPolygon};
    op.points.assign(p, p + n);
    Add(std::move(op));
  }
  void DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool, int32_t) override {
    Op op{Op::kEllipse};
    op.x = cx;
    op.y = cy;
    op.x2 = rx;
    op.y2 = ry;
    Add(std::move(op));
  }
  bool NewPage() override {
    if (refuseNewPage) return false;
    Op op{Op::kNewPage};
    Add(std::move(op));
    ++page;
    return true;
  }

  std::vector<Op> ops;
  int page = 1;
  bool refuseNewPage = false;

 private:
  void Add(Op op) {
    op.page = page;
    ops.push_back(std::move(op));
  }
};

// A staff found among the recorded lines: the y of its bottom line and its x range.
struct Staff {
  int32_t bottom = 0;
  int32_t left = 0;
  int32_t right = 0;
  int page = 1;
};

// Staves: five horizontal lines LineSpacing apart with the LineThickness pen.
inline std::vector<Staff> FindStaves(const std::vector<Op>& ops, int32_t spacing = 210) {
  std::vector<Staff> staves;
  for (size_t i = 0; i + 4 < ops.size(); ++i) {
    bool five = true;
    for (size_t k = 0; k < 5; ++k) {
      const Op& o = ops[i + k];
      if (o.type != Op::kLine || o.y != o.y2 ||
          o.y != ops[i].y + static_cast<int32_t>(k) * spacing || o.x != ops[i].x ||
          o.x2 != ops[i].x2)
        five = false;
    }
    if (five) {
      staves.push_back({ops[i].y, ops[i].x, ops[i].x2, ops[i].page});
      i += 4;
    }
  }
  return staves;
}

// Characters drawn within a staff's height (one staff space around it).
inline std::vector<Op> CharsOf(const std::vector<Op>& ops, const Staff& s, int32_t spacing = 210) {
  std::vector<Op> out;
  for (const Op& o : ops) {
    if (o.type == Op::kChar && o.page == s.page && o.y >= s.bottom - 3 * spacing &&
        o.y <= s.bottom + 7 * spacing)
      out.push_back(o);
  }
  return out;
}

inline int Count(const std::vector<Op>& ops, uint8_t c) {
  int n = 0;
  for (const Op& o : ops)
    if (o.type == Op::kChar && o.c == c) ++n;
  return n;
}

// One tune from text (an X: line and header first).
inline std::unique_ptr<TuneFile> MakeFile(const std::string& text) {
  auto file = std::make_unique<TuneFile>();
  file->SplitTunes(text, true, 0, false);
  return file;
}

struct Drawing {
  RecordingCanvas canvas;
  FormatSettings format;
  LayoutParams layout;
  SymbolMap symbols;
  DrawJob job;

  Drawing() {
    job.pageWidth = 21000;
    job.pageHeight = 29700;
  }
  // Draws every tune of text; returns the context's result.
  bool Draw(const std::string& text) {
    auto file = MakeFile(text);
    DrawContext dc(canvas, format, layout, symbols, job);
    bool ok = true;
    for (size_t i = 1; i <= file->TuneCount(); ++i)
      ok = dc.DrawTune(*file->TuneAt(static_cast<int>(i))) && ok;
    dc.Finish();
    return ok;
  }
};

}  // namespace tunora::test
