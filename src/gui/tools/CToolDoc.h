// The tune tools window's document: it works on the tune of one tune editor.
// Its pages (ABC, Chords, Transpose) run the rewriter or Chordwise on the tune
// the editor holds now (the whole body, or the part selected in the editor's
// tune box) and hand the result to the editor as one change that Undo takes
// back. The window closes with its editor.
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

#include "gui/app/CMinFormDoc.h"
#include "tools/TuneRewriter.h"
#include "tunefile/TuneRecord.h"
#include "gui/app/TemplateIds.h"

namespace tunora {

class CTuneDoc;
class CToolView;
class DocTemplateRegistry;

class CToolDoc : public CMinFormDoc {
  Q_OBJECT

 public:
  static constexpr int kResourceId = kToolTemplateId;

  explicit CToolDoc(QObject* parent = nullptr);
  ~CToolDoc() override;

  // Opens the tools window of an editor, or brings its open one to the front.
  static CToolDoc* OpenFor(CTuneDoc* editor);

  // Set once, before the view is made.
  void Init(CTuneDoc* editor);
  CTuneDoc* Editor() const;
  CToolView* View() const;

  // The tune as the editor holds it now, and the selected part of its body
  // (start == end when nothing is selected).
  struct Input {
    TuneRecord tune;
    size_t start = 0;
    size_t end = 0;
    bool Selected() const { return end > start; }
  };
  // With finishEditing a header field being edited is stored first.
  bool ReadEditor(Input& input, bool finishEditing = false) const;
  // "the whole tune" or "the selected part of the tune".
  QString RangeText() const;
  // The unit length of the tune: its L:, or the meter's default as "1/n".
  QString UnitLengthText() const;
  // The K: text of the tune ("C" when it has none).
  std::string KeyText() const;

  // The ABC and Transpose pages: the rewriter with options on the whole body or
  // the editor's selection. False (after telling the user) when nothing changed.
  bool Rewrite(RewriteOptions options);
  // The Chords page: chords set (write) or removed on the whole tune.
  bool SetChords(uint32_t strangeness, bool perBar, bool write);
  // The View Chords text, and the same shown as the window's result.
  QString ViewChords() const;
  void ShowChords();
  // The text shown in the window's tune box after the last action.
  const QString& Result() const { return result_; }

  // --- CMinFormDoc -----------------------------------------------------------------
  CMinFormDoc* TuneFileDocument() const override;
  const TuneRecord* Tune() const override;
  bool GuardsTuneFile() const override { return true; }
  bool SaveModified() override { return true; }

 signals:
  void ResultChanged();

 private:
  void UpdateTitle();
  void Show(const std::string& body);
  // Bytes of the tune file as the window shows them.
  QString Shown(const std::string& bytes) const;

  QPointer<CMinFormDoc> editor_;  // the CTuneDoc
  QString result_;
};

// The tools window (149).
void RegisterToolTemplate(DocTemplateRegistry& registry);

}  // namespace tunora
