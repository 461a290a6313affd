// The tune editor's kind of window (resource 131): its registration, the
// opener the tune list calls for Edit, Raw Edit and Insert, and the saving and
// restoring of editor windows with the window list.
#pragma once

namespace tunora {

class CAbcDoc;
class CTuneDoc;
class DocTemplateRegistry;

void RegisterEditorTemplate(DocTemplateRegistry& registry);

// Opens the editor on the tune at a 1-based position of a tune file, or brings
// an open editor of that tune to the front (switched to raw mode when raw is
// asked for). Null when there is no such tune.
CTuneDoc* OpenTuneEditor(CAbcDoc& file, int position, bool raw);

}  // namespace tunora
