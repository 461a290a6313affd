#include "gui/app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tunora {

namespace {
QPixmap Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(42, 157, 143));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  // A quaver: head, stem and flag.
  p.setBrush(Qt::white);
  p.save();
  p.translate(25, 46);
  p.rotate(-20);
  p.drawEllipse(QRectF(-10, -7, 20, 14));
  p.restore();
  p.drawRect(QRectF(32, 12, 4.5, 34));
  QPainterPath flag;
  flag.moveTo(36, 12);
  flag.cubicTo(40, 20, 52, 22, 48, 36);
  flag.cubicTo(47, 28, 42, 25, 36, 24);
  flag.closeSubpath();
  p.drawPath(flag);
  return pixmap;
}
}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(Draw(size));
  return icon;
}

}  // namespace tunora
