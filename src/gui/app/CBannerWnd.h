// The start-up banner: a small window above the others that stays until the
// first key press or mouse button press, or until more than three seconds
// have passed since the start time. Closing it runs the one-time checks.
#pragma once

#include <QWidget>

class QTimer;

namespace tunora {

class CTunoraApp;

class CBannerWnd : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kShowMilliseconds = 3000;

  explicit CBannerWnd(QWidget* parent = nullptr);
  ~CBannerWnd() override;

  // Starts waiting for the end of the time counted from the application's start time.
  void StartTiming(CTunoraApp* app);
  // Closes the banner now (once); emits Closed.
  void CloseBanner();
  // The banner on screen, or null.
  static CBannerWnd* Current() { return current_; }
  static void CloseCurrent() {
    if (current_) current_->CloseBanner();
  }

 signals:
  void Closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static CBannerWnd* current_;
  QTimer* timer_ = nullptr;
  bool closed_ = false;
};

}  // namespace tunora
