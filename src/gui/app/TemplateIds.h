// The resource ids of the kinds of window. They identify a kind in the registry and
// are saved with the window list and the layout file, so their values never change.
#pragma once

namespace tunora {

inline constexpr int kTuneListTemplateId = 129;
inline constexpr int kEditorTemplateId = 131;
inline constexpr int kDrawTemplateId = 132;
inline constexpr int kToolTemplateId = 149;
inline constexpr int kPlayerTemplateId = 167;
inline constexpr int kFindTemplateId = 168;

}  // namespace tunora
