// The search across files: the walk over the files a pattern names, the Found
// Files list, and the run that reads each file, tests every tune and fills the
// list, giving its caller the chance to handle events and stop between tunes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tunefile/TuneFile.h"

namespace tunora {

// True when name fits the pattern, where * stands for any run of characters and
// ? for one character; letters compare exactly.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// The pattern split at its last "/" into a folder (ending in "/", "./" when the
// pattern has none) and a file name pattern ("*.abc" when the pattern names a folder).
void SplitFilePattern(std::string_view pattern, std::string& folder, std::string& namePattern);

// Calls visit with the path of every file of the pattern's folder that fits the
// name pattern, in the order the file system lists them, then, with subdirectories,
// the same in each subdirectory, depth first. A folder reached twice (through a
// link) is walked once. visit returns false to stop the walk. Returns false when
// the folder does not exist.
bool WalkFiles(std::string_view pattern, bool subdirectories,
               const std::function<bool(const std::string& path)>& visit);

// The Found Files list: file lines (the full path) and tune lines (TAB + the tune's
// line), with the file and tune line of each entry and the number of matching files.
class FoundList {
 public:
  struct Entry {
    std::string file;
    std::string tuneLine;
  };

  // Adds one found tune; an entry equal to the last one is not added again.
  void Add(const std::string& file, const std::string& tuneLine);
  void Clear();

  const std::vector<std::string>& Lines() const { return lines_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  int MatchingFiles() const { return matchingFiles_; }
  // The list as text: one line each, ended by a line feed.
  std::string Text() const;

 private:
  std::vector<std::string> lines_;
  std::vector<Entry> entries_;
  int matchingFiles_ = 0;
};

// One run over files.
struct FileSearchRun {
  std::vector<std::string> patterns;  // each a folder path with a file name pattern, or a file
  bool subdirectories = false;
  TuneFileOptions fileOptions;
  // The test of one tune; the tune line to list is written into line.
  std::function<bool(const TuneRecord& tune, std::string& line)> test;
  // Called before each tune; returns false to stop the run (the Stop button).
  std::function<bool()> poll;
  // Called when a file or folder could not be read, for callers that report it.
  std::function<void(const std::string& message)> skipped;
  // Makes one more test, for a thread of its own. When it is given and poll is not,
  // the tunes of a big file are shared out among a few threads; the list comes out
  // the same as from one thread.
  std::function<std::function<bool(const TuneRecord& tune, std::string& line)>()> newTest;
};

// Runs the search into list. Returns false when it was stopped.
bool RunFileSearch(const FileSearchRun& run, FoundList& list);

}  // namespace tunora
