#include "gui/app/DocTemplate.h"

namespace tunora {

void DocTemplateRegistry::Register(DocTemplate docTemplate) {
  for (auto& existing : templates_) {
    if (existing->resourceId == docTemplate.resourceId) {
      *existing = std::move(docTemplate);
      return;
    }
  }
  templates_.push_back(std::make_unique<DocTemplate>(std::move(docTemplate)));
}

const DocTemplate* DocTemplateRegistry::FindById(int resourceId) const {
  for (const auto& t : templates_) {
    if (t->resourceId == resourceId) return t.get();
  }
  return nullptr;
}

const DocTemplate* DocTemplateRegistry::FindByName(const QString& name) const {
  for (const auto& t : templates_) {
    if (t->name == name) return t.get();
  }
  return nullptr;
}

const DocTemplate* DocTemplateRegistry::FileTemplate() const {
  for (const auto& t : templates_) {
    if (t->opensFiles) return t.get();
  }
  return nullptr;
}

const DocTemplate* DocTemplateRegistry::ForFile(const QString& path) const {
  for (const auto& t : templates_) {
    if (t->opensFiles && !t->extension.isEmpty() &&
        path.endsWith(t->extension, Qt::CaseInsensitive)) {
      return t.get();
    }
  }
  return FileTemplate();
}

int ResourceIdForWindow(WindowDoc::Kind kind) {
  switch (kind) {
    case WindowDoc::Kind::kTuneList: return kTuneListTemplateId;
    case WindowDoc::Kind::kEditor: return kEditorTemplateId;
    case WindowDoc::Kind::kPlayer: return kPlayerTemplateId;
    case WindowDoc::Kind::kFileSearch: return kFindTemplateId;
  }
  return 0;
}

QString DocTemplateRegistry::OpenFilter() const {
  QString filter;
  for (const auto& t : templates_) {
    if (!t->opensFiles || t->filter.isEmpty()) continue;
    if (!filter.isEmpty()) filter += QStringLiteral(";;");
    filter += t->filter;
  }
  if (!filter.isEmpty()) filter += QStringLiteral(";;");
  filter += QStringLiteral("All Files (*)");
  return filter;
}

}  // namespace tunora
