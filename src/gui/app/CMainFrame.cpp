#include "gui/app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

#include "base/IniFile.h"
#include "app/WindowList.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormMDIChild.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/ExternalProgramMenus.h"
#include "platform/desktop/KeyLocks.h"

namespace tunora {

namespace {

constexpr size_t Index(CommandId id) { return static_cast<size_t>(id); }

// A toolbar picture: the theme's icon when there is one, else a small drawn
// badge with a short label.
// The desktop's icon for a freedesktop name, else the one of that name in the icon
// set beside the program or in the program directory (icons/NAME.svg); null when neither has it.
QIcon ThemeOrBundledIcon(const QString& themeName) {
  QIcon themed = QIcon::fromTheme(themeName);
  if (!themed.isNull()) return themed;
  // Beside the program in a build; in the program directory once installed.
  QStringList dirs{QCoreApplication::applicationDirPath() + QStringLiteral("/icons/")};
  if (CTunoraApp* app = CTunoraApp::Instance()) dirs << app->DataFilePath(QStringLiteral("icons/"));
  for (const QString& dir : dirs) {
    const QString bundled = dir + themeName + QStringLiteral(".svg");
    if (QFileInfo(bundled).isFile()) return QIcon(bundled);
  }
  return {};
}

QIcon BadgeIcon(const QString& themeName, const QString& label, const QColor& color) {
  QIcon themed = ThemeOrBundledIcon(themeName);
  if (!themed.isNull()) return themed;
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(color.darker(140), 1.5));
  p.setBrush(color);
  p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
  QFont f = QApplication::font();
  f.setBold(true);
  f.setPixelSize(label.size() > 2 ? 11 : (label.size() > 1 ? 14 : 18));
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, label);
  return QIcon(pixmap);
}

QIcon StyleIcon(QStyle::StandardPixmap pixmap, const QString& themeName) {
  QIcon themed = QIcon::fromTheme(themeName);
  if (!themed.isNull()) return themed;
  return QApplication::style()->standardIcon(pixmap);
}

CTunoraApp* App() { return CTunoraApp::Instance(); }

constexpr const char* kOwnText = "tunoraOwnText";

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainFrame"));
  mdiArea_ = new QMdiArea(this);
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
  setCentralWidget(mdiArea_);
  setAcceptDrops(true);

  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();

  connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* frame) {
    KeepNormal(frame);
    UpdateCaption();
    UpdateCommands();
  });
  if (CTunoraApp* app = App()) {
    connect(app, &CTunoraApp::DocumentsChanged, this, [this] {
      UpdateCaption();
      UpdateCommands();
    });
  }
  // Menus and buttons follow the focus and the selection.
  auto* idle = new QTimer(this);
  connect(idle, &QTimer::timeout, this, [this] {
    UpdateCommands();
    UpdateLockPanes();
    UpdatePositionPane();
  });
  idle->start(300);
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommands(); });
  qApp->installEventFilter(this);

  UpdateCaption();
  SetIdleMessage();
  UpdateCommands();
}

CMainFrame::~CMainFrame() {
  // The child windows go first, while the frame is still whole: closing them
  // closes their documents, which the frame hears about.
  destroying_ = true;
  qApp->removeEventFilter(this);
  for (QMdiSubWindow* sub : mdiArea_->subWindowList()) delete sub;
}

// --- actions, menus, toolbar ------------------------------------------------------

