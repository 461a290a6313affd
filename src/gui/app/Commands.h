// The commands of the menus and the toolbar, and how windows take part in them.
// A command goes first to the edit field that has the focus (Cut, Copy, Paste,
// Delete, Select All, Undo, Replace), then to the active view, then to its
// document, then to the application. The first that handles it ends the route.
#pragma once

#include <string>

namespace tunora {

enum class CommandId {
  // File
  kFileNew,
  kFileOpen,
  kFileClose,
  kFileSave,
  kFileSaveAs,
  kFileSaveTuneAs,
  kFileReload,
  kFileMakeList,
  kFileImportBww,
  kFileImportBgp,
  kFileImportSongWright,
  kFilePrint,
  kFilePrintPreview,
  kFilePrintSetup,
  kFileExit,
  // Edit
  kEditUndo,
  kEditRedo,
  kEditCut,
  kEditCopy,
  kEditPaste,
  kEditDelete,
  kEditSelectAll,
  kEditReplace,
  kEditFind,
  kEditFindNext,
  kEditFindPrevious,
  kEditFindFile,
  kEditPreferences,
  kEditPlaybackOptions,
  kEditPlaybackSettings,
  kEditDrawLayout,
  kEditCommentSelection,
  kEditChordwiseOptions,
  // Tune
  kTuneEdit,
  kTuneRawEdit,
  kTuneInsert,
  kTuneTextAfter,
  kTuneRenumber,
  kTuneTools,
  kTuneDraw,
  kTunePlay,
  kTunePlayNow,
  kTuneStopPlay,
  kTunePausePlay,
  kTuneExpandHeader,
  kTuneKeyHelp,
  kTuneNextError,
  kTuneShowErrors,
  // View (panes of the tune editor)
  kViewHeaders,
  kViewTune,
  kViewWords,
  // Help
  kHelpContents,
  kHelpTips,
  kHelpAbout,
  kHelpContext,
  kCount
};

// What a window says about a command when the menus and the toolbar are updated.
struct CommandState {
  bool enabled = false;
  bool checked = false;
  std::string text;  // menu text (UTF-8) in place of the command's own, when set
};

// A participant in the command route. Both functions return true when this
// target decides the command: OnCommand when it ran it, OnUpdateCommand when it
// filled in the state (enabled or not). Returning false passes it on.
class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual bool OnCommand(CommandId /*id*/) { return false; }
  virtual bool OnUpdateCommand(CommandId /*id*/, CommandState& /*state*/) { return false; }
};

}  // namespace tunora
