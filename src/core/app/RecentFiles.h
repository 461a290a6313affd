// The recent-file list of the File menu, newest first, kept in the settings
// file in the section "Recent File List" as File1, File2, ...
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class IniFile;

inline constexpr std::string_view kRecentFileSection = "Recent File List";

class RecentFiles {
 public:
  // The list length is the RecentFileList setting; at most 16 entries.
  static constexpr int kMaxEntries = 16;
  explicit RecentFiles(int size = 4) { SetSize(size); }

  void SetSize(int size);
  int Size() const { return size_; }

  // Puts path at the front, removing an equal older entry.
  void Add(const std::string& path);
  void Remove(const std::string& path);
  const std::vector<std::string>& Entries() const { return entries_; }

  void Read(const IniFile& ini);
  // Writes File1..FileN and removes the keys beyond the list.
  void Write(IniFile& ini) const;

 private:
  int size_ = 4;
  std::vector<std::string> entries_;
};

}  // namespace tunora
