// The tune list's kind of window: ABC files open as a CAbcDoc shown in a
// CAbcView, and tune lists are saved with the window list and restored.
#pragma once

namespace tunora {

class DocTemplateRegistry;

void RegisterAbcTemplate(DocTemplateRegistry& registry);

}  // namespace tunora
