// The tune list's kind of window: ABC files open as a CAbcDoc shown in a
// CAbcView, and tune lists are saved with the window list and restored.
// Registering also installs Replace for the edit fields of every form view.
#pragma once

namespace tunora {

class DocTemplateRegistry;

void RegisterAbcTemplate(DocTemplateRegistry& registry);

}  // namespace tunora
