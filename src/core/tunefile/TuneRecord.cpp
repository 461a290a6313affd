#include "tunefile/TuneRecord.h"

namespace tunora {

const std::string& TuneRecord::FieldText(char letter) const {
  static const std::string kEmpty;
  const std::optional<std::string>* f = Field(letter);
  return (f != nullptr && f->has_value()) ? **f : kEmpty;
}

void TuneRecord::Clear() {
  number = 1;
  titles.clear();
  body.clear();
  for (auto& f : fields) f.reset();
  words.reset();
  afterText.reset();
  incipit.reset();
}

}  // namespace tunora
