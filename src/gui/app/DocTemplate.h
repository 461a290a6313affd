// Document templates: one per kind of window (tune list, tune editor, player,
// found files, tune tools, drawing). A kind registers itself with the
// application at start-up; the shell creates documents, views and frames only
// through these entries, so a new kind of window needs no change in the shell.
//
// A kind of window registers like this (the tune list, for example):
//
//   void RegisterAbcTemplate(DocTemplateRegistry& registry) {
//     DocTemplate t;
//     t.name = "Abc";  t.resourceId = 129;
//     t.filter = "Abc Files (*.abc)";  t.extension = ".abc";
//     t.fileTypeId = "Abc.Document";  t.typeName = "Abc File";
//     t.opensFiles = true;
//     t.createDocument = [] { return new CAbcDoc; };
//     t.createView = [](CMinFormDoc* doc) { return new CAbcView(static_cast<CAbcDoc*>(doc)); };
//     t.saveWindow = ...;     // WindowDoc{kTuneList, path, current line}
//     t.restoreWindow = ...;  // OpenDocumentFile(path), then select the line
//     registry.Register(std::move(t));
//
// The windows are saved kind by kind in registration order; a saved WindowDoc
// comes back through the kind with the matching resource id: kTuneList 129,
// kEditor 131, kPlayer 167, kFileSearch 168.
//   }
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/WindowList.h"
#include "gui/app/TemplateIds.h"

class QWidget;

namespace tunora {

class CMinFormDoc;
class CMinFormView;

struct DocTemplate {
  QString name;        // document name; new documents are titled name + number ("Abc1")
  int resourceId = 0;  // identifies the kind (see TemplateIds.h)
  QString filter;      // file dialog filter, "Abc Files (*.abc)"; empty when it opens no files
  QString extension;   // ".abc"
  QString fileTypeId;  // "Abc.Document"
  QString typeName;    // "Abc File"
  // True for the kind that File Open, File New, the recent-file list, the
  // command line and dropped files use.
  bool opensFiles = false;
  // True when the view goes into a plain MDI child window instead of a
  // CMinFormMDIChild (the drawing).
  bool standardFrame = false;
  // True for a small window of its own size (the player): it has no maximise
  // button, and coming up over a maximised window it stays at its size and leaves
  // that window maximised.
  bool keepsNormal = false;

  // Makes an empty document of this kind (not yet opened or initialised).
  std::function<CMinFormDoc*()> createDocument;
  // Makes the view of a document; the shell puts it into its frame.
  std::function<CMinFormView*(CMinFormDoc*)> createView;

  // The window list saved at exit and restored at the next start. saveWindow
  // tells what a view of this kind shows (nullopt: the view is not saved, for
  // example a tune file without a path); restoreWindow opens such a window again
  // and returns its view (null when it could not). Kinds without saveWindow are
  // not saved. With saveFirstOnly, only the first view of the kind is saved.
  std::function<std::optional<WindowDoc>(CMinFormView*)> saveWindow;
  std::function<CMinFormView*(const WindowDoc&)> restoreWindow;
  bool saveFirstOnly = false;
};

class DocTemplateRegistry {
 public:
  // Adds a kind; the order of registration is kept. A second kind with the same
  // resource id replaces the first.
  void Register(DocTemplate docTemplate);

  const std::vector<std::unique_ptr<DocTemplate>>& Templates() const { return templates_; }
  const DocTemplate* FindById(int resourceId) const;
  const DocTemplate* FindByName(const QString& name) const;
  // The kind that opens files: the first one registered with opensFiles.
  const DocTemplate* FileTemplate() const;
  // The kind that opens a file of that name: the first whose extension matches
  // (without regard to case), else FileTemplate().
  const DocTemplate* ForFile(const QString& path) const;

  // Every filter of the kinds that open files, joined for a file dialog, with
  // "All Files (*)" last.
  QString OpenFilter() const;

 private:
  std::vector<std::unique_ptr<DocTemplate>> templates_;
};

// The resource id of the kind that restores a saved window.
int ResourceIdForWindow(WindowDoc::Kind kind);

// Registers every kind of window the program has, in registration order.
// Defined by the shell; it calls the registration function of each area.
void RegisterDocTemplates(DocTemplateRegistry& registry);

}  // namespace tunora
