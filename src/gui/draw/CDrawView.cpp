#include "gui/draw/CDrawView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "draw/DrawTunes.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/draw/CDrawDoc.h"
#include "gui/draw/CLayoutProp.h"
#include "gui/draw/DrawPrint.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/editor/CTuneView.h"
#include "platform/canvas/PageCanvas.h"

namespace tunora {
namespace {

constexpr double kZoomStep = 1.25;

double ScreenDpi() {
  CTunoraApp* app = CTunoraApp::Instance();
  return app != nullptr && app->ScreenDpiX() > 0 ? app->ScreenDpiX() : 96.0;
}

}  // namespace

// --- the pages ---------------------------------------------------------------------------

DrawPages::DrawPages(CDrawDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  setFocusPolicy(Qt::NoFocus);
  UpdateSize();
}

PaperSize DrawPages::Paper() const { return ScreenPaper(FormatSettings::Application().unit); }

double DrawPages::PixelsPerUnit() const {
  return zoom_ * ScreenDpi() / FormatSettings::Application().UnitsPerInch();
}

QSize DrawPages::PagePixels() const {
  PaperSize paper = Paper();
  double ppu = PixelsPerUnit();
  return QSize(std::max(1, static_cast<int>(std::lround(paper.width * ppu))),
               std::max(1, static_cast<int>(std::lround(paper.height * ppu))));
}

int DrawPages::PageTop(int page) const {
  return kGap + (page - 1) * (PagePixels().height() + kGap);
}

void DrawPages::SetZoom(double zoom) {
  zoom_ = zoom;
  UpdateSize();
  update();
}

QSize DrawPages::sizeHint() const {
  QSize page = PagePixels();
  return QSize(page.width() + 2 * kGap, kGap + pages_ * (page.height() + kGap));
}

void DrawPages::UpdateSize() { resize(sizeHint()); }

void DrawPages::DrawPageFrame(QPainter& painter, int page) const {
  const QSize size = PagePixels();
  const QRect rect(kGap, PageTop(page), size.width(), size.height());
  painter.resetTransform();
  painter.setPen(QColor(90, 90, 90));
  painter.setBrush(QColor(60, 60, 60, 90));
  painter.drawRect(rect.translated(3, 3));
  painter.setBrush(Qt::white);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  const FormatSettings& fs = FormatSettings::Application();
  if (fs.showMargins) {
    // The printable area and the lines of the page header and footer.
    const double ppu = PixelsPerUnit();
    auto px = [ppu](int32_t units) { return static_cast<int>(std::lround(units * ppu)); };
    QPen pen(QColor(120, 160, 210), 1, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const PaperSize paper = Paper();
    QRect area(rect.left() + px(fs.leftMargin), rect.top() + px(fs.topMargin),
               px(paper.width - fs.leftMargin - fs.rightMargin),
               px(paper.height - fs.topMargin - fs.bottomMargin));
    painter.drawRect(area);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    if (fs.headerDistance > 0) {
      int y = rect.top() + px(fs.headerDistance);
      painter.drawLine(area.left(), y, area.right(), y);
    }
    if (fs.footerDistance > 0) {
      int y = rect.bottom() - px(fs.footerDistance);
      painter.drawLine(area.left(), y, area.right(), y);
    }
  }
  painter.setPen(Qt::black);
  painter.setBrush(Qt::black);
}

void DrawPages::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), QColor(128, 128, 128));
  const FormatSettings& fs = FormatSettings::Application();
  const double ppu = PixelsPerUnit();
  const PaperSize paper = Paper();
  int page = 1;
  items_.Clear();
  DrawPageFrame(painter, page);
  auto origin = [this](int p) { return QPointF(kGap, PageTop(p)); };
  painter.translate(origin(page));
  const QSize pagePixels = PagePixels();
  auto shown = [&](int p) {
    return event->rect().intersects(QRect(origin(p).toPoint(), pagePixels));
  };
  PageCanvas canvas(&painter, ppu, [&]() {
    ++page;
    DrawPageFrame(painter, page);
    painter.translate(origin(page));
    canvas.Attach(&painter, ppu);
    canvas.SetPainting(shown(page));
    return true;
  });
  canvas.SetPainting(shown(page));
  canvas.RecordItems(&items_);
  const DrawSource& source = doc_->Source();
  DrawTunes(canvas, source.Pointers(), fs, LayoutParams::Application(), CurrentSymbolMap(),
            MakeDrawJob(source, paper),
            [&canvas](size_t tune) { canvas.SetTune(static_cast<int>(tune)); });
  // The item at the editor's cursor in orange, the note heard in green.
  const std::pair<const ItemHitMap::Entry*, QColor> marks[] = {{Marked(), QColor(255, 140, 0, 90)},
                                                               {Heard(), QColor(40, 180, 60, 110)}};
  for (const auto& [mark, colour] : marks) {
    if (mark == nullptr) continue;
    painter.resetTransform();
    painter.translate(origin(mark->page));
    painter.scale(ppu, ppu);
    QRectF box(mark->left, -mark->top, mark->right - mark->left, mark->top - mark->bottom);
    const double pad = 3 / ppu;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRect(box.adjusted(-pad, -pad, pad, pad));
  }
  if (page != pages_) {
    pages_ = page;
    UpdateSize();
    update();
  }
}