QAction* CMainFrame::MakeAction(CommandId id, const QString& text, const QString& tip,
                                const QKeySequence& shortcut) {
  auto* action = new QAction(text, this);
  // A window may name the command more closely ("Undo Delete"); this is the text
  // shown when none does.
  action->setProperty(kOwnText, text);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  action->setStatusTip(tip);
  action->setWhatsThis(tip);
  action->setToolTip(QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
  connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  actions_[Index(id)] = action;
  addAction(action);  // shortcuts work while the menu bar is hidden too
  return action;
}

void CMainFrame::CreateActions() {
  using C = CommandId;
  MakeAction(C::kFileNew, "&New", "Create a new tune file", QKeySequence::New);
  MakeAction(C::kFileOpen, "&Open...", "Open a tune file", QKeySequence::Open);
  MakeAction(C::kFileClose, "&Close", "Close the active tune file");
  MakeAction(C::kFileSave, "&Save", "Save the active tune file", QKeySequence::Save);
  MakeAction(C::kFileSaveAs, "Save &As...", "Save the active tune file under a new name");
  MakeAction(C::kFileSaveTuneAs, "Save &Tune As...",
             "Add the edited tune to its file as a new tune");
  MakeAction(C::kFileReload, "&Reload", "Read the tune file again from disk",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
  MakeAction(C::kFileMakeList, "&Make List...", "Make a list, index or song book of tunes",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  MakeAction(C::kFileImportBww, "&Bagpipe Music Writer / Bagpipe Player (BWW/BMW) File(s)...",
             "Import Bagpipe Music Writer files");
  MakeAction(C::kFileImportBgp, QStringLiteral("&P\u00ECob Mh\u00F3r (BGP) File(s)..."),
             "Import Piob Mhor files");
  MakeAction(C::kFileImportSongWright, "&SongWright File(s)...", "Import SongWright files");
  MakeAction(C::kFilePrint, "&Print...", "Print the current tune", QKeySequence::Print);
  MakeAction(C::kFilePrintPreview, "Print Pre&view", "Show the printed pages");
  MakeAction(C::kFilePrintSetup, "P&rint Setup...", "Choose the printer and the paper");
  MakeAction(C::kFileExit, "E&xit", "Quit Tunora");

  MakeAction(C::kEditUndo, "&Undo", "Take back the last change", QKeySequence::Undo);
  MakeAction(C::kEditRedo, "&Redo", "Do again what Undo took back")
      ->setShortcuts(
          {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  MakeAction(C::kEditCut, "Cu&t", "Move the selected tunes to the clipboard", QKeySequence::Cut);
  MakeAction(C::kEditCopy, "&Copy", "Copy the selected tunes to the clipboard", QKeySequence::Copy);
  MakeAction(C::kEditPaste, "&Paste", "Insert tunes from the clipboard", QKeySequence::Paste);
  MakeAction(C::kEditDelete, "&Delete", "Remove the selected tunes", QKeySequence(Qt::Key_Delete));
  MakeAction(C::kEditSelectAll, "Select A&ll", "Select every line", QKeySequence::SelectAll);
  MakeAction(C::kEditFind, "&Find...", "Find text or music", QKeySequence::Find);
  MakeAction(C::kEditFindNext, "Find &Next", "Find the next occurrence", QKeySequence(Qt::Key_F3));
  MakeAction(C::kEditFindPrevious, "Find Pre&vious", "Find the previous occurrence",
             QKeySequence(Qt::CTRL | Qt::Key_F3));
  MakeAction(C::kEditFindFile, "Find F&ile...", "Search tune files for text or music",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  MakeAction(C::kEditReplace, "R&eplace...", "Replace text in the current field",
             QKeySequence(Qt::CTRL | Qt::Key_H));
  MakeAction(C::kEditPreferences, "P&references...", "Change the general preferences");
  MakeAction(C::kEditPlaybackOptions, "Pla&yback and MIDI Options...",
             "Change the playback options, rhythms, chords and backing styles");
  MakeAction(C::kEditPlaybackSettings, "Playback Setti&ngs...",
             "Choose the MIDI device and the melody instrument");
  MakeAction(C::kEditChordwiseOptions, "&Chordwise Chord Setting...",
             "Change the weights of automatic chord setting");
  MakeAction(C::kEditDrawLayout, "Draw and Print &Layout...",
             "Change the page, font, header and tune settings of drawn music");
  MakeAction(C::kEditCommentSelection, "Co&mment Selection",
             "Turn the selected lines of the tune into comments, or back");

  MakeAction(C::kTuneEdit, "&Edit", "Edit the current tune or the file header",
             QKeySequence(Qt::CTRL | Qt::Key_E));
  MakeAction(C::kTuneRawEdit, "&Raw Edit", "Edit the current tune as plain text",
             QKeySequence(Qt::CTRL | Qt::Key_R));
  MakeAction(C::kTuneInsert, "&Insert Tune/Header", "Insert a new tune after the current one",
             QKeySequence(Qt::Key_Insert));
  MakeAction(C::kTuneTextAfter, "&Text after Tune...", "Edit the text that follows the tune");
  MakeAction(C::kTuneRenumber, "Re&number Tunes...", "Give the tunes consecutive numbers");
  MakeAction(C::kTuneTools, "T&ools...", "Open the tune tools: tidy, set chords, transpose",
             QKeySequence(Qt::CTRL | Qt::Key_T));
  MakeAction(C::kTuneDraw, "&Draw", "Show the tune as staff notation");
  MakeAction(C::kTunePlay, "&Play", "Play the current tune");
  MakeAction(C::kTunePlayNow, "Play &Now", "Play the current tune at once");
  MakeAction(C::kTuneStopPlay, "&Stop Play", "Stop playing");
  MakeAction(C::kTunePausePlay, "P&ause Play", "Pause or continue playing");
  MakeAction(C::kTuneExpandHeader, "E&xpand Header", "Show the whole value of the header line",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
  MakeAction(C::kTuneKeyHelp, "&Key/Mode Help...", "Find a key and mode",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  MakeAction(C::kTuneNextError, "Next Error", "Go to the next ABC error in the tune",
             QKeySequence(Qt::Key_F4));
  MakeAction(C::kTuneShowErrors, "Show Errors", "Show the errors of the last play again",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
  MakeAction(C::kViewHeaders, "&Headers", "Show or hide the header fields",
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H));
  MakeAction(C::kViewTune, "T&une", "Show or hide the tune body",
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T));
  MakeAction(C::kViewWords, "&Words", "Show or hide the words",
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_W));

  MakeAction(C::kHelpContents, "&Contents", "Show the user manual", QKeySequence::HelpContents);
  MakeAction(C::kHelpTips, "&Tips...", "Show the tips of the day");
  MakeAction(C::kHelpAbout, "&About Tunora...", "Show the program version");
  MakeAction(C::kHelpContext, "&What's This?", "Help on a button or menu item",
             QKeySequence(Qt::SHIFT | Qt::Key_F1));

  // Toolbar pictures.
  auto icon = [this](C id, const QIcon& i) { actions_[Index(id)]->setIcon(i); };
  icon(C::kFileNew, StyleIcon(QStyle::SP_FileIcon, "document-new"));
  icon(C::kFileOpen, StyleIcon(QStyle::SP_DialogOpenButton, "document-open"));
  icon(C::kFileReload, StyleIcon(QStyle::SP_BrowserReload, "view-refresh"));
  icon(C::kFileSave, StyleIcon(QStyle::SP_DialogSaveButton, "document-save"));
  icon(C::kFileMakeList, BadgeIcon("x-office-document", "List", QColor(90, 110, 160)));
  icon(C::kEditUndo, StyleIcon(QStyle::SP_ArrowBack, "edit-undo"));
  icon(C::kEditRedo, StyleIcon(QStyle::SP_ArrowForward, "edit-redo"));
  icon(C::kEditCut, BadgeIcon("edit-cut", "Cut", QColor(170, 80, 70)));
  icon(C::kEditCopy, BadgeIcon("edit-copy", "Cpy", QColor(70, 120, 170)));
  icon(C::kEditPaste, BadgeIcon("edit-paste", "Pst", QColor(70, 140, 100)));
  icon(C::kTuneInsert, BadgeIcon("list-add", "Ins", QColor(120, 110, 60)));
  icon(C::kEditFind, BadgeIcon("edit-find", "F", QColor(110, 80, 150)));
  icon(C::kEditFindNext, BadgeIcon("go-next", "F+", QColor(110, 80, 150)));
  icon(C::kEditFindFile, BadgeIcon("system-search", "FF", QColor(110, 80, 150)));
  icon(C::kTuneEdit, BadgeIcon("document-edit", "Ed", QColor(60, 120, 140)));
  icon(C::kTuneTools, BadgeIcon("applications-utilities", "Tl", QColor(60, 120, 140)));
  icon(C::kTuneDraw, BadgeIcon("x-office-drawing", "\u266A", QColor(60, 120, 140)));
  icon(C::kTunePlay, StyleIcon(QStyle::SP_MediaPlay, "media-playback-start"));
  icon(C::kTunePlayNow, StyleIcon(QStyle::SP_MediaSeekForward, "media-seek-forward"));
  icon(C::kTuneStopPlay, StyleIcon(QStyle::SP_MediaStop, "media-playback-stop"));
  icon(C::kTunePausePlay, StyleIcon(QStyle::SP_MediaPause, "media-playback-pause"));
  icon(C::kHelpContext, StyleIcon(QStyle::SP_TitleBarContextHelpButton, "help-contextual"));
  icon(C::kHelpContents, StyleIcon(QStyle::SP_DialogHelpButton, "help-contents"));
}

void CMainFrame::CreateMenus() {
  using C = CommandId;
  auto a = [this](C id) { return actions_[Index(id)]; };

  fileMenu_ = menuBar()->addMenu("&File");
  fileMenu_->addAction(a(C::kFileNew));
  fileMenu_->addAction(a(C::kFileOpen));
  fileMenu_->addAction(a(C::kFileClose));
  fileMenu_->addAction(a(C::kFileReload));
  fileMenu_->addSeparator();
  fileMenu_->addAction(a(C::kFileSave));
  fileMenu_->addAction(a(C::kFileSaveAs));
  fileMenu_->addAction(a(C::kFileSaveTuneAs));
  fileMenu_->addSeparator();
  fileMenu_->addAction(a(C::kFileMakeList));
  QMenu* import = fileMenu_->addMenu("&Import");
  import->addAction(a(C::kFileImportBww));
  import->addAction(a(C::kFileImportBgp));
  import->addAction(a(C::kFileImportSongWright));
  QAction* external = fileMenu_->addAction("External Program");
  external->setEnabled(false);
  fileMenu_->addSeparator();
  fileMenu_->addAction(a(C::kFilePrint));
  fileMenu_->addAction(a(C::kFilePrintPreview));
  fileMenu_->addAction(a(C::kFilePrintSetup));
  recentSeparator_ = fileMenu_->addSeparator();
  fileMenu_->addSeparator();
  fileMenu_->addAction(a(C::kFileExit));

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addAction(a(C::kEditUndo));
  edit->addAction(a(C::kEditRedo));
  edit->addSeparator();
  edit->addAction(a(C::kEditCut));
  edit->addAction(a(C::kEditCopy));
  edit->addAction(a(C::kEditPaste));
  edit->addAction(a(C::kEditDelete));
  edit->addAction(a(C::kEditSelectAll));
  edit->addSeparator();
  edit->addAction(a(C::kEditFind));
  edit->addAction(a(C::kEditFindNext));
  edit->addAction(a(C::kEditFindPrevious));
  edit->addAction(a(C::kEditFindFile));
  edit->addAction(a(C::kEditReplace));
  edit->addSeparator();
  edit->addAction(a(C::kEditCommentSelection));
  edit->addSeparator();
  edit->addAction(a(C::kEditPreferences));
  edit->addAction(a(C::kEditPlaybackOptions));
  edit->addAction(a(C::kEditPlaybackSettings));
  edit->addAction(a(C::kEditChordwiseOptions));
  edit->addAction(a(C::kEditDrawLayout));

  QMenu* view = menuBar()->addMenu("&View");
  toolBarToggle_ = view->addAction("&Toolbar");
  toolBarToggle_->setCheckable(true);
  toolBarToggle_->setChecked(true);
  statusBarToggle_ = view->addAction("&Status Bar");
  statusBarToggle_->setCheckable(true);
  statusBarToggle_->setChecked(true);
  view->addSeparator();
  view->addAction(a(C::kViewHeaders));
  view->addAction(a(C::kViewTune));
  view->addAction(a(C::kViewWords));
  connect(toolBarToggle_, &QAction::toggled, this, [this](bool on) {
    if (toolBar_) toolBar_->setVisible(on);
  });
  connect(statusBarToggle_, &QAction::toggled, this,
          [this](bool on) { statusBar()->setVisible(on); });

  QMenu* tune = menuBar()->addMenu("&Tune");
  tune->addAction(a(C::kTuneEdit));
  tune->addAction(a(C::kTuneRawEdit));
  tune->addAction(a(C::kTuneInsert));
  tune->addAction(a(C::kTuneTextAfter));
  tune->addAction(a(C::kTuneRenumber));
  tune->addAction(a(C::kTuneExpandHeader));
  tune->addAction(a(C::kTuneKeyHelp));
  tune->addSeparator();
  tune->addAction(a(C::kTunePlay));
  tune->addAction(a(C::kTunePlayNow));
  tune->addAction(a(C::kTuneStopPlay));
  tune->addAction(a(C::kTunePausePlay));
  tune->addAction(a(C::kTuneNextError));
  tune->addAction(a(C::kTuneShowErrors));
  tune->addSeparator();
  tune->addAction(a(C::kTuneTools));
  tune->addAction(a(C::kTuneDraw));
  tune->addSeparator();
  QAction* tuneExternal = tune->addAction("External Program");
  tuneExternal->setEnabled(false);

  InstallExternalProgramMenus(this, fileMenu_, external, tune, tuneExternal, edit);

  windowMenu_ = menuBar()->addMenu("&Window");
  connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);
  UpdateWindowMenu();

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(a(C::kHelpContents));
  help->addAction(a(C::kHelpTips));
  help->addAction(a(C::kHelpContext));
  help->addSeparator();
  help->addAction(a(C::kHelpAbout));

  for (QMenu* menu : {fileMenu_, edit, view, tune, help}) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
  }
}

void CMainFrame::CreateToolBar() {
  using C = CommandId;
  toolBar_ = addToolBar("Toolbar");
  toolBar_->setObjectName(QStringLiteral("MainToolBar"));
  toolBar_->setIconSize(QSize(22, 22));
  const std::vector<std::vector<C>> groups = {
      {C::kFileNew, C::kFileOpen, C::kFileReload},
      {C::kFileSave},
      {C::kFileMakeList},
      {C::kEditCut, C::kEditCopy, C::kEditPaste, C::kTuneInsert},
      {C::kEditFind, C::kEditFindNext, C::kEditFindFile},
      {C::kTuneEdit, C::kTuneTools, C::kTuneDraw, C::kTunePlay, C::kTunePlayNow, C::kTuneStopPlay,
       C::kTunePausePlay},
      {C::kHelpContext}};
  bool first = true;
  for (const auto& group : groups) {
    if (!first) toolBar_->addSeparator();
    first = false;
    for (C id : group) toolBar_->addAction(actions_[Index(id)]);
  }
  connect(toolBar_, &QToolBar::visibilityChanged, this, [this](bool visible) {
    if (!destroying_ && toolBarToggle_) toolBarToggle_->setChecked(visible);
  });
}

void CMainFrame::CreateStatusBar() {
  messagePane_ = new QLabel(this);
  messagePane_->setMinimumWidth(120);
  capsPane_ = new QLabel(this);
  numPane_ = new QLabel(this);
  positionPane_ = new QLabel(this);
  positionPane_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  positionPane_->setMinimumWidth(
      positionPane_->fontMetrics().horizontalAdvance(QStringLiteral("Tune 8888 of 8888")) + 14);
  for (QLabel* pane : {capsPane_, numPane_}) {
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("CAPS")) + 14);
  }
  statusBar()->addWidget(messagePane_, 1);
  statusBar()->addPermanentWidget(positionPane_);
  statusBar()->addPermanentWidget(capsPane_);
  statusBar()->addPermanentWidget(numPane_);
  // Status tips of menu items appear in the message pane.
  connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
    if (!destroying_) messagePane_->setVisible(message.isEmpty());
  });
  UpdateLockPanes();
}

