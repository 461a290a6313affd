// Base of the program's form views (tune list, tune editor, player, found
// files, tune tools). A form view is a widget laid out as a form; it keeps the
// size of its form, below which its frame cannot shrink, and its current size,
// and it tells derived views how it was resized. Edit commands go to the edit
// field that has the focus before the view sees them.
#pragma once

#include <QSize>
#include <functional>
#include <QWidget>

#include "gui/app/Commands.h"

class QMdiSubWindow;

namespace tunora {

class CMinFormDoc;

class CMinFormView : public QWidget, public CommandTarget {
  Q_OBJECT

 public:
  explicit CMinFormView(CMinFormDoc* document, QWidget* parent = nullptr);
  ~CMinFormView() override;

  CMinFormDoc* Document() const { return document_; }

  // Called once after the view is in its frame and before it is shown. The
  // base sets the form size from the layout's minimum (when none was set) and
  // places the frame inside the MDI area.
  virtual void OnInitialUpdate();
  // Called by CMinFormDoc::UpdateAllViews.
  virtual void OnUpdate(CMinFormView* sender, int hint);
  // Where the user is in this window, for the status bar ("" for nothing).
  virtual QString PositionText() const { return {}; }

  // The size of the form: the smallest client size of the view.
  QSize FormSize() const { return formSize_; }
  void SetFormSize(const QSize& size);
  // The current client size.
  QSize ClientSize() const { return clientSize_; }

  // The frame holding the view (a CMinFormMDIChild or a plain QMdiSubWindow).
  QMdiSubWindow* Frame() const;

  // Moves and shrinks the frame so that it lies inside the MDI client area,
  // never below the form's size.
  void PlaceInsideClient();
  // Puts the frame into the lower left or the upper right corner of the MDI
  // client area.
  void PlaceLowerLeft();
  void PlaceUpperRight();
  // Resizes the frame so the view's client area gets that size (at least the
  // form size).
  void ResizeClientTo(const QSize& size);
  // A share of the main window's child area, in percent of its width and height;
  // an empty size outside an area. New windows without a saved size use it.
  QSize AreaShare(int widthPercent, int heightPercent) const;

  // The edit field that has the keyboard focus inside this view (a line edit,
  // a plain or rich text edit, or the edit field of a combo box), or null.
  QWidget* FocusedEditField() const;
  // Runs an edit command (Cut, Copy, Paste, Delete, Select All, Undo, Replace)
  // on the focused edit field. False when no edit field has the focus or the
  // command is no edit command.
  bool EditFieldCommand(CommandId id);
  bool EditFieldUpdate(CommandId id, CommandState& state) const;

  // Replace in an edit field is provided by the replace feature; it installs
  // these hooks. canStart says whether a replace can begin in that field now.
  struct ReplaceHooks {
    std::function<bool(QWidget* field)> canStart;
    std::function<void(QWidget* field)> start;
  };
  static void SetReplaceHooks(ReplaceHooks hooks);

 protected:
  // Called when the client size changed: both dimensions, only the width or
  // only the height (exactly one of them per change).
  virtual void OnSizeBoth(const QSize& size) { (void)size; }
  virtual void OnSizeWidth(int width) { (void)width; }
  virtual void OnSizeHeight(int height) { (void)height; }

  void resizeEvent(QResizeEvent* event) override;

 private:
  CMinFormDoc* document_;
  QSize formSize_;
  QSize clientSize_;
};

}  // namespace tunora