const ItemHitMap::Entry* DrawPages::ItemAt(const QPoint& point) const {
  const QSize size = PagePixels();
  const int stride = size.height() + kGap;
  const int page = (point.y() - kGap) / stride + 1;
  if (point.y() < kGap || page < 1 || page > pages_) return nullptr;
  const double ppu = PixelsPerUnit();
  const int32_t x = static_cast<int32_t>((point.x() - kGap) / ppu);
  const int32_t y = static_cast<int32_t>(-(point.y() - PageTop(page)) / ppu);
  return items_.At(page, x, y, static_cast<int32_t>(4 / ppu));
}

void DrawPages::MarkSource(std::optional<size_t> offset) {
  if (offset == markOffset_) return;
  markOffset_ = offset;
  update();
}

const ItemHitMap::Entry* DrawPages::Marked() const {
  if (!markOffset_) return nullptr;
  return items_.BySource(0, static_cast<int32_t>(*markOffset_));
}

void DrawPages::MarkHeard(int tune, int64_t offset) {
  if (tune == heardTune_ && offset == heardOffset_) return;
  heardTune_ = tune;
  heardOffset_ = offset;
  update();
}

const ItemHitMap::Entry* DrawPages::Heard() const {
  if (heardTune_ < 0 || heardOffset_ < 0) return nullptr;
  return items_.BySource(heardTune_, static_cast<int32_t>(heardOffset_));
}

void DrawPages::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  if (const ItemHitMap::Entry* e = ItemAt(event->pos())) {
    markOffset_ = static_cast<size_t>(e->begin);
    update();
    emit ItemClicked(e->tune, e->begin, e->end);
  }
}

void DrawPages::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    int steps = event->angleDelta().y() / 120;
    if (steps != 0) emit ZoomRequested(steps);
    event->accept();
    return;
  }
  QWidget::wheelEvent(event);
}

// --- the view ----------------------------------------------------------------------------

CDrawView::CDrawView(CDrawDoc* document, QWidget* parent)
    : CMinFormView(document, parent),
      pages_(new DrawPages(document)),
      scroll_(new QScrollArea(this)),
      zoomLabel_(new QLabel(this)),
      follow_(new QCheckBox(QStringLiteral("&Follow the editor"), this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(4, 2, 4, 2);
  auto button = [bar, row](const QString& text, const QString& tip, auto slot) {
    auto* b = new QToolButton(bar);
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    QObject::connect(b, &QToolButton::clicked, slot);
    row->addWidget(b);
    return b;
  };
  button(QStringLiteral("\u2212"), QStringLiteral("Zoom out (Ctrl+-)"), [this] { ZoomOut(); });
  row->addWidget(zoomLabel_);
  button(QStringLiteral("+"), QStringLiteral("Zoom in (Ctrl++)"), [this] { ZoomIn(); });
  button(QStringLiteral("Fit Width"), QStringLiteral("Fit the page width to the window"),
         [this] { FitWidth(); });
  button(QStringLiteral("Real Size"), QStringLiteral("The paper's real size (100%)"),
         [this] { SetZoom(1.0); });
  row->addSpacing(12);
  button(QStringLiteral("Layout..."), QStringLiteral("Draw and Print Layout"), [this] {
    if (RunLayoutSheet(this)) pages_->update();
  });
  button(QStringLiteral("Export..."), QStringLiteral("Write the pages as PDF, SVG or PNG"),
         [this] { Export(); });
  row->addSpacing(12);
  row->addWidget(follow_);
  row->addStretch(1);
  layout->addWidget(bar);
  scroll_->setWidget(pages_);
  scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QPalette around = scroll_->palette();
  around.setColor(QPalette::Window, QColor(128, 128, 128));
  scroll_->setPalette(around);
  scroll_->setBackgroundRole(QPalette::Window);
  scroll_->setFocusPolicy(Qt::StrongFocus);
  scroll_->installEventFilter(this);
  layout->addWidget(scroll_, 1);

  follow_->setVisible(document->Editor() != nullptr);
  follow_->setChecked(document->Following());
  connect(follow_, &QCheckBox::toggled, document, &CDrawDoc::SetFollowing);

  auto* zoomIn = new QShortcut(QKeySequence::ZoomIn, this, [this] { ZoomIn(); });
  auto* zoomIn2 = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this, [this] { ZoomIn(); });
  auto* zoomOut = new QShortcut(QKeySequence::ZoomOut, this, [this] { ZoomOut(); });
  for (QShortcut* s : {zoomIn, zoomIn2, zoomOut}) s->setContext(Qt::WidgetWithChildrenShortcut);

  connect(pages_, &DrawPages::ZoomRequested, this,
          [this](int steps) { SetZoom(pages_->Zoom() * std::pow(kZoomStep, steps)); });
  connect(pages_, &DrawPages::ItemClicked, this, &CDrawView::ClickedItem);
  connect(document, &CDrawDoc::SourceChanged, this, [this] {
    pages_->MarkSource(Doc()->EditorCursorOffset());
    pages_->update();
  });
  connect(document, &CDrawDoc::NoteHeard, pages_, &DrawPages::MarkHeard);
  connect(document, &CDrawDoc::EditorCursorMoved, this,
          [this] { pages_->MarkSource(Doc()->EditorCursorOffset()); });
  if (CTunoraApp* app = CTunoraApp::Instance())
    connect(app, &CTunoraApp::SettingsChanged, pages_, [this] { SetZoom(pages_->Zoom()); });
  UpdateZoomLabel();
  SetFormSize(QSize(320, 240));
}

