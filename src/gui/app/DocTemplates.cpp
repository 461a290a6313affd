// The kinds of windows of the program, in registration order. Each area of the
// program offers one registration function; a kind whose area is not built yet
// is simply absent.
#include "gui/app/DocTemplate.h"

#if __has_include("gui/tunefile/AbcTemplate.h")
#include "gui/tunefile/AbcTemplate.h"
#define TUNORA_HAVE_ABC_TEMPLATE 1
#endif

namespace tunora {

void RegisterDocTemplates(DocTemplateRegistry& registry) {
#ifdef TUNORA_HAVE_ABC_TEMPLATE
  RegisterAbcTemplate(registry);  // 129: tune file and tune list
#endif
  (void)registry;
  // 131 tune editor, 167 player, 168 found files, 149 tune tools and 132
  // drawing register here as their areas arrive.
}

}  // namespace tunora
