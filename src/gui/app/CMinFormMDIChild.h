// The child frame of every form view: a resizable MDI child window that cannot
// be made smaller than its form. It measures the thickness of its own borders
// once and keeps its minimum size at the form size plus the borders. Its caption
// is the document's title; closing the last window of a document asks the
// document first.
#pragma once

#include <QMdiSubWindow>
#include <QRect>
#include <QSize>

namespace tunora {

class CMinFormView;

class CMinFormMDIChild : public QMdiSubWindow {
  Q_OBJECT

 public:
  explicit CMinFormMDIChild(CMinFormView* view, QWidget* parent = nullptr);

  CMinFormView* View() const { return view_; }
  // Frame size minus client size (the borders and the caption).
  QSize BorderSize() const;
  // Sets the minimum size to the view's form size plus the borders.
  void UpdateMinimumSize();

  // Closes without asking the document (used after the question was asked).
  void CloseWithoutAsking();

  // The geometry the window has, or comes back to, when neither minimised nor
  // maximised.
  QRect NormalGeometry() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateTitle();

  CMinFormView* view_;
  mutable QSize borders_;
  mutable bool bordersMeasured_ = false;
  bool skipQuestion_ = false;
  QRect normalGeometry_;
};

// Closes a frame after asking its document as the close box does; true when it closed.
bool CloseViewFrame(CMinFormView* view);

}  // namespace tunora
