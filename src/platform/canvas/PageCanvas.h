// The notation engine's canvas for the drawing window and for printers: a QtCanvas
// whose new page is whatever the owner says (the next page below on the screen, a
// new printer page), and which keeps the engine's item reports for hit testing.
#pragma once

#include <functional>

#include "draw/ItemHitMap.h"
#include "platform/canvas/QtCanvas.h"

class QPagedPaintDevice;

namespace tunora {

class PageCanvas : public QtCanvas {
 public:
  // newPage is called for every page after the first; false stops the drawing.
  PageCanvas(QPainter* painter, double pixelsPerUnit, std::function<bool()> newPage)
      : QtCanvas(painter, pixelsPerUnit), newPage_(std::move(newPage)) {}

  bool NewPage() override { return newPage_ ? newPage_() : false; }

  // Items are recorded into map (when set) as belonging to tune.
  void RecordItems(ItemHitMap* map) { items_ = map; }
  void SetTune(int tune) { tune_ = tune; }
  void Item(const LaidOutItem& item) override {
    if (items_ != nullptr) items_->Add(item, tune_);
  }

  // A page the screen does not show is laid out and measured but not painted.
  void SetPainting(bool on) { painting_ = on; }
  void DrawChar(const CanvasFont& font, int32_t x, int32_t y, uint8_t character) override {
    if (painting_) QtCanvas::DrawChar(font, x, y, character);
  }
  void DrawText(const CanvasFont& font, int32_t x, int32_t y, std::string_view text) override {
    if (painting_) QtCanvas::DrawText(font, x, y, text);
  }
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) override {
    if (painting_) QtCanvas::DrawLine(x1, y1, x2, y2, thickness);
  }
  void DrawPolygon(const CanvasPoint* points, size_t count) override {
    if (painting_) QtCanvas::DrawPolygon(points, count);
  }
  void DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                   int32_t thickness) override {
    if (painting_) QtCanvas::DrawEllipse(cx, cy, rx, ry, filled, thickness);
  }

 private:
  std::function<bool()> newPage_;
  ItemHitMap* items_ = nullptr;
  int tune_ = 0;
  bool painting_ = true;
};

}  // namespace tunora
