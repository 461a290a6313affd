// One tune of an ABC file, parsed into its number, titles, header fields, body,
// words and the text that follows it. Texts are 8-bit bytes with CR LF line ends.
// A tune read from a file also keeps the bytes it was read from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tunora {

class TuneFile;

// Slots of the header fields a TuneRecord keeps: A..Z, then u and m.
// T, W and X have slots too but are held in titles, words and number.
inline constexpr int kRecordFieldSlots = 28;
constexpr int RecordFieldSlot(char letter) {
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  if (letter == 'u') return 26;
  if (letter == 'm') return 27;
  return -1;
}

struct TuneRecord {
  int32_t number = 1;                    // X: number; 1 without an X: line
  std::vector<std::string> titles;       // one per T: line; one empty title when none
  std::string body;                      // music lines after K:, header comments first
  std::optional<std::string> words;      // W: lines without their tags, joined by CR LF
  std::optional<std::string> afterText;  // from the empty line that ends the tune
  TuneFile* owner = nullptr;
  // The bytes the tune was loaded from (its file's own line ends, TeX escapes as
  // written); empty for tunes made in the program. Saving writes them back while
  // the tune still reads as it did.
  std::string loaded;

  // The incipit is computed once per tune by the ABC reader and kept here.
  mutable std::optional<std::string> incipit;
  // Cached 1-based position in the owner's list; kept valid by the owner.
  mutable int32_t cachedPosition = 0;

  size_t TitleCount() const { return titles.size(); }

  // Header field by letter (A..Z, u, m): the value, or an empty optional when the
  // tune has none; null for letters without a field. The mutable form makes room
  // for the field; its pointer stays valid until another field gets room.
  const std::optional<std::string>* Field(char letter) const;
  std::optional<std::string>* Field(char letter);
  // Value of a field or "" when absent.
  const std::string& FieldText(char letter) const;
  bool HasField(char letter) const {
    const std::optional<std::string>* f = Field(letter);
    return f != nullptr && f->has_value();
  }

  // Drops every text, keeping owner and position.
  void Clear();

 private:
  // Only the fields a tune has are kept, so a record stays small in big files.
  std::vector<std::pair<char, std::optional<std::string>>> fields_;
};

}  // namespace tunora