void CMainFrame::SetMessageText(const QString& text) { messagePane_->setText(text); }

void CMainFrame::SetIdleMessage() { SetMessageText(QStringLiteral("Ready")); }

void CMainFrame::ShowStatusMessage(const QString& text) { statusBar()->showMessage(text, 10000); }

void CMainFrame::UpdatePositionPane() {
  if (destroying_) return;
  CMinFormView* view = ActiveView();
  const QString text = view != nullptr ? view->PositionText() : QString();
  if (positionPane_->text() != text) positionPane_->setText(text);
}

void CMainFrame::UpdateLockPanes() {
  if (destroying_) return;
  KeyLockState locks = QueryKeyLocks();
  capsPane_->setText(locks.known && locks.caps ? QStringLiteral("CAPS") : QString());
  numPane_->setText(locks.known && locks.num ? QStringLiteral("NUM") : QString());
}

// --- command routing ---------------------------------------------------------------

CMinFormView* CMainFrame::ActiveView() const {
  QMdiSubWindow* sub = mdiArea_->activeSubWindow();
  if (!sub) sub = mdiArea_->currentSubWindow();
  return sub ? qobject_cast<CMinFormView*>(sub->widget()) : nullptr;
}

CMinFormDoc* CMainFrame::ActiveDocument() const {
  CMinFormView* view = ActiveView();
  return view ? view->Document() : nullptr;
}

