// The drawing surface of the notation engine. The engine lays music out in drawing
// units (0.01 mm when the unit is centimetres, 0.001 inch when inches) with y growing
// upward and y = 0 at the top edge of the paper, so positions on the page are
// negative. A platform adapter maps these units onto a screen, a printer or a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunora {

// A font as the engine asks for it.
struct CanvasFont {
  std::string face;
  int32_t height = 0;  // character height (the em), in drawing units
  bool bold = false;
  bool italic = false;
  bool underline = false;
  // A music symbol font: each byte is a character of the font's own 8-bit set.
  bool symbol = false;

  bool operator==(const CanvasFont&) const = default;
};

// Vertical extent of a text font, in drawing units (both positive).
struct FontMetrics {
  int32_t ascent = 0;
  int32_t descent = 0;
};

// One character: its advance and the box of its ink, relative to the point it is
// drawn at (its baseline origin), y upward.
struct GlyphBox {
  int32_t advance = 0;
  int32_t left = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t top = 0;
};

struct CanvasPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const CanvasPoint&) const = default;
};

enum class TextAlign { kLeft, kCenter, kRight };

// One laid-out item as the engine reports it just before drawing it: where it sits,
// what it is, and which bytes of the tune text it came from. The layout listing of
// tunora-cli and the drawing window's click-to-source are built on these reports.
struct LaidOutItem {
  int page = 0;             // counted from 1
  int system = 0;           // counted from 1 within the tune
  int staff = 0;            // counted from 1 within the system
  std::string_view kind;    // "note", "rest", "bar", "chord", "lyric", ...
  std::string_view symbol;  // the music-font symbol drawn ("sharp", "g_clef"), or "-"
  int32_t x = 0;            // reference point, drawing units
  int32_t y = 0;
  // Byte range [begin, end) in the canonical tune text (as tunora-cli tune prints
  // it); -1 -1 where the item has no source.
  int32_t begin = -1;
  int32_t end = -1;
  std::string_view text;  // for items that carry text
  // The item's ink box on the page, y upward (left <= right, bottom <= top).
  int32_t left = 0;
  int32_t bottom = 0;
  int32_t right = 0;
  int32_t top = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Measuring.
  virtual int32_t TextWidth(const CanvasFont& font, std::string_view text) = 0;
  virtual FontMetrics Metrics(const CanvasFont& font) = 0;
  virtual GlyphBox CharBox(const CanvasFont& font, uint8_t character) = 0;

  // Drawing; y is the baseline. Texts are bytes of the tune file (UTF-8, or code
  // page 1252 where they are not valid UTF-8).
  virtual void DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t character) = 0;
  virtual void DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) = 0;
  virtual void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) = 0;
  // A filled polygon.
  virtual void DrawPolygon(const CanvasPoint* points, size_t count) = 0;
  // An ellipse around (cx, cy); filled, or outlined with the given thickness.
  virtual void DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                           int32_t thickness) = 0;

  // One line of text between left and right, aligned; y is the baseline.
  virtual void DrawAlignedText(const CanvasFont& font, int32_t left, int32_t right, int32_t y,
                               std::string_view text, TextAlign align) {
    int32_t x = left;
    if (align != TextAlign::kLeft) {
      int32_t w = TextWidth(font, text);
      x = align == TextAlign::kRight ? right - w : left + (right - left - w) / 2;
    }
    DrawText(font, x, y, text);
  }

  // Ends the current page and starts the next one; false when the device cannot
  // (the drawing then stops).
  virtual bool NewPage() = 0;

  // Told of each laid-out item before it is drawn; canvases that only draw ignore it.
  virtual void Item(const LaidOutItem& item) { (void)item; }
};

}  // namespace tunora
