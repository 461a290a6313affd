// The layout listing: every laid-out item of a drawing as one text line, "page system
// staff kind symbol x y begin end" and, for items with text, the text in double
// quotes. The listing canvas passes measuring and drawing on to another canvas and
// keeps the lines, so the listing shows exactly what that canvas drew.
#pragma once

#include <string>

#include "draw/Canvas.h"

namespace tunora {

// One listing line (ending in a line feed).
std::string FormatLaidOutItem(const LaidOutItem& item);

class ListingCanvas : public Canvas {
 public:
  explicit ListingCanvas(Canvas& inner) : inner_(inner) {}

  int32_t TextWidth(const CanvasFont& font, std::string_view text) override {
    return inner_.TextWidth(font, text);
  }
  FontMetrics Metrics(const CanvasFont& font) override { return inner_.Metrics(font); }
  GlyphBox CharBox(const CanvasFont& font, uint8_t character) override {
    return inner_.CharBox(font, character);
  }
  void DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t character) override {
    inner_.DrawChar(font, x, y, character);
  }
  void DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) override {
    inner_.DrawText(font, x, y, text);
  }
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) override {
    inner_.DrawLine(x1, y1, x2, y2, thickness);
  }
  void DrawPolygon(const CanvasPoint* points, size_t count) override {
    inner_.DrawPolygon(points, count);
  }
  void DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                   int32_t thickness) override {
    inner_.DrawEllipse(cx, cy, rx, ry, filled, thickness);
  }
  void DrawAlignedText(const CanvasFont& font, int32_t left, int32_t right, int32_t y,
                       std::string_view text, TextAlign align) override {
    inner_.DrawAlignedText(font, left, right, y, text, align);
  }
  bool NewPage() override { return inner_.NewPage(); }
  void Item(const LaidOutItem& item) override {
    listing_ += FormatLaidOutItem(item);
    inner_.Item(item);
  }

  const std::string& Listing() const { return listing_; }

 private:
  Canvas& inner_;
  std::string listing_;
};

}  // namespace tunora