std::vector<CMinFormView*> CMainFrame::Views() const {
  std::vector<CMinFormView*> views;
  for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    if (auto* view = qobject_cast<CMinFormView*>(sub->widget())) views.push_back(view);
  }
  return views;
}

bool CMainFrame::RunCommand(CommandId id) {
  if (!CommandStateOf(id).enabled) return false;
  bool done = false;
  if (CMinFormView* view = ActiveView()) {
    done = view->EditFieldCommand(id) || view->OnCommand(id);
    if (!done) {
      if (CMinFormDoc* doc = view->Document()) done = doc->OnCommand(id);
    }
    if (!done && id == CommandId::kFileClose) {
      CMinFormDoc* doc = view->Document();
      if (doc && doc->CanCloseDocument()) App()->CloseDocument(doc);
      done = true;
    }
  }
  if (!done && App()) done = App()->OnCommand(id);
  UpdateCommands();
  return done;
}

CommandState CMainFrame::CommandStateOf(CommandId id) const {
  CommandState state;
  if (CMinFormView* view = ActiveView()) {
    if (view->EditFieldUpdate(id, state) || view->OnUpdateCommand(id, state)) return state;
    if (CMinFormDoc* doc = view->Document(); doc && doc->OnUpdateCommand(id, state)) return state;
    if (id == CommandId::kFileClose) {
      state.enabled = true;
      return state;
    }
  }
  if (App()) App()->OnUpdateCommand(id, state);
  return state;
}

