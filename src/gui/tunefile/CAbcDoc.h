// The document of an open ABC file: it owns the file's TuneFile for its whole
// life, the lines of its tune list, and the character set its bytes are shown
// in. Its commands (Save, Edit, Cut, Paste, Undo, Redo, Renumber, Reload ...)
// work on the current tune and the selection of its tune list, through the tune
// file engine, whose history makes every change of the list one undo step.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextEncoding.h"
#include "gui/app/CMinFormDoc.h"
#include "tunefile/TuneFile.h"

namespace tunora {

class CAbcView;
class TuneListModel;
struct Settings;
struct FormatEnv;

class CAbcDoc : public CMinFormDoc {
  Q_OBJECT

 public:
  explicit CAbcDoc(QObject* parent = nullptr);
  ~CAbcDoc() override;

  TuneFile& File() { return *file_; }
  const TuneFile& File() const { return *file_; }
  TuneListModel& Model() { return *model_; }
  TextEncoding Encoding() const { return encoding_; }

  // The first tune list showing this document, or null.
  CAbcView* View() const;

  // --- text between the model and the screen ---------------------------------
  // Bytes of this file as visible text, and back.
  QString ToDisplay(std::string_view bytes) const;
  std::string FromDisplay(const QString& text) const;
  // A list line as shown (UTF-8): the tune list format expanded against tune n,
  // or the header line's text for line 0.
  std::string LineUtf8(int line) const;

  // --- life cycle ----------------------------------------------------------------
  bool OnNewDocument() override;
  bool OnOpenDocument(const QString& path) override;
  bool OnSaveDocument(const QString& path) override;
  bool DoFileSave() override;
  // Asks for a name (the program's file dialog, "Save As") and saves.
  bool DoSaveAs();
  bool CanCloseDocument() override;

  // --- commands ------------------------------------------------------------------
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

  void Edit(bool raw);
  void EditHeader();
  void EditTuneText(int position);
  void InsertTune();
  void TextAfterTune();
  void Copy();
  // Delete with confirmation; cut copies first.
  void RemoveSelected(bool cut);
  void Paste();
  // Takes back the last change of the list, or does the last undone one again;
  // refused while a tune it would take out is open in an editor.
  void Undo();
  void Redo();
  void Renumber();
  // Reload; true when the file was read again. Every TuneRecord of the file is
  // replaced: a window on one of its tunes that does not guard the file (see
  // CloseGuard) must not keep a pointer to the record across a reload.
  bool Reload();

  // Pastes text (visible characters) after the current tune.
  int PasteText(const QString& text);
  // Makes a tune from text (bytes of this file) after the tune at position
  // (0: at the head), adds its line and marks the file modified. The new
  // tune, or null.
  TuneRecord* InsertTuneText(int after, std::string_view text);
  // Adds converted tunes (code page 1252 or UTF-8 bytes) after the current tune,
  // each with the next number, in this file's character set; returns how many.
  int InsertImportedTunes(const std::vector<std::string>& tunes);
  // Gives the tunes numbers from start on; what the Renumber dialog runs.
  void RenumberFrom(int start);

  // --- windows on this file's tunes ----------------------------------------------
  // True when a tune editor is open on that tune.
  bool IsTuneOpenInEditor(const TuneRecord& tune) const;
  // The editor window of that tune, or null.
  CMinFormDoc* EditorOf(const TuneRecord& tune) const;
  // The windows that stop this file from closing or reloading (tune editors,
  // tools). Before it closes or reloads, the user is asked to close them:
  // true when none is left open.
  bool CloseGuard();

  // --- drag and drop ---------------------------------------------------------------
  // Tunes dragged from source's list (lines as selected when the button went
  // down, pressedLine the line pressed) dropped on targetLine of this list.
  // move: the left button (the tunes leave the source).
  void DropTunes(CAbcDoc* source, const std::vector<int>& lines, int pressedLine, int targetLine,
                 bool move);

  // How a tune is opened for editing. The tune editor installs its opener; until
  // then Edit shows the tune's text in a text dialog.
  using TuneEditorOpener = std::function<void(CAbcDoc& doc, int position, bool raw)>;
  static void SetTuneEditorOpener(TuneEditorOpener opener);

  // The settings in use (the application's, or the defaults without one).
  static const Settings& CurrentSettings();
  static const FormatEnv& CurrentFormatEnv();
  // The settings changed: options of the tune file and every line.
  void ApplySettings();

 signals:
  // Tunes were inserted as lines first..last (selected by the view).
  void LinesInserted(int first, int last);

 private:
  bool LoadFile(const QString& path, QString& error);
  void DrawOrPrintTunes(CommandId id);
  // The selected tune positions (header line left out), ascending.
  std::vector<int> SelectedTunes() const;
  int CurrentLine() const;
  // Removes tunes without asking; shows refusals. Returns the number removed.
  int RemoveTunes(const std::vector<int>& positions);
  void ShowOpenForEditing(const TuneRecord* tune);
  // The lines follow what an undo or a redo did to the tune file.
  void FollowListChange(const ListChange& change);
  // Tunes got other numbers: the lines and open editors show them.
  void NumbersChanged();
  void AfterInsert(int after, int count);
  // Tells the user in the status bar when tunes now share an X: number.
  void ReportRepeatedNumbers() const;
  // Tells the user that characters became '?' on their way into this file.
  void WarnUnmappable(size_t count) const;

  std::unique_ptr<TuneFile> file_;
  std::unique_ptr<TuneListModel> model_;
  TextEncoding encoding_ = TextEncoding::kUtf8;
};

}  // namespace tunora
