// The main window: a multiple-document frame (QMdiArea) with the menus, the
// toolbar and the status bar (message, CAPS and NUM panes). Its caption
// carries the active window's title, "Tunora - [Reels.abc]". Commands from the
// menus, the toolbar and the shortcuts are routed to the focused edit field,
// the active view, its document and the application, in that order. Closing
// it saves its placement, the toolbar state and the window list.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>

#include "gui/app/Commands.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QToolBar;

namespace tunora {

class CMinFormDoc;
class CMinFormView;
struct WindowPlacement;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  QMdiArea* MdiArea() const { return mdiArea_; }
  // The view of the active child window, and its document (null when none).
  CMinFormView* ActiveView() const;
  CMinFormDoc* ActiveDocument() const;
  // Every form view in the MDI area, in window order.
  std::vector<CMinFormView*> Views() const;

  // Puts a view into a frame of the MDI area (a CMinFormMDIChild, or what its
  // document template makes) and returns the frame; not yet shown.
  QMdiSubWindow* AddView(CMinFormView* view);
  // Brings a view's window to the front.
  void ActivateView(CMinFormView* view);

  // The action of a command (menu item, toolbar button, shortcut).
  QAction* Action(CommandId id) const { return actions_[static_cast<size_t>(id)]; }
  // Runs a command along the route; true when someone handled it.
  bool RunCommand(CommandId id);
  // The state of a command along the route.
  CommandState CommandStateOf(CommandId id) const;
  // Refreshes the enabled and checked state of every action.
  void UpdateCommands();

  // The status bar's message pane.
  void SetMessageText(const QString& text);
  // "Ready" in the message pane.
  void SetIdleMessage();
  // A message in the status bar for some seconds (it covers the message pane).
  void ShowStatusMessage(const QString& text);

  // Placement of the main window in the ten-number format, and back.
  WindowPlacement CurrentPlacement() const;
  void ApplyPlacement(const WindowPlacement& placement, bool hidden);
  // Placement of a child frame inside the MDI area, and back.
  static WindowPlacement FramePlacement(const QMdiSubWindow* frame);
  static void ApplyFramePlacement(QMdiSubWindow* frame, const WindowPlacement& placement);

  // Writes the placement, the toolbar state and (when SaveWindows is on) the
  // window list to the settings file; skipped in no-save mode.
  void SaveWindowState();

  // The File menu's recent-file entries are rebuilt from the application's list.
  void UpdateRecentFileMenu();

  // Toolbar and status bar (for tests and the View menu).
  QToolBar* ToolBar() const { return toolBar_; }
  QLabel* CapsPane() const { return capsPane_; }
  QLabel* NumPane() const { return numPane_; }
  // The active window's place: "Tune 3 of 120" in a tune list.
  QLabel* PositionPane() const { return positionPane_; }
  QMenu* WindowMenu() const { return windowMenu_; }

  // Opens the local files of dropped data; returns how many were files.
  int OpenDroppedFiles(const QMimeData* data);

  // Window > Close All: closes the child windows, front first, and stops at the
  // first one that stays open. True when all are closed.
  bool CloseAllWindows();

  // True while the frame is closing (documents close without the close guard's dialog).
  bool IsClosing() const { return closing_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  QAction* MakeAction(CommandId id, const QString& text, const QString& tip,
                      const QKeySequence& shortcut = {});
  void UpdateCaption();
  void UpdateWindowMenu();
  void UpdateLockPanes();
  void UpdatePositionPane();
  bool CloseAllDocuments();
  void KeepNormal(QMdiSubWindow* frame);

  QMdiArea* mdiArea_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QLabel* messagePane_ = nullptr;
  QLabel* capsPane_ = nullptr;
  QLabel* numPane_ = nullptr;
  QLabel* positionPane_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* recentMenuAnchor_ = nullptr;
  QAction* recentSeparator_ = nullptr;
  std::vector<QAction*> recentActions_;
  QMenu* windowMenu_ = nullptr;
  QAction* toolBarToggle_ = nullptr;
  QAction* statusBarToggle_ = nullptr;
  std::array<QAction*, static_cast<size_t>(CommandId::kCount)> actions_{};
  bool closing_ = false;
  bool destroying_ = false;
  // The child window active before the one now active, and whether the maximised
  // state is being handed back to it.
  QPointer<QMdiSubWindow> lastActive_;
  bool keepingNormal_ = false;
};

}  // namespace tunora