CDrawDoc* CDrawView::Doc() const { return static_cast<CDrawDoc*>(Document()); }

void CDrawView::OnInitialUpdate() {
  CMinFormView::OnInitialUpdate();
  if (QMdiSubWindow* frame = Frame()) {
    // A page's width at real size, as tall as the MDI area allows.
    QWidget* area = frame->mdiArea() != nullptr ? frame->mdiArea()->viewport() : nullptr;
    QSize page = pages_->PagePixels();
    int width =
        page.width() + 2 * DrawPages::kGap + scroll_->verticalScrollBar()->sizeHint().width() + 12;
    int height = area != nullptr ? area->height() : 700;
    if (area != nullptr) width = std::min(width, area->width());
    ResizeClientTo(QSize(width, std::max(240, height - 40)));
  }
  CTuneDoc* editor = Doc()->Editor();
  if (editor == nullptr) return;
  // The preview goes beside its editor: the editor on the left half of the area,
  // the drawing on the right, the page fitted to its width.
  QMdiSubWindow* frame = Frame();
  CTuneView* editorView = editor->View();
  QMdiSubWindow* editorFrame = editorView != nullptr ? editorView->Frame() : nullptr;
  if (frame != nullptr && editorFrame != nullptr && frame->mdiArea() != nullptr) {
    const QSize area = frame->mdiArea()->viewport()->size();
    const int half = area.width() / 2;
    if (editorFrame->isMaximized() || frame->isMaximized()) {
      editorFrame->showNormal();
      frame->showNormal();
    }
    editorFrame->setGeometry(0, 0, std::max(half, editorFrame->minimumWidth()), area.height());
    frame->setGeometry(editorFrame->geometry().right() + 1, 0,
                       std::max(240, area.width() - editorFrame->width()), area.height());
    FitWidth();
  }
  pages_->MarkSource(Doc()->EditorCursorOffset());
}

void CDrawView::UpdateZoomLabel() {
  zoomLabel_->setText(QStringLiteral("%1%").arg(std::lround(pages_->Zoom() * 100)));
}

void CDrawView::SetZoom(double zoom) {
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  // Keep the point at the top of the window where it is in the music.
  QScrollBar* v = scroll_->verticalScrollBar();
  const double before =
      pages_->height() > 0 ? static_cast<double>(v->value()) / pages_->height() : 0;
  pages_->SetZoom(zoom);
  v->setValue(static_cast<int>(before * pages_->height()));
  UpdateZoomLabel();
}

void CDrawView::ZoomIn() { SetZoom(pages_->Zoom() * kZoomStep); }
void CDrawView::ZoomOut() { SetZoom(pages_->Zoom() / kZoomStep); }

void CDrawView::FitWidth() {
  const int available = scroll_->viewport()->width() - 2 * DrawPages::kGap;
  const int page = pages_->PagePixels().width();
  if (available <= 0 || page <= 0) return;
  SetZoom(pages_->Zoom() * available / page);
}

void CDrawView::StepPage(int direction) {
  QScrollBar* v = scroll_->verticalScrollBar();
  const int stride = pages_->PagePixels().height() + DrawPages::kGap;
  int current = (v->value() + stride / 2) / stride + 1;  // the page nearest the top
  int target = std::clamp(current + direction, 1, std::max(1, pages_->PageCount()));
  v->setValue(pages_->PageTop(target) - DrawPages::kGap);
}

bool CDrawView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scroll_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp) {
      StepPage(key->key() == Qt::Key_PageDown ? 1 : -1);
      return true;
    }
    if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) &&
        (key->modifiers() & Qt::ControlModifier)) {
      QScrollBar* v = scroll_->verticalScrollBar();
      v->setValue(key->key() == Qt::Key_Home ? v->minimum() : v->maximum());
      return true;
    }
  }
  return CMinFormView::eventFilter(watched, event);
}

void CDrawView::ClickedItem(int tune, int32_t begin, int32_t end) {
  Doc()->SelectInEditor(tune, begin, end);
}

bool CDrawView::ExportTo(const QString& path) {
  QString error;
  if (ExportPages(path, Doc()->Source(), 150, error)) return true;
  MessageWarning(this, error);
  return false;
}

void CDrawView::Export() {
  QString path = CLarkFileDialog::GetSaveFileName(
      this, QStringLiteral("Export"), QString(),
      QStringLiteral("PDF Files (*.pdf);;SVG Files (*.svg);;PNG Files (*.png)"));
  if (path.isEmpty()) return;
  ExportTo(path);
}

}  // namespace tunora
