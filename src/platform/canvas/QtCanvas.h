// The notation engine's Canvas on a QPainter: screen, PDF, SVG and PNG. Drawing
// units (0.01 mm or 0.001 inch, y upward, y = 0 at the paper's top edge) are mapped
// by the painter's transform; y is negated here so that the page grows downward on
// the device.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "draw/Canvas.h"

namespace tunora {

class QtCanvas : public Canvas {
 public:
  // painter is active on its device; pixelsPerUnit maps drawing units to device pixels.
  QtCanvas(QPainter* painter, double pixelsPerUnit);

  // Sets up a painter for drawing: the unit transform, white background, black pen,
  // antialiasing. Called for every new page (the painter is then a new one).
  void Attach(QPainter* painter, double pixelsPerUnit);
  QPainter* Painter() const { return painter_; }

  int32_t TextWidth(const CanvasFont& font, std::string_view text) override;
  FontMetrics Metrics(const CanvasFont& font) override;
  GlyphBox CharBox(const CanvasFont& font, uint8_t character) override;
  void DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t character) override;
  void DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) override;
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) override;
  void DrawPolygon(const CanvasPoint* points, size_t count) override;
  void DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                   int32_t thickness) override;
  bool NewPage() override { return false; }

  // The QFont of a canvas font (pixel size in drawing units).
  static QFont MakeFont(const CanvasFont& font);
  // The text of a symbol character: the private-use code U+F000 + c when the font
  // has it (symbol fonts keep their characters there), else the Latin-1 character.
  static QString SymbolText(const QFontMetricsF& metrics, uint8_t character);

 private:
  // A font with what was measured in it: the measures of Qt's font metrics do not
  // change, and asking them again costs a glyph lookup or a text shaping each time.
  struct CachedFont {
    CanvasFont fontSpec;
    QFont font;
    QFontMetricsF metrics;
    std::array<std::optional<GlyphBox>, 256> boxes{};
    std::array<std::optional<double>, 256> symbolAdvances{};
    std::unordered_map<std::string, int32_t> widths{};  // of texts, kept bounded
  };
  double SymbolAdvance(CachedFont& f, uint8_t c);
  CachedFont& Font(const CanvasFont& fontSpec);

  QPainter* painter_ = nullptr;
  std::vector<CachedFont> fonts_;
  size_t lastFont_ = 0;
};

}  // namespace tunora
