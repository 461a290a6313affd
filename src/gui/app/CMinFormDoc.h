// Base of the documents shown in form views (tune file, tune editor, player,
// found files, tune tools). A document has a title, an optional file path, a
// modified flag shown as " *" after the title, and the views that show it. It is
// deleted by the application when its last view closes.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "gui/app/Commands.h"

namespace tunora {

struct DocTemplate;
struct TuneRecord;
class CMinFormView;

class CMinFormDoc : public QObject, public CommandTarget {
  Q_OBJECT

 public:
  explicit CMinFormDoc(QObject* parent = nullptr);
  ~CMinFormDoc() override;

  const DocTemplate* Template() const { return template_; }
  void SetTemplate(const DocTemplate* docTemplate) { template_ = docTemplate; }

  // The title shown in the frame's caption and the window list.
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title);
  // The title without the modified marker " *".
  QString PlainTitle() const;

  // Full path of the file, empty for a new document. Setting it sets the title
  // to the file's name (with " *" when modified).
  const QString& PathName() const { return pathName_; }
  virtual void SetPathName(const QString& path);

  // The modified flag. Setting it appends " *" to the title unless the title
  // already ends in "*"; clearing it removes a trailing " *".
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true);

  // Views showing this document, in the order they were made.
  const std::vector<CMinFormView*>& Views() const { return views_; }
  // The first view, or null.
  CMinFormView* FirstView() const { return views_.empty() ? nullptr : views_.front(); }
  // Brings the first view's window to the front.
  void ActivateFirstView() const;

  // --- life cycle (overridden by each kind) ---------------------------------
  // A new, empty document. False stops the creation.
  virtual bool OnNewDocument() { return true; }
  // Reads the file; false (after telling the user) stops the opening.
  virtual bool OnOpenDocument(const QString& path);
  // Writes the file; false (after telling the user) when it failed.
  virtual bool OnSaveDocument(const QString& path);
  // The Save command: saves under the path, or asks for one. True when saved.
  virtual bool DoFileSave();
  // Before the document closes: when modified, asks "Save changes to %1?"
  // (Yes saves, No discards, Cancel keeps it open). True when it may close.
  virtual bool SaveModified();
  // Before the last view closes: the close guard of windows that depend on
  // this document, then SaveModified. True when it may close.
  virtual bool CanCloseDocument() { return SaveModified(); }
  // Called just before the document is deleted (its views are gone).
  virtual void OnCloseDocument() {}

  // --- windows that work on one tune of a tune file ---------------------------
  // The tune file's document whose tune this document shows (editor, player,
  // tools, drawing); null for a tune file itself and for other windows.
  virtual CMinFormDoc* TuneFileDocument() const { return nullptr; }
  // The tune shown, or null.
  virtual const TuneRecord* Tune() const { return nullptr; }
  // True for the tune editor: its tune may not be removed or dragged away.
  virtual bool IsTuneEditor() const { return false; }
  // The tune's X: number was changed in its file (Renumber); a window showing the
  // number takes the new one.
  virtual void TuneNumberChanged() {}
  // True when the window guards its tune file's closing and reloading (the
  // tune editor and the tune tools).
  virtual bool GuardsTuneFile() const { return IsTuneEditor(); }
  // Every open document whose TuneFileDocument() is this one.
  std::vector<CMinFormDoc*> DocumentsOnMyTunes() const;

  // Asks every view to redraw; hint tells them what changed (0 everything).
  void UpdateAllViews(CMinFormView* sender, int hint = 0);

  // Used by CMinFormView.
  void AddView(CMinFormView* view);
  void RemoveView(CMinFormView* view);

 signals:
  void TitleChanged(const QString& title);
  void ModifiedChanged(bool modified);

 private:
  const DocTemplate* template_ = nullptr;
  QString title_;
  QString pathName_;
  bool modified_ = false;
  std::vector<CMinFormView*> views_;
};

}  // namespace tunora
