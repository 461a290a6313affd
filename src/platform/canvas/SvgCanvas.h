// The notation engine's Canvas as an SVG page. Coordinates are drawing units (the
// view box is the paper in 0.01 mm or 0.001 inch), so the file needs no transforms.
// The glyphs of the notation font are written once per page as path definitions and
// placed with <use>, so a page shows the same music on a machine without that font;
// texts stay text. Measuring is done with Qt's font metrics, as on every canvas.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/canvas/QtCanvas.h"

namespace tunora {

class SvgCanvas : public Canvas {
 public:
  // A page of the given size in drawing units; unitsPerInch is 2540 or 1000.
  SvgCanvas(int32_t pageWidth, int32_t pageHeight, int32_t unitsPerInch);

  int32_t TextWidth(const CanvasFont& font, std::string_view text) override {
    return measure_.TextWidth(font, text);
  }
  FontMetrics Metrics(const CanvasFont& font) override { return measure_.Metrics(font); }
  GlyphBox CharBox(const CanvasFont& font, uint8_t c) override { return measure_.CharBox(font, c); }
  void DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t c) override;
  void DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) override;
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) override;
  void DrawPolygon(const CanvasPoint* points, size_t count) override;
  void DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                   int32_t thickness) override;
  bool NewPage() override { return false; }

  // The complete file of the page drawn so far.
  std::string Document() const;
  // Starts an empty page (the glyph definitions are written again for each page).
  void Clear();

 private:
  // The id of the path definition of a symbol character at a size, made on first use.
  const std::string* GlyphId(const CanvasFont& font, uint8_t c);
  // The path data of a symbol character at a size ("" for a glyph without ink), taken
  // from the font once and kept for the following pages.
  const std::string& GlyphPath(const std::string& key, const CanvasFont& font, uint8_t c);

  int32_t width_, height_, unitsPerInch_;
  QtCanvas measure_{nullptr, 1};
  std::string defs_;
  std::string body_;
  // (face and height, character) -> id; an empty id is a glyph without ink.
  std::map<std::pair<std::string, int>, std::string> glyphs_;
  std::map<std::string, int> faces_;
  // (face and height, character) -> path data; kept by Clear.
  std::map<std::pair<std::string, int>, std::string> paths_;
};

}  // namespace tunora
