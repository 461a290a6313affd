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

 private:
  std::function<bool()> newPage_;
  ItemHitMap* items_ = nullptr;
  int tune_ = 0;
};

}  // namespace tunora
