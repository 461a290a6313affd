#include "gui/play/PlayTemplate.h"

#include "gui/app/DocTemplate.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/CPlayView.h"

namespace tunora {

void RegisterPlayTemplate(DocTemplateRegistry& registry) {
  DocTemplate t;
  t.name = QStringLiteral("Play");
  t.resourceId = kPlayerTemplateId;
  t.keepsNormal = true;
  t.createDocument = [] { return new CPlayDoc; };
  t.createView = [](CMinFormDoc* doc) { return new CPlayView(static_cast<CPlayDoc*>(doc)); };
  t.saveWindow = [](CMinFormView* view) -> std::optional<WindowDoc> {
    if (qobject_cast<CPlayView*>(view) == nullptr) return std::nullopt;
    WindowDoc doc;
    doc.kind = WindowDoc::Kind::kPlayer;
    return doc;
  };
  t.restoreWindow = [](const WindowDoc&) -> CMinFormView* {
    CPlayDoc* doc = CPlayDoc::OpenWindow();
    return doc ? doc->FirstView() : nullptr;
  };
  t.saveFirstOnly = true;
  registry.Register(std::move(t));
}

}  // namespace tunora
