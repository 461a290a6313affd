#include "play/PlayerFields.h"

#include "tunefile/Fields.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

// "C: Composer" -> "Composer"; "E:" -> "E".
std::string LabelOf(char letter, std::string name) {
  if (const size_t colon = name.find(": "); colon != std::string::npos) name.erase(0, colon + 2);
  if (name.empty() || name.back() == ':') name = std::string(1, letter);
  return name;
}

std::string JoinLines(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 3))
    text.replace(at, 2, " / ");
  return text;
}

}  // namespace

std::vector<PlayerFieldRow> PlayerFieldRows(const TuneRecord& tune, std::string_view fieldOrder) {
  std::vector<PlayerFieldRow> rows;
  for (char letter : EditorRowOrder(fieldOrder)) {
    const char* name = FieldLongName(letter);
    if (name == nullptr) continue;
    std::string label = LabelOf(letter, name);
    if (letter == 'X') {
      rows.push_back({std::move(label), std::to_string(tune.number)});
    } else if (letter == 'T') {
      // The first title heads the window; the others are listed.
      for (size_t k = 1; k < tune.titles.size(); ++k)
        if (!tune.titles[k].empty()) rows.push_back({label, tune.titles[k]});
    } else if (tune.HasField(letter)) {
      rows.push_back({std::move(label), JoinLines(tune.FieldText(letter))});
    }
  }
  return rows;
}

}  // namespace tunora
