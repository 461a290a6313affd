#include "search/FileSearch.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <system_error>

#include "base/Parallel.h"

namespace tunora {

namespace fs = std::filesystem;

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  // Greedy match with one point to return to after the last star.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void SplitFilePattern(std::string_view pattern, std::string& folder, std::string& namePattern) {
  const size_t slash = pattern.rfind('/');
  if (slash == std::string_view::npos) {
    folder = "./";
    namePattern = pattern;
  } else {
    folder = pattern.substr(0, slash + 1);
    namePattern = pattern.substr(slash + 1);
  }
  if (namePattern.empty()) namePattern = "*.abc";
}

namespace {

struct Walker {
  bool subdirectories;
  const std::function<bool(const std::string&)>& visit;
  std::set<fs::path> seen;

  // False when the walk was stopped.
  bool Walk(const fs::path& folder, const std::string& namePattern) {
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    if (ec || !seen.insert(real).second) return true;
    std::vector<fs::path> subfolders;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const fs::path& path = it->path();
      std::error_code typeError;
      if (it->is_directory(typeError)) {
        if (subdirectories) subfolders.push_back(path);
        continue;
      }
      if (MatchesWildcard(namePattern, path.filename().string()) && !visit(path.string()))
        return false;
    }
    for (const fs::path& sub : subfolders)
      if (!Walk(sub, namePattern)) return false;
    return true;
  }
};

}  // namespace

bool WalkFiles(std::string_view pattern, bool subdirectories,
               const std::function<bool(const std::string& path)>& visit) {
  std::error_code ec;
  // A path naming a folder searches its ABC files; one naming a file searches it.
  if (!pattern.empty() && pattern.find_first_of("*?") == std::string_view::npos) {
    if (fs::is_directory(fs::path(pattern), ec)) {
      std::string folder(pattern);
      if (folder.back() != '/') folder += '/';
      return WalkFiles(folder + "*.abc", subdirectories, visit);
    }
    if (fs::is_regular_file(fs::path(pattern), ec) && !subdirectories) {
      visit(std::string(pattern));
      return true;
    }
  }
  std::string folder, namePattern;
  SplitFilePattern(pattern, folder, namePattern);
  if (!fs::is_directory(fs::path(folder), ec)) return false;
  Walker walker{subdirectories, visit, {}};
  walker.Walk(fs::path(folder), namePattern);
  return true;
}

void FoundList::Add(const std::string& file, const std::string& tuneLine) {
  const bool sameFile = !entries_.empty() && entries_.back().file == file;
  if (sameFile && entries_.back().tuneLine == tuneLine) return;
  entries_.push_back({file, tuneLine});
  if (!sameFile) {
    lines_.push_back(file);
    ++matchingFiles_;
  }
  lines_.push_back("\t" + tuneLine);
}

void FoundList::Clear() {
  lines_.clear();
  entries_.clear();
  matchingFiles_ = 0;
}

std::string FoundList::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

