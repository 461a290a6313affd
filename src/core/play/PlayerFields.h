// The fields of a tune as the player window lists them, beside the title that
// heads it: one row for each field of the tune, in the order of the tune editor.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct TuneRecord;

struct PlayerFieldRow {
  std::string label;  // the name the field choosers give it, without its letter ("Composer")
  std::string value;  // the tune's bytes; the lines of a field joined by " / "
};

// The rows for tune with the field order of the settings: X with its number, every
// title after the first, then each field the tune has. A field whose name is only
// its letter ("E:") is labelled with the letter.
std::vector<PlayerFieldRow> PlayerFieldRows(const TuneRecord& tune, std::string_view fieldOrder);

}  // namespace tunora
