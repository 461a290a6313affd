#include "tunefile/TuneRecord.h"

namespace tunora {

const std::optional<std::string>* TuneRecord::Field(char letter) const {
  static const std::optional<std::string> kAbsent;
  if (RecordFieldSlot(letter) < 0) return nullptr;
  for (const auto& f : fields_)
    if (f.first == letter) return &f.second;
  return &kAbsent;
}

std::optional<std::string>* TuneRecord::Field(char letter) {
  if (RecordFieldSlot(letter) < 0) return nullptr;
  for (auto& f : fields_)
    if (f.first == letter) return &f.second;
  // A tune has a handful of header fields: room for them at once, not step by step.
  if (fields_.empty()) fields_.reserve(8);
  fields_.emplace_back(letter, std::nullopt);
  return &fields_.back().second;
}

const std::string& TuneRecord::FieldText(char letter) const {
  static const std::string kEmpty;
  const std::optional<std::string>* f = Field(letter);
  return (f != nullptr && f->has_value()) ? **f : kEmpty;
}

void TuneRecord::Clear() {
  number = 1;
  titles.clear();
  body.clear();
  fields_.clear();
  words.reset();
  afterText.reset();
  incipit.reset();
  loaded.clear();
}

}  // namespace tunora
