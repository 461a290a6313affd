// Builds a large tune collection for benchmarks from the shared corpus of real files.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tunora::bench {

inline std::filesystem::path CorpusAbcDir() {
  const char* candidates[] = {std::getenv("TUNORA_CORPUS"), TUNORA_CORPUS_DIR,
                              "/work/shared/corpus"};
  for (const char* c : candidates) {
    if (c == nullptr) continue;
    std::filesystem::path p = std::filesystem::path(c) / "abc";
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) return p;
  }
  return {};
}

// Every .abc file of the corpus, repeated until the text holds at least minTunes
// lines beginning with "X:". Falls back to a generated tune when there is no corpus.
inline std::string BigCollection(size_t minTunes) {
  std::vector<std::string> texts;
  std::filesystem::path root = CorpusAbcDir();
  if (!root.empty()) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
      if (e.is_regular_file() && e.path().extension() == ".abc") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      std::string t = ss.str();
      if (!t.empty() && t.back() != '\n') t += '\n';
      texts.push_back("\n" + t);
    }
  }
  if (texts.empty())
    texts.push_back(
        "\nX:1\nT:Generated\nM:4/4\nL:1/8\nR:reel\nK:G\n|:\"G\"GABc dedB|\"D\"ABAG FGAF:|\n");
  std::string all;
  size_t tunes = 0;
  while (tunes < minTunes) {
    for (const auto& t : texts) {
      all += t;
      for (size_t p = t.find("\nX:"); p != std::string::npos; p = t.find("\nX:", p + 1)) ++tunes;
    }
  }
  return all;
}

}  // namespace tunora::bench