void CMainFrame::UpdateCommands() {
  if (destroying_) return;
  for (size_t i = 0; i < actions_.size(); ++i) {
    QAction* action = actions_[i];
    if (!action) continue;
    CommandState state = CommandStateOf(static_cast<CommandId>(i));
    action->setEnabled(state.enabled);
    const QString text = state.text.empty() ? action->property(kOwnText).toString()
                                            : QString::fromStdString(state.text);
    if (action->text() != text) action->setText(text);
    if (state.checked != action->isChecked()) {
      action->setCheckable(state.checked);
      action->setChecked(state.checked);
    }
  }
}

// --- child windows -----------------------------------------------------------------

QMdiSubWindow* CMainFrame::AddView(CMinFormView* view) {
  CMinFormDoc* doc = view->Document();
  const DocTemplate* t = doc ? doc->Template() : nullptr;
  QMdiSubWindow* frame = nullptr;
  if (t && t->standardFrame) {
    frame = new QMdiSubWindow;
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWidget(view);
    if (doc) {
      frame->setWindowTitle(doc->Title());
      connect(doc, &CMinFormDoc::TitleChanged, frame, &QWidget::setWindowTitle);
    }
  } else {
    frame = new CMinFormMDIChild(view);
  }
  if (t && t->keepsNormal)
    frame->setWindowFlags(frame->windowFlags() & ~Qt::WindowMaximizeButtonHint);
  mdiArea_->addSubWindow(frame);
  if (doc) connect(doc, &CMinFormDoc::TitleChanged, this, [this] { UpdateCaption(); });
  connect(frame, &QObject::destroyed, this, [this] {
    UpdateCaption();
    UpdateCommands();
  });
  return frame;
}

