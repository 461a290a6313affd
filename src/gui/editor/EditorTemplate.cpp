#include "gui/editor/EditorTemplate.h"

#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"

namespace tunora {

CTuneDoc* OpenTuneEditor(CAbcDoc& file, int position, bool raw) {
  TuneRecord* tune = file.File().TuneAt(position);
  if (tune == nullptr) return nullptr;
  if (CMinFormDoc* open = file.EditorOf(*tune)) {
    auto* editor = qobject_cast<CTuneDoc*>(open);
    if (editor != nullptr && raw && !editor->Raw()) editor->SwitchToRaw();
    open->ActivateFirstView();
    return editor;
  }
  CTunoraApp* app = CTunoraApp::Instance();
  const DocTemplate* t =
      app != nullptr ? app->Templates().FindById(CTuneDoc::kResourceId) : nullptr;
  if (t == nullptr) return nullptr;
  auto* doc = qobject_cast<CTuneDoc*>(app->CreateDocument(*t));
  if (doc == nullptr) return nullptr;
  doc->Init(&file, tune, raw);
  if (app->ShowNewView(doc) == nullptr) {
    app->CloseDocument(doc);
    return nullptr;
  }
  return doc;
}

void RegisterEditorTemplate(DocTemplateRegistry& registry) {
  DocTemplate t;
  t.name = QStringLiteral("Tune");
  t.resourceId = CTuneDoc::kResourceId;
  t.createDocument = [] { return new CTuneDoc; };
  t.createView = [](CMinFormDoc* doc) { return new CTuneView(static_cast<CTuneDoc*>(doc)); };
  t.saveWindow = [](CMinFormView* view) -> std::optional<WindowDoc> {
    auto* editor = qobject_cast<CTuneView*>(view);
    if (editor == nullptr) return std::nullopt;
    CTuneDoc* doc = editor->Doc();
    if (doc->FileDoc() == nullptr || doc->FileDoc()->PathName().isEmpty() || doc->Position() <= 0)
      return std::nullopt;
    WindowDoc saved;
    saved.kind = WindowDoc::Kind::kEditor;
    saved.path = doc->FileDoc()->PathName().toStdString();
    saved.position = static_cast<unsigned>(doc->Position());
    saved.raw = doc->Raw();
    return saved;
  };
  t.restoreWindow = [](const WindowDoc& saved) -> CMinFormView* {
    CTunoraApp* app = CTunoraApp::Instance();
    if (app == nullptr) return nullptr;
    // The tune lists come back first; the editor's file must be open by now.
    auto* file = qobject_cast<CAbcDoc*>(app->FindDocument(QString::fromStdString(saved.path)));
    if (file == nullptr || saved.position == 0 ||
        file->File().TuneAt(static_cast<int>(saved.position)) == nullptr)
      return nullptr;
    if (CAbcView* list = file->View()) list->SelectLine(static_cast<int>(saved.position));
    CTuneDoc* editor = OpenTuneEditor(*file, static_cast<int>(saved.position), saved.raw);
    return editor != nullptr ? editor->View() : nullptr;
  };
  registry.Register(std::move(t));
  CAbcDoc::SetTuneEditorOpener(
      [](CAbcDoc& doc, int position, bool raw) { OpenTuneEditor(doc, position, raw); });
}

}  // namespace tunora
