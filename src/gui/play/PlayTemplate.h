#pragma once

namespace tunora {

class DocTemplateRegistry;

// The player window (167): CPlayDoc / CPlayView; the first one is saved in the
// window list as "?p?0" and opened again, without a tune, at the next start.
void RegisterPlayTemplate(DocTemplateRegistry& registry);

}  // namespace tunora
