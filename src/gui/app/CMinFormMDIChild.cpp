#include "gui/app/CMinFormMDIChild.h"

#include <QCloseEvent>
#include <QStyle>

#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"

namespace tunora {

CMinFormMDIChild::CMinFormMDIChild(CMinFormView* view, QWidget* parent)
    : QMdiSubWindow(parent), view_(view) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view);
  if (CMinFormDoc* doc = view->Document()) {
    connect(doc, &CMinFormDoc::TitleChanged, this, &CMinFormMDIChild::UpdateTitle);
  }
  UpdateTitle();
  UpdateMinimumSize();
}

QSize CMinFormMDIChild::BorderSize() const {
  if (!bordersMeasured_) {
    // The frame's own margins and caption around the view; measured once.
    ensurePolished();
    QSize borders = size() - (view_ ? view_->size() : QSize());
    if (isVisible() && borders.width() >= 0 && borders.height() >= 0 && !isMaximized()) {
      borders_ = borders;
      bordersMeasured_ = true;
    } else {
      QMargins m = contentsMargins();
      int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
      return {m.left() + m.right(), m.top() + m.bottom() + caption};
    }
  }
  return borders_;
}

void CMinFormMDIChild::UpdateMinimumSize() {
  if (!view_) return;
  QSize form = view_->FormSize();
  if (!form.isValid()) return;
  setMinimumSize(form + BorderSize());
}

void CMinFormMDIChild::UpdateTitle() {
  if (view_ && view_->Document()) setWindowTitle(view_->Document()->Title());
}

void CMinFormMDIChild::CloseWithoutAsking() {
  skipQuestion_ = true;
  close();
}

void CMinFormMDIChild::closeEvent(QCloseEvent* event) {
  CMinFormDoc* doc = view_ ? view_->Document() : nullptr;
  if (!skipQuestion_ && doc && doc->Views().size() == 1 && !doc->CanCloseDocument()) {
    event->ignore();
    return;
  }
  skipQuestion_ = false;
  QMdiSubWindow::closeEvent(event);
}

QRect CMinFormMDIChild::NormalGeometry() const {
  if (!isMaximized() && !isMinimized()) return geometry();
  return normalGeometry_.isValid() ? normalGeometry_ : geometry();
}

void CMinFormMDIChild::moveEvent(QMoveEvent* event) {
  QMdiSubWindow::moveEvent(event);
  if (!isMaximized() && !isMinimized()) normalGeometry_ = geometry();
}

void CMinFormMDIChild::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  if (!isMaximized() && !isMinimized()) normalGeometry_ = geometry();
}

bool CloseViewFrame(CMinFormView* view) {
  if (!view) return false;
  QMdiSubWindow* frame = view->Frame();
  if (!frame) return false;
  return frame->close();
}

}  // namespace tunora
