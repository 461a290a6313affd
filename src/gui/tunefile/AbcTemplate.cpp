#include "gui/tunefile/AbcTemplate.h"

#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/FieldReplace.h"

namespace tunora {

void RegisterAbcTemplate(DocTemplateRegistry& registry) {
  DocTemplate t;
  t.name = QStringLiteral("Abc");
  t.resourceId = kTuneListTemplateId;
  t.filter = QStringLiteral("Abc Files (*.abc)");
  t.extension = QStringLiteral(".abc");
  t.fileTypeId = QStringLiteral("Abc.Document");
  t.typeName = QStringLiteral("Abc File");
  t.opensFiles = true;
  t.createDocument = [] { return new CAbcDoc; };
  t.createView = [](CMinFormDoc* doc) { return new CAbcView(static_cast<CAbcDoc*>(doc)); };
  t.saveWindow = [](CMinFormView* view) -> std::optional<WindowDoc> {
    auto* abcView = qobject_cast<CAbcView*>(view);
    if (abcView == nullptr || abcView->Doc()->PathName().isEmpty()) return std::nullopt;
    WindowDoc doc;
    doc.kind = WindowDoc::Kind::kTuneList;
    doc.path = abcView->Doc()->PathName().toStdString();
    doc.line = abcView->CurrentLine();
    return doc;
  };
  t.restoreWindow = [](const WindowDoc& saved) -> CMinFormView* {
    CTunoraApp* app = CTunoraApp::Instance();
    if (app == nullptr) return nullptr;
    auto* doc = qobject_cast<CAbcDoc*>(app->OpenDocumentFile(QString::fromStdString(saved.path)));
    if (doc == nullptr || doc->View() == nullptr) return nullptr;
    if (saved.line != 0) doc->View()->SelectLine(saved.line);
    return doc->View();
  };
  registry.Register(std::move(t));
  // Replace in edit fields comes with the tune list's area and serves the edit
  // fields of every form view.
  InstallFieldReplace();
}

}  // namespace tunora