namespace {

using TuneTest = std::function<bool(const TuneRecord& tune, std::string& line)>;

// A file's tunes are shared out among threads from this many on.
constexpr size_t kTunesToShare = 64;

// Calls work(test) on the calling thread and work(helper) for each helper on a thread
// of its own, and returns when all have finished.
template <typename Work>
void OnEveryTest(const TuneTest& test, const std::vector<TuneTest>& helpers, Work&& work) {
  std::atomic<size_t> nextHelper{0};
  OnThreads(helpers.size() + 1,
            [&](bool calling) { work(calling ? test : helpers[nextHelper.fetch_add(1)]); });
}

// Tests the tunes of file on the calling thread and the helpers' threads, then adds
// the found ones to the list in file order.
void TestShared(const TuneFile& file, const std::string& path, const TuneTest& test,
                const std::vector<TuneTest>& helpers, FoundList& list) {
  const size_t count = file.TuneCount();
  // Positions are worked out now, so that the threads only read them.
  if (count > 0) file.PositionOf(*file.TuneAt(1));
  std::vector<std::string> lines(count);
  std::vector<char> found(count, 0);
  std::atomic<size_t> next{0};
  auto work = [&](const TuneTest& t) {
    for (size_t i; (i = next.fetch_add(1)) < count;) {
      const TuneRecord* tune = file.TuneAt(static_cast<int>(i + 1));
      if (tune != nullptr && t(*tune, lines[i])) found[i] = 1;
    }
  };
  OnEveryTest(test, helpers, work);
  for (size_t i = 0; i < count; ++i)
    if (found[i] != 0) list.Add(path, lines[i]);
}

// Without polling and with a test for each thread, the files are shared out among the
// threads (each reads and tests whole files); a single big file has its tunes shared
// out instead. The list and the messages come out in the order of one thread.
bool RunShared(const FileSearchRun& run, FoundList& list) {
  struct Work {
    std::string path;
    std::string error;
    std::vector<std::string> lines;  // of the tunes found
  };
  struct Pattern {
    size_t first = 0, end = 0;  // its files in works
    bool found = true;          // false: no such folder
  };
  std::vector<Work> works;
  std::vector<Pattern> patterns;
  for (const std::string& pattern : run.patterns) {
    Pattern p;
    p.first = works.size();
    p.found = WalkFiles(pattern, run.subdirectories, [&](const std::string& path) {
      works.push_back(Work{path, {}, {}});
      return true;
    });
    p.end = works.size();
    patterns.push_back(p);
  }
  const size_t cores = CoreCount();
  std::vector<TuneTest> helpers;
  for (size_t k = 1; k < cores && works.size() > 0; ++k)
    if (TuneTest t = run.newTest()) helpers.push_back(std::move(t));

  if (works.size() == 1 || helpers.empty()) {
    // One file (or one thread): read each file in turn.
    for (Work& w : works) {
      TuneFile file(run.fileOptions);
      if (!file.Load(w.path, w.error)) continue;
      FoundList found;
      if (!helpers.empty() && file.TuneCount() >= kTunesToShare) {
        TestShared(file, w.path, run.test, helpers, found);
      } else {
        std::string line;
        for (size_t i = 1; i <= file.TuneCount(); ++i) {
          line.clear();
          const TuneRecord* tune = file.TuneAt(static_cast<int>(i));
          if (tune != nullptr && run.test(*tune, line)) found.Add(w.path, line);
        }
      }
      for (const FoundList::Entry& e : found.Entries()) w.lines.push_back(e.tuneLine);
    }
  } else {
    std::atomic<size_t> next{0};
    auto work = [&](const TuneTest& test) {
      std::string line;
      for (size_t k; (k = next.fetch_add(1)) < works.size();) {
        Work& w = works[k];
        TuneFile file(run.fileOptions);
        if (!file.Load(w.path, w.error)) continue;
        for (size_t i = 1; i <= file.TuneCount(); ++i) {
          line.clear();
          const TuneRecord* tune = file.TuneAt(static_cast<int>(i));
          if (tune != nullptr && test(*tune, line)) w.lines.push_back(line);
        }
      }
    };
    OnEveryTest(run.test, helpers, work);
  }

  for (size_t n = 0; n < patterns.size(); ++n) {
    for (size_t k = patterns[n].first; k < patterns[n].end; ++k) {
      if (!works[k].error.empty()) {
        if (run.skipped) run.skipped(works[k].error);
        continue;
      }
      for (const std::string& line : works[k].lines) list.Add(works[k].path, line);
    }
    if (!patterns[n].found && run.skipped) run.skipped("no such folder: " + run.patterns[n]);
  }
  return true;
}

}  // namespace

bool RunFileSearch(const FileSearchRun& run, FoundList& list) {
  if (!run.poll && run.newTest) return RunShared(run, list);
  bool stopped = false;
  auto searchFile = [&](const std::string& path) {
    TuneFile file(run.fileOptions);
    std::string error;
    if (!file.Load(path, error)) {
      if (run.skipped) run.skipped(error);
      return true;
    }
    std::string line;
    for (size_t i = 1; i <= file.TuneCount(); ++i) {
      if (run.poll && !run.poll()) {
        stopped = true;
        return false;
      }
      const TuneRecord* tune = file.TuneAt(static_cast<int>(i));
      line.clear();
      if (tune != nullptr && run.test(*tune, line)) list.Add(path, line);
    }
    return true;
  };
  for (const std::string& pattern : run.patterns) {
    if (!WalkFiles(pattern, run.subdirectories, searchFile) && run.skipped)
      run.skipped("no such folder: " + pattern);
    if (stopped) return false;
  }
  return true;
}

}  // namespace tunora
