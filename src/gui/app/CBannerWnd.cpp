#include "gui/app/CBannerWnd.h"

#include <QApplication>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "gui/app/CTunoraApp.h"

namespace tunora {

CBannerWnd* CBannerWnd::current_ = nullptr;

CBannerWnd::CBannerWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(420, 220);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  current_ = this;
  qApp->installEventFilter(this);
}

CBannerWnd::~CBannerWnd() {
  qApp->removeEventFilter(this);
  if (current_ == this) current_ = nullptr;
}

void CBannerWnd::StartTiming(CTunoraApp* app) {
  if (closed_) return;
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  QPointer<CTunoraApp> guarded(app);
  connect(timer_, &QTimer::timeout, this, [this, guarded] {
    // The first idle moment after the time is up closes the banner.
    qint64 since = guarded ? guarded->MillisecondsSinceStart() : kShowMilliseconds + 1;
    qint64 left = kShowMilliseconds + 1 - since;
    if (left > 0) {
      timer_->start(static_cast<int>(left));
    } else {
      CloseBanner();
    }
  });
  timer_->start(0);
}

void CBannerWnd::CloseBanner() {
  if (closed_) return;
  closed_ = true;
  qApp->removeEventFilter(this);
  if (current_ == this) current_ = nullptr;
  close();
  emit Closed();
}

bool CBannerWnd::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      // Closed after the event has been delivered, so the press still counts.
      QTimer::singleShot(0, this, &CBannerWnd::CloseBanner);
      break;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

void CBannerWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(38, 70, 83));
  sky.setColorAt(1, QColor(42, 157, 143));
  p.fillRect(rect(), sky);

  // Five staff lines across the banner.
  p.setPen(QPen(QColor(255, 255, 255, 70), 1.2));
  for (int i = 0; i < 5; ++i) {
    int y = 128 + i * 9;
    p.drawLine(24, y, width() - 24, y);
  }

  QFont title = font();
  title.setPointSize(30);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 30, width(), 60), Qt::AlignHCenter | Qt::AlignVCenter,
             QStringLiteral("Tunora"));

  QFont sub = font();
  sub.setPointSize(11);
  p.setFont(sub);
  p.setPen(QColor(240, 240, 240));
  p.drawText(QRect(0, 86, width(), 24), Qt::AlignHCenter | Qt::AlignVCenter,
             QStringLiteral("Folk tune collections in ABC notation"));
  QString version = QCoreApplication::applicationVersion();
  if (!version.isEmpty()) {
    p.drawText(QRect(0, height() - 34, width(), 24), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Version %1").arg(version));
  }
  p.setPen(QColor(255, 255, 255, 120));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tunora
