// Reviewed listings: what a run printed is compared with the listing checked in beside
// its input. A differing listing fails with the lines that differ and is written beside
// the reviewed one as NAME.new; with TUNORA_UPDATE_GOLDEN set the reviewed listing is
// written anew instead (review every change with git diff before checking it in).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/Scratch.h"

namespace tunora::test {

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The lines that differ, "-" expected and "+" actual, with two lines of context, from
// a longest common subsequence of the two listings.
inline std::string ListingDiff(const std::string& expected, const std::string& actual) {
  const std::vector<std::string> a = SplitLines(expected), b = SplitLines(actual);
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<int>> lcs(n + 1, std::vector<int>(m + 1, 0));
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  std::vector<std::string> rows;
  std::vector<bool> changed;
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    const bool same = i < n && j < m && a[i] == b[j];
    if (same) {
      rows.push_back("  " + a[i++]);
      ++j;
    } else if (j < m && (i == n || lcs[i][j + 1] >= lcs[i + 1][j])) {
      rows.push_back("+ " + b[j++]);
    } else {
      rows.push_back("- " + a[i++]);
    }
    changed.push_back(!same);
  }
  std::string out;
  bool gap = false;
  for (size_t k = 0; k < rows.size(); ++k) {
    bool near = false;
    for (size_t d = (k >= 2 ? k - 2 : 0); d <= std::min(rows.size() - 1, k + 2); ++d)
      near = near || changed[d];
    if (near) {
      out += rows[k] + "\n";
      gap = false;
    } else if (!gap) {
      out += "  ...\n";
      gap = true;
    }
  }
  return out;
}

// The files of folder with the extension, sorted by name.
inline std::vector<std::filesystem::path> GoldenInputs(const std::filesystem::path& folder,
                                                       const std::string& extension = ".abc") {
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == extension) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

// Expects actual to equal the reviewed listing at path.
inline void ExpectListing(const std::filesystem::path& path, const std::string& actual) {
  if (std::getenv("TUNORA_UPDATE_GOLDEN") != nullptr) {
    WriteFile(path.string(), actual);
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << "no reviewed listing " << path.filename();
  const std::string expected = ReadFile(path.string());
  if (actual == expected) return;
  WriteFile(path.string() + ".new", actual);
  ADD_FAILURE() << path.filename().string() << " differs from its reviewed listing:\n"
                << ListingDiff(expected, actual);
}

}  // namespace tunora::test
