// Any bytes as a file name, a command line or a key file (mimeapps.list, desktop
// entries): a file name put into a command line by %1 comes back from the word
// splitting as one whole word, whatever it holds; a program path written into an
// Exec line reads back unchanged; a key set in a key file reads back.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Association.h"
#include "app/ExternalPrograms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t cut = all.find('\n');
  std::string name(all.substr(0, cut));
  std::string rest(cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1));
  if (name.find('\0') != std::string::npos) return 0;

  tunora::ExpandInput input;
  input.path = name;
  input.tuneNumber = "12";
  input.prompt = [&] { return std::optional<std::string>(rest); };
  std::string line;
  if (tunora::ExpandExternalCommand("prog %1 -x", input, line) == tunora::ExpandResult::kOk) {
    auto words = tunora::SplitShellWords(line);
    if (words.size() != 3 || words[1] != name) std::abort();
  }
  if (line.size() >= tunora::kExternalCommandLimit) std::abort();
  tunora::ExpandExternalCommand(rest, input, line);
  if (line.size() >= tunora::kExternalCommandLimit) std::abort();
  tunora::SplitShellWords(rest);

  if (!name.empty() && name.find_first_of("\r\n") == std::string::npos) {
    auto words = tunora::DesktopExecWords(tunora::DesktopExecWord(name) + " %f");
    if (words.size() != 2 || words[0] != name) std::abort();
  }
  // The key file: rest is the text, name's letters the section, key and value.
  std::string section, key, value;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) continue;
    if (section.size() < 4) {
      section += c;
    } else if (key.size() < 6) {
      key += c;
    } else {
      value += c;
    }
  }
  if (!section.empty() && !key.empty()) {
    std::string text = tunora::SetKeyFileValue(rest, section, key, value);
    if (tunora::KeyFileValue(text, section, key) != value) std::abort();
  }
  return 0;
}
