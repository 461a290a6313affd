// The drawing window's document: the tunes it draws (copies, so the window never
// points into a tune file that changes under it) and, when it was opened from a
// tune editor, that editor. Such a drawing follows the editor's unsaved text: a
// change is drawn after a short pause, a click on the music selects its ABC in the
// editor, and the editor's cursor marks the item under it in the drawing.
#pragma once

#include <QPointer>
#include <optional>
#include <utility>

#include "gui/app/CMinFormDoc.h"
#include "gui/draw/DrawPrint.h"
#include "gui/app/TemplateIds.h"

class QTimer;

namespace tunora {

class CAbcDoc;
class CDrawView;
class CTuneDoc;

class CDrawDoc : public CMinFormDoc {
  Q_OBJECT

 public:
  static constexpr int kResourceId = kDrawTemplateId;
  // The pause after typing before the drawing follows (ms).
  static constexpr int kFollowDelay = 300;

  explicit CDrawDoc(QObject* parent = nullptr);
  ~CDrawDoc() override;

  // Opens a drawing window on tunes of a tune file (positions, 1-based).
  static CDrawDoc* OpenOnTunes(CAbcDoc& file, const std::vector<int>& positions);
  // Opens (or brings up) the drawing window that follows an editor.
  static CDrawDoc* OpenForEditor(CTuneDoc& editor);
  // The drawing that follows an editor, or null.
  static CDrawDoc* FollowerOf(const CTuneDoc* editor);

  const DrawSource& Source() const { return source_; }
  // Draws other tunes from now on (the first one is the editor's, when there is one).
  void SetSource(DrawSource source);
  CDrawView* View() const;
  CTuneDoc* Editor() const;
  // Whether the drawing follows its editor's text (on by default).
  bool Following() const { return following_; }
  void SetFollowing(bool on);

  // Reads the editor's text now and redraws (the timer calls it after typing).
  void RefreshFromEditor();
  // The canonical-text byte of tune 0 at the editor's cursor, for marking (none
  // while the drawing does not follow the editor).
  std::optional<size_t> EditorCursorOffset() const;
  // A click on an item of tune `tune`: its bytes in the canonical text are
  // selected in the editor. False when there is no editor, the drawing does not
  // follow it, or the range is no body text.
  bool SelectInEditor(int tune, int32_t begin, int32_t end);

  // --- CMinFormDoc -------------------------------------------------------------------
  CMinFormDoc* TuneFileDocument() const override { return fileDoc_.data(); }
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

 signals:
  // The tunes changed (the editor's text was drawn anew).
  void SourceChanged();
  // The editor's cursor moved.
  void EditorCursorMoved();
  // The player makes a note of tune `tune` heard, drawn from that byte of its
  // canonical text; tune -1 when nothing of this drawing is heard.
  void NoteHeard(int tune, int64_t canonicalOffset);

 private:
  void Init(CAbcDoc* file, DrawSource source, CTuneDoc* editor);
  void ConnectEditor();
  void StartFollowTimer();
  void PlayerHeard(const TuneRecord* tune, qint64 bodyOffset);

  DrawSource source_;
  QPointer<CMinFormDoc> fileDoc_;
  QPointer<CTuneDoc> editor_;
  size_t bodyStart_ = 0;  // where the body begins in the canonical text of tune 0
  bool following_ = true;
  QTimer* followTimer_;
};

// Registers the drawing window (132), in the platform's standard MDI child frame.
void RegisterDrawTemplate(class DocTemplateRegistry& registry);

}  // namespace tunora
