// The incipit of a tune for tune format strings (%i): its first two bars written
// back as short ABC.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunora {

struct TuneRecord;

// The incipit of a tune, computed once and kept with the record.
std::string ComputeIncipit(const TuneRecord& tune);

// The incipit of a body read with the given K:, M: and L: texts (not cached).
std::string MakeIncipit(std::optional<std::string_view> keyText, std::string_view meterText,
                        std::string_view unitLengthText, std::string_view body);

}  // namespace tunora
