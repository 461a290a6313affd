// The kinds of windows of the program, in registration order. Each area of the
// program offers one registration function.
#include "gui/app/DocTemplate.h"

#include "gui/draw/CDrawDoc.h"
#include "gui/editor/EditorTemplate.h"
#include "gui/play/PlayTemplate.h"
#include "gui/search/CFindDoc.h"
#include "gui/tools/CToolDoc.h"
#include "gui/tunefile/AbcTemplate.h"

namespace tunora {

void RegisterDocTemplates(DocTemplateRegistry& registry) {
  RegisterAbcTemplate(registry);     // 129: tune file and tune list
  RegisterEditorTemplate(registry);  // 131: tune editor
  RegisterPlayTemplate(registry);    // 167: player
  RegisterToolTemplate(registry);    // 149: tune tools
  RegisterDrawTemplate(registry);    // 132: drawing
  RegisterFindTemplate(registry);    // 168: found files
}

}  // namespace tunora
