#include "app/RecentFiles.h"

#include <algorithm>

#include "base/IniFile.h"

namespace tunora {

void RecentFiles::SetSize(int size) {
  size_ = std::clamp(size, 0, kMaxEntries);
  if (entries_.size() > static_cast<size_t>(size_)) entries_.resize(size_);
}

void RecentFiles::Add(const std::string& path) {
  if (path.empty() || size_ == 0) return;
  Remove(path);
  entries_.insert(entries_.begin(), path);
  if (entries_.size() > static_cast<size_t>(size_)) entries_.resize(size_);
}

void RecentFiles::Remove(const std::string& path) {
  entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
}

void RecentFiles::Read(const IniFile& ini) {
  entries_.clear();
  for (int n = 1; n <= size_; ++n) {
    std::string path = ini.GetString(kRecentFileSection, "File" + std::to_string(n), "");
    if (!path.empty() && std::find(entries_.begin(), entries_.end(), path) == entries_.end()) {
      entries_.push_back(path);
    }
  }
}

void RecentFiles::Write(IniFile& ini) const {
  int n = 1;
  for (const std::string& path : entries_) {
    ini.WriteString(kRecentFileSection, "File" + std::to_string(n++), path);
  }
  for (; n <= kMaxEntries; ++n) ini.DeleteKey(kRecentFileSection, "File" + std::to_string(n));
}

}  // namespace tunora
