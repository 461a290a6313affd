// The drawing window's view: the tune's pages on the paper of the print setup, one
// below the other, drawn anew from the live settings at every paint (a change on
// the layout sheets shows at once). Zoom with Ctrl+wheel, Ctrl++ and Ctrl+-, or fit
// the page width; scroll with the wheel and the keys, Page Up and Page Down go by
// page, Ctrl+Home and Ctrl+End to the first and the last. A click on a note, rest, bar line, chord
// or decoration selects its ABC in the editor the drawing follows; the editor's cursor marks the
// item under it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

#include "draw/DrawContext.h"
#include "draw/ItemHitMap.h"
#include "gui/app/CMinFormView.h"

class QScrollArea;
class QCheckBox;
class QLabel;

namespace tunora {

class CDrawDoc;

// The pages themselves.
class DrawPages : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kGap = 16;  // pixels around and between pages

  explicit DrawPages(CDrawDoc* doc, QWidget* parent = nullptr);

  // Zoom: 1 is the paper's real size on the screen.
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);
  // Drawing units to pixels at the current zoom.
  double PixelsPerUnit() const;
  PaperSize Paper() const;
  QSize PagePixels() const;
  int PageCount() const { return pages_; }
  // Top of page n (from 1) in widget pixels.
  int PageTop(int page) const;

  // The items of the last paint.
  const ItemHitMap& Items() const { return items_; }
  // The item under a widget point, or null.
  const ItemHitMap::Entry* ItemAt(const QPoint& point) const;
  // Marks the item drawn from a byte of tune 0's canonical text (none: nullopt).
  void MarkSource(std::optional<size_t> offset);
  const ItemHitMap::Entry* Marked() const;
  // Marks the note the player makes heard (tune -1: none).
  void MarkHeard(int tune, int64_t offset);
  const ItemHitMap::Entry* Heard() const;

  QSize sizeHint() const override;

 signals:
  void ItemClicked(int tune, int32_t begin, int32_t end);
  void ZoomRequested(int steps);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void DrawPageFrame(QPainter& painter, int page) const;
  void UpdateSize();

  CDrawDoc* doc_;
  double zoom_ = 1.0;
  int pages_ = 1;
  ItemHitMap items_;
  std::optional<size_t> markOffset_;
  int heardTune_ = -1;
  int64_t heardOffset_ = -1;
};

class CDrawView : public CMinFormView {
  Q_OBJECT

 public:
  static constexpr double kMinZoom = 0.25;
  static constexpr double kMaxZoom = 6.0;

  explicit CDrawView(CDrawDoc* document, QWidget* parent = nullptr);

  CDrawDoc* Doc() const;
  DrawPages* Pages() const { return pages_; }
  QScrollArea* ScrollArea() const { return scroll_; }
  QCheckBox* FollowBox() const { return follow_; }

  void ZoomIn();
  void ZoomOut();
  void SetZoom(double zoom);
  // The zoom at which a page fills the window's width.
  void FitWidth();
  // Scrolls to the top of the next (+1) or previous (-1) page.
  void StepPage(int direction);
  // Export: asks for a file name, writes PDF, SVG or PNG pages.
  void Export();
  bool ExportTo(const QString& path);

  void OnInitialUpdate() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateZoomLabel();
  void ClickedItem(int tune, int32_t begin, int32_t end);

  DrawPages* pages_;
  QScrollArea* scroll_;
  QLabel* zoomLabel_;
  QCheckBox* follow_;
};

}  // namespace tunora
