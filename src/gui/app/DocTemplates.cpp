// The kinds of windows of the program, in registration order. Each area of the
// program offers one registration function.
#include "gui/app/DocTemplate.h"

#include "gui/editor/EditorTemplate.h"
#include "gui/play/PlayTemplate.h"
#include "gui/search/CFindDoc.h"
#include "gui/tools/CToolDoc.h"
#include "gui/tunefile/AbcTemplate.h"

namespace tunora {

void RegisterDocTemplates(DocTemplateRegistry& registry) {
  RegisterAbcTemplate(registry);  // 129: tune file and tune list
  RegisterEditorTemplate(registry);  // 131: tune editor
  RegisterPlayTemplate(registry);  // 167: player
  RegisterToolTemplate(registry);  // 149: tune tools
  RegisterFindTemplate(registry);  // 168: found files
  // 132
  // drawing register here as their areas arrive.
}

}  // namespace tunora
