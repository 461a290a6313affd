// The document of a tune editor window: one tune of an open tune file. It
// refers to the tune file's document and to the tune's TuneRecord; nothing is
// written into the record until the tune is saved, when the text rebuilt from
// the form is parsed into it again. It also keeps, for the whole program, the
// error list of the last play started from an editor, for Next Error.
#pragma once

#include <QPointer>
#include <string>

#include "editor/EditorText.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/TemplateIds.h"

namespace tunora {

class CAbcDoc;
class CTuneView;
struct TuneRecord;

class CTuneDoc : public CMinFormDoc {
  Q_OBJECT

 public:
  static constexpr int kResourceId = kEditorTemplateId;

  explicit CTuneDoc(QObject* parent = nullptr);
  ~CTuneDoc() override;

  // Set once, before the view is made.
  void Init(CAbcDoc* fileDoc, TuneRecord* tune, bool raw);

  CAbcDoc* FileDoc() const { return fileDoc_; }
  // The tune; null once its file is gone.
  TuneRecord* TuneRec() const { return fileDoc_ != nullptr ? tune_ : nullptr; }
  // Raw mode: the whole tune text in one box. Set by whoever opens the editor.
  bool Raw() const { return raw_; }
  // Switches an open editor to raw mode (the form's text goes into the box).
  void SwitchToRaw();

  CTuneView* View() const;

  // The tune's 1-based position in its file (0 when it is not in it).
  int Position() const;

  // Saves the tune: the text rebuilt from the form is parsed into the record,
  // the tune file is marked modified (and saved, with SaveTuneFileAlso), its
  // list line is refreshed and made current, the title recomputed and the
  // modified flags cleared.
  bool SaveTune();
  // Save Tune As: asks for the X: number; the form, with that number, becomes
  // a new tune of the same file after this one, which is edited from then on.
  bool SaveTuneAs();
  // The same without the dialog.
  bool SaveTuneAsNumber(const QString& number);

  // The window title: EdittitleFormat expanded against the tune, and " *"
  // while modified.
  void UpdateTitle();

  // Play and Play Now from the editor: its current text, with the error list
  // remembered for Next Error.
  void Play(bool now);
  // Print and Print Preview from the editor: its current text.
  void PrintTune(bool preview);

  // --- the error list of the last play started from an editor -----------------
  // A play from this editor reported its errors: they become the list that
  // Next Error steps through.
  void RememberErrors(const std::string& list);
  // The editor the list belongs to (null when none is open) and the list.
  static CTuneDoc* ErrorEditor();
  static ErrorCursor& Errors();
  // Next Error: in this editor, selects the character of the current entry in
  // the body box and moves on. False when there is nothing to go to.
  bool NextError();
  bool HasNextError() const;
  // Ctrl+Shift+E: shows this editor's list again.
  bool ShowErrors();

  // --- CMinFormDoc -----------------------------------------------------------
  CMinFormDoc* TuneFileDocument() const override;
  const TuneRecord* Tune() const override { return TuneRec(); }
  bool IsTuneEditor() const override { return true; }
  void TuneNumberChanged() override;
  // The close question: "You have made changes to the tune..." (Yes saves, No
  // drops the changes, Cancel and Escape keep the window open).
  bool SaveModified() override;
  bool CanCloseDocument() override { return SaveModified(); }
  void OnCloseDocument() override;
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

  // The text of the close question for the given title.
  static QString CloseQuestion(const QString& title);

 private:
  // The first title as the form holds it (empty in raw mode), and as saved.
  QString FormTitle() const;
  QString SavedTitle() const;

  QPointer<CAbcDoc> fileDoc_;
  TuneRecord* tune_ = nullptr;
  bool raw_ = false;
};

}  // namespace tunora