// The area hands the maximised state of the window that was active on to the one
// activated. A window that keeps its size (it has no maximise button, so a
// maximised one got that way only here) gives it back and comes up as it was.
void CMainFrame::KeepNormal(QMdiSubWindow* frame) {
  if (frame == nullptr || keepingNormal_) return;
  QPointer<QMdiSubWindow> before = lastActive_;
  lastActive_ = frame;
  auto* child = qobject_cast<CMinFormMDIChild*>(frame);
  const CMinFormDoc* doc = child && child->View() ? child->View()->Document() : nullptr;
  const DocTemplate* t = doc ? doc->Template() : nullptr;
  if (t == nullptr || !t->keepsNormal || !frame->isMaximized()) return;
  keepingNormal_ = true;
  frame->showNormal();
  if (before && before != frame && !before->isMaximized()) before->showMaximized();
  mdiArea_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
  mdiArea_->setActiveSubWindow(frame);
  mdiArea_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, false);
  keepingNormal_ = false;
}

void CMainFrame::ActivateView(CMinFormView* view) {
  if (!view) return;
  if (QMdiSubWindow* frame = view->Frame()) {
    if (frame->isMinimized()) frame->showNormal();
    mdiArea_->setActiveSubWindow(frame);
  }
  UpdateCaption();
}

void CMainFrame::UpdateCaption() {
  if (destroying_) return;
  CMinFormDoc* doc = ActiveDocument();
  setWindowTitle(doc ? QStringLiteral("Tunora - [%1]").arg(doc->Title())
                     : QStringLiteral("Tunora"));
}

