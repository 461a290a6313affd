// An ini file of "[section]" headers and "key=value" lines, read and written
// the way the settings of the program have always been kept: sections and keys
// compare without regard to case, a missing key gives the caller's default, and
// writing one key leaves every other line of the file as it was (comments,
// unknown sections, their order and lines that are not understood).
#pragma once

#include "base/FileIO.h"

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

// A line that is neither "key=value", "[section]", a comment nor blank. It is
// kept in the file and otherwise ignored; the caller may show it.
struct IniWarning {
  int line = 0;      // 1-based line number in the file as loaded
  std::string text;  // the line without its line end

  bool operator==(const IniWarning&) const = default;
};

class IniFile {
 public:
  IniFile() = default;

  // Reads the file at path and remembers the path for Save(). A missing file
  // gives an empty ini and true; a file that exists but cannot be read gives
  // false (the content is then empty and error() says why).
  bool Load(const std::string& path);
  // Replaces the content by text (no file involved).
  void Parse(std::string_view text);
  // The whole file as it would be written.
  std::string Text() const;

  // Writes to the path of Load() / SetPath(), or to path, through a temporary
  // file in the same folder renamed over the original. On failure the original
  // is untouched, the temporary file removed, and false returned.
  bool Save();
  bool SaveAs(const std::string& path);

  void SetPath(const std::string& path) { path_ = path; }
  const std::string& Path() const { return path_; }
  const std::string& Error() const { return error_; }
  const std::vector<IniWarning>& Warnings() const { return warnings_; }
  bool Modified() const { return modified_; }

  // The value with surrounding blanks and one pair of surrounding double quotes
  // removed, or def when the section or key is missing.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def) const;
  // def when the key is missing or its value empty; otherwise an optional sign
  // and the leading decimal digits (0 when there are none), limited to the
  // range of int.
  int GetInt(std::string_view section, std::string_view key, int def) const;
  bool HasKey(std::string_view section, std::string_view key) const;

  // Sets a key, adding the section and key when missing. A value that would
  // not read back the same (line breaks, surrounding blanks or quotes) is
  // written so that it does: line breaks become spaces, and a value with
  // surrounding blanks or quotes is put between double quotes. Returns false
  // (and changes nothing) for an empty or malformed section or key name.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInt(std::string_view section, std::string_view key, int value);
  // Removes the key's line. False when it was not there.
  bool DeleteKey(std::string_view section, std::string_view key);

  // Section names as first written in the file, each once.
  std::vector<std::string> Sections() const;
  // Key names of a section in file order, each once.
  std::vector<std::string> Keys(std::string_view section) const;

 private:
  enum class Kind { kBlank, kComment, kSection, kKey, kJunk };
  struct Line {
    Kind kind = Kind::kBlank;
    std::string raw;    // the line as written, without its line end
    std::string name;   // section or key name as written
    std::string lower;  // name in lower case, for comparing
    std::string value;  // value as read (trimmed, quotes removed)
  };

  static Line ParseLine(std::string_view text);
  // Index of the header line of the first section called name, or -1.
  int FindSection(std::string_view lowerName) const;
  // End (one past the last line) of the section whose header is at index.
  size_t SectionEnd(size_t header) const;
  // Index of the key line, or -1.
  int FindKey(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
  std::vector<IniWarning> warnings_;
  std::string path_;
  std::string error_;
  bool crlf_ = false;  // line ends of the file as loaded
  bool bom_ = false;   // the file began with a UTF-8 byte order mark
  bool modified_ = false;
};

}  // namespace tunora
