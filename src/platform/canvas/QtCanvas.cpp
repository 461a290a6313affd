#include "platform/canvas/QtCanvas.h"

#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <cmath>

#include "base/TextEncoding.h"

namespace tunora {
namespace {

QString FromBytes(std::string_view text) {
  return QString::fromStdString(DecodeText(text, TextEncoding::kUtf8));
}

int32_t Round(double v) { return static_cast<int32_t>(std::lround(v)); }

}  // namespace

QtCanvas::QtCanvas(QPainter* painter, double pixelsPerUnit) { Attach(painter, pixelsPerUnit); }

void QtCanvas::Attach(QPainter* painter, double pixelsPerUnit) {
  painter_ = painter;
  if (painter_ == nullptr) return;
  painter_->setRenderHint(QPainter::Antialiasing, true);
  painter_->setRenderHint(QPainter::TextAntialiasing, true);
  painter_->setBackground(Qt::white);
  painter_->setBackgroundMode(Qt::TransparentMode);
  painter_->setPen(Qt::black);
  painter_->setBrush(Qt::black);
  painter_->scale(pixelsPerUnit, pixelsPerUnit);
}

QFont QtCanvas::MakeFont(const CanvasFont& fontSpec) {
  QFont font(QString::fromStdString(fontSpec.face));
  font.setPixelSize(std::max(1, fontSpec.height));
  font.setWeight(fontSpec.bold ? QFont::Bold : QFont::Normal);
  font.setItalic(fontSpec.italic);
  font.setUnderline(fontSpec.underline);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(!fontSpec.symbol);
  if (fontSpec.symbol) font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

QtCanvas::CachedFont& QtCanvas::Font(const CanvasFont& fontSpec) {
  if (lastFont_ < fonts_.size() && fonts_[lastFont_].fontSpec == fontSpec) return fonts_[lastFont_];
  for (size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i].fontSpec == fontSpec) {
      lastFont_ = i;
      return fonts_[i];
    }
  }
  QFont font = MakeFont(fontSpec);
  fonts_.push_back(CachedFont{fontSpec, font, QFontMetricsF(font)});
  lastFont_ = fonts_.size() - 1;
  return fonts_.back();
}

QString QtCanvas::SymbolText(const QFontMetricsF& metrics, uint8_t c) {
  QChar pua(static_cast<char16_t>(0xF000 + c));
  if (metrics.inFont(pua)) return QString(pua);
  return QString(QChar(static_cast<char16_t>(c)));
}

double QtCanvas::SymbolAdvance(CachedFont& f, uint8_t c) {
  std::optional<double>& advance = f.symbolAdvances[c];
  if (!advance) advance = f.metrics.horizontalAdvance(SymbolText(f.metrics, c));
  return *advance;
}

int32_t QtCanvas::TextWidth(const CanvasFont& fontSpec, std::string_view text) {
  CachedFont& f = Font(fontSpec);
  if (fontSpec.symbol) {
    double w = 0;
    for (char c : text) w += SymbolAdvance(f, static_cast<uint8_t>(c));
    return Round(w);
  }
  // Texts are measured again and again while lines are wrapped and laid out; the
  // widths of the last few thousand are kept, so memory stays bounded.
  constexpr size_t kKeptWidths = 4096;
  std::string key(text);
  if (auto found = f.widths.find(key); found != f.widths.end()) return found->second;
  if (f.widths.size() >= kKeptWidths) f.widths.clear();
  const int32_t width = Round(f.metrics.horizontalAdvance(FromBytes(text)));
  f.widths.emplace(std::move(key), width);
  return width;
}

FontMetrics QtCanvas::Metrics(const CanvasFont& fontSpec) {
  CachedFont& f = Font(fontSpec);
  return FontMetrics{Round(f.metrics.ascent()), Round(f.metrics.descent())};
}

GlyphBox QtCanvas::CharBox(const CanvasFont& fontSpec, uint8_t c) {
  CachedFont& f = Font(fontSpec);
  std::optional<GlyphBox>& cached = f.boxes[c];
  if (cached) return *cached;
  QString s = fontSpec.symbol ? SymbolText(f.metrics, c)
                              : FromBytes(std::string_view(reinterpret_cast<const char*>(&c), 1));
  GlyphBox box;
  if (!s.isEmpty()) {
    QRectF ink = f.metrics.boundingRect(s.at(0));
    box.advance = Round(f.metrics.horizontalAdvance(s));
    if (!ink.isEmpty()) {
      box.left = Round(ink.left());
      box.right = Round(ink.right());
      box.top = Round(-ink.top());
      box.bottom = Round(-ink.bottom());
    }
  }
  cached = box;
  return box;
}

void QtCanvas::DrawChar(const CanvasFont& fontSpec, int32_t x, int32_t y, uint8_t c) {
  if (painter_ == nullptr) return;
  CachedFont& f = Font(fontSpec);
  painter_->setFont(f.font);
  painter_->setPen(Qt::black);
  QString s = fontSpec.symbol ? SymbolText(f.metrics, c)
                              : FromBytes(std::string_view(reinterpret_cast<const char*>(&c), 1));
  painter_->drawText(QPointF(x, -y), s);
}

void QtCanvas::DrawText(const CanvasFont& fontSpec, int32_t x, int32_t y, std::string_view text) {
  if (painter_ == nullptr || text.empty()) return;
  CachedFont& f = Font(fontSpec);
  painter_->setFont(f.font);
  painter_->setPen(Qt::black);
  if (fontSpec.symbol) {
    QString s;
    for (char c : text) s += SymbolText(f.metrics, static_cast<uint8_t>(c));
    painter_->drawText(QPointF(x, -y), s);
    return;
  }
  painter_->drawText(QPointF(x, -y), FromBytes(text));
}

void QtCanvas::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness) {
  if (painter_ == nullptr) return;
  QPen pen(Qt::black);
  pen.setWidthF(std::max(1, thickness));
  pen.setCapStyle(Qt::FlatCap);
  painter_->setPen(pen);
  painter_->drawLine(QPointF(x1, -y1), QPointF(x2, -y2));
}

void QtCanvas::DrawPolygon(const CanvasPoint* points, size_t count) {
  if (painter_ == nullptr || count < 3) return;
  QPolygonF poly;
  poly.reserve(static_cast<int>(count));
  for (size_t i = 0; i < count; ++i) poly << QPointF(points[i].x, -points[i].y);
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(Qt::black);
  painter_->drawPolygon(poly, Qt::WindingFill);
}

void QtCanvas::DrawEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, bool filled,
                           int32_t thickness) {
  if (painter_ == nullptr) return;
  if (filled) {
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(Qt::black);
  } else {
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1, thickness));
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
  }
  painter_->drawEllipse(QPointF(cx, -cy), rx, ry);
  painter_->setBrush(Qt::black);
}

}  // namespace tunora