void CMainFrame::UpdateWindowMenu() {
  windowMenu_->clear();
  windowMenu_->addAction("&Cascade", mdiArea_, &QMdiArea::cascadeSubWindows);
  windowMenu_->addAction("&Tile", mdiArea_, &QMdiArea::tileSubWindows);
  windowMenu_->addAction("Close &All", this, [this] { CloseAllWindows(); });
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
  if (!windows.isEmpty()) windowMenu_->addSeparator();
  int n = 1;
  for (QMdiSubWindow* sub : windows) {
    QString title = sub->windowTitle();
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QString text = n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(title)
                          : QStringLiteral("%1 %2").arg(n).arg(title);
    QAction* action = windowMenu_->addAction(text);
    action->setCheckable(true);
    action->setChecked(sub == mdiArea_->activeSubWindow());
    connect(action, &QAction::triggered, this, [this, sub] {
      if (sub->isMinimized()) sub->showNormal();
      mdiArea_->setActiveSubWindow(sub);
    });
    ++n;
  }
}

void CMainFrame::UpdateRecentFileMenu() {
  for (QAction* action : recentActions_) {
    fileMenu_->removeAction(action);
    action->deleteLater();
  }
  recentActions_.clear();
  CTunoraApp* app = App();
  if (!app) return;
  const auto& entries = app->GetRecentFiles().Entries();
  QString home = QDir::homePath();
  QAction* before = nullptr;
  // The entries go right after the separator that follows the print commands.
  const QList<QAction*> all = fileMenu_->actions();
  int at = static_cast<int>(all.indexOf(recentSeparator_));
  if (at >= 0 && at + 1 < all.size()) before = all[at + 1];
  int n = 1;
  for (const std::string& entry : entries) {
    QString path = QString::fromStdString(entry);
    QString shown = path;
    if (!home.isEmpty() && shown.startsWith(home + QLatin1Char('/'))) {
      shown = QStringLiteral("~") + shown.mid(home.size());
    }
    shown = fontMetrics().elidedText(shown, Qt::ElideMiddle, 360);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* action = new QAction(QStringLiteral("&%1 %2").arg(n).arg(shown), fileMenu_);
    action->setStatusTip(path);
    connect(action, &QAction::triggered, this, [path] {
      if (CTunoraApp* a = App()) a->OpenDocumentFile(path);
    });
    fileMenu_->insertAction(before, action);
    recentActions_.push_back(action);
    ++n;
  }
  recentSeparator_->setVisible(!entries.empty());
}

// --- placement ---------------------------------------------------------------------

WindowPlacement CMainFrame::CurrentPlacement() const {
  WindowPlacement p;
  bool maximized = isMaximized();
  p.showCmd = isMinimized() ? kShowMinimized : (maximized ? kShowMaximized : kShowNormal);
  p.flags = maximized ? kRestoreToMaximized : 0;
  QRect r = (maximized || isMinimized()) ? normalGeometry() : geometry();
  if (!r.isValid()) r = geometry();
  p.left = r.left();
  p.top = r.top();
  p.right = r.left() + r.width();
  p.bottom = r.top() + r.height();
  return p;
}

void CMainFrame::ApplyPlacement(const WindowPlacement& placement, bool hidden) {
  QRect r(placement.left, placement.top, placement.Width(), placement.Height());
  if (r.width() >= 100 && r.height() >= 80) {
    // A window saved on a screen that is gone comes back on the primary screen.
    bool onScreen = false;
    for (QScreen* screen : QGuiApplication::screens()) {
      if (screen->availableGeometry().intersects(r)) onScreen = true;
    }
    if (!onScreen) {
      if (QScreen* primary = QGuiApplication::primaryScreen()) {
        r.moveTopLeft(primary->availableGeometry().topLeft());
      }
    }
    setGeometry(r);
  } else {
    resize(900, 650);
  }
  if (hidden) return;
  switch (placement.showCmd) {
    case kShowMaximized: showMaximized(); break;
    case kShowMinimized:
    case kShowMinimize:
    case kShowMinNoActive: showMinimized(); break;
    default:
      // Hidden is not a way to start a program the user asked for.
      show();
      break;
  }
}

