// Where the shared collection of real tune files lives, for tests that read it.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tunora::test {

// The corpus folder: $TUNORA_CORPUS, the folder beside the source tree, or the
// workplace's shared folder; "" when none is there.
inline std::filesystem::path CorpusDir() {
  std::vector<std::filesystem::path> candidates;
  if (const char* env = std::getenv("TUNORA_CORPUS")) candidates.emplace_back(env);
  candidates.emplace_back(TUNORA_CORPUS_DIR);
  candidates.emplace_back("/work/shared/corpus");
  for (const auto& c : candidates) {
    std::error_code ec;
    if (std::filesystem::is_directory(c, ec)) return c;
  }
  return {};
}

// Every regular file below the corpus folder (optionally one subfolder), sorted.
inline std::vector<std::filesystem::path> CorpusFiles(const std::string& sub = "") {
  std::vector<std::filesystem::path> files;
  std::filesystem::path root = CorpusDir();
  if (root.empty()) return files;
  if (!sub.empty()) root /= sub;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (it->is_regular_file()) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tunora::test