WindowPlacement CMainFrame::FramePlacement(const QMdiSubWindow* frame) {
  WindowPlacement p;
  bool maximized = frame->isMaximized();
  p.showCmd = frame->isMinimized() ? kShowMinimized : (maximized ? kShowMaximized : kShowNormal);
  p.flags = maximized ? kRestoreToMaximized : 0;
  QRect r = frame->geometry();
  if (auto* child = qobject_cast<const CMinFormMDIChild*>(frame)) r = child->NormalGeometry();
  p.left = r.left();
  p.top = r.top();
  p.right = r.left() + r.width();
  p.bottom = r.top() + r.height();
  return p;
}

void CMainFrame::ApplyFramePlacement(QMdiSubWindow* frame, const WindowPlacement& placement) {
  QRect r(placement.left, placement.top, placement.Width(), placement.Height());
  if (r.width() > 0 && r.height() > 0) {
    r.setSize(r.size().expandedTo(frame->minimumSize()));
    frame->setGeometry(r);
    if (auto* view = qobject_cast<CMinFormView*>(frame->widget())) view->PlaceInsideClient();
  }
  switch (placement.showCmd) {
    case kShowMaximized: frame->showMaximized(); break;
    case kShowMinimized:
    case kShowMinimize:
    case kShowMinNoActive: frame->showMinimized(); break;
    default: break;
  }
}

void CMainFrame::SaveWindowState() {
  CTunoraApp* app = App();
  if (!app || app->CommandLine().noSave) return;
  IniFile ini;
  if (!ini.Load(app->IniPath())) return;  // a file that cannot be read is not overwritten
  WriteMainPlacement(ini, CurrentPlacement());
  ini.WriteString("Toolbars", "State", saveState().toBase64().toStdString());
  if (app->GetSettings().preferences.saveWindows && !app->CommandLine().playerOnly) {
    std::vector<SavedWindow> windows;
    int active = 0;
    QMdiSubWindow* activeFrame = mdiArea_->activeSubWindow();
    const std::vector<CMinFormView*> views = Views();
    for (const auto& t : app->Templates().Templates()) {
      if (!t->saveWindow) continue;
      for (CMinFormView* view : views) {
        if (!view->Document() || view->Document()->Template() != t.get()) continue;
        std::optional<WindowDoc> doc = t->saveWindow(view);
        if (!doc) continue;
        windows.push_back({FramePlacement(view->Frame()), *doc});
        if (view->Frame() == activeFrame) active = static_cast<int>(windows.size());
        if (t->saveFirstOnly) break;
      }
    }
    WriteWindowList(ini, windows, active);
  }
  if (ini.Modified()) ini.Save();
}

// --- closing and dropping --------------------------------------------------------------

bool CMainFrame::CloseAllWindows() {
  // The front window first; a window that stays open (Cancel) stops the rest.
  QList<QMdiSubWindow*> frames = mdiArea_->subWindowList(QMdiArea::StackingOrder);
  for (auto it = frames.crbegin(); it != frames.crend(); ++it) {
    QPointer<QMdiSubWindow> frame(*it);
    if (frame != nullptr && !frame->close()) return false;
  }
  return true;
}

bool CMainFrame::CloseAllDocuments() {
  CTunoraApp* app = App();
  if (!app) return true;
  // Windows on single tunes first, then the tune files they belong to.
  std::vector<CMinFormDoc*> docs = app->Documents();
  std::stable_partition(docs.begin(), docs.end(),
                        [](CMinFormDoc* d) { return d->TuneFileDocument() != nullptr; });
  for (CMinFormDoc* doc : docs) {
    if (!doc->SaveModified()) return false;
  }
  for (CMinFormDoc* doc : docs) app->CloseDocument(doc);
  return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  SaveWindowState();
  closing_ = true;
  if (!CloseAllDocuments()) {
    closing_ = false;
    event->ignore();
    return;
  }
  event->accept();
  if (CTunoraApp* app = App()) app->ExitInstance();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    for (const QUrl& url : event->mimeData()->urls()) {
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
  QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) return QMainWindow::dropEvent(event);
  event->acceptProposedAction();
  activateWindow();
  if (OpenDroppedFiles(event->mimeData()) == 0) QMainWindow::dropEvent(event);
}

int CMainFrame::OpenDroppedFiles(const QMimeData* mime) {
  QStringList files;
  if (mime && mime->hasUrls()) {
    for (const QUrl& url : mime->urls()) {
      if (url.isLocalFile()) files << url.toLocalFile();
    }
  }
  for (const QString& file : files) App()->OpenDocumentFile(file);
  return static_cast<int>(files.size());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_CapsLock || key->key() == Qt::Key_NumLock) UpdateLockPanes();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tunora
