// List making: reads tune files, picks the titles a match expression accepts,
// turns each into an entry through the list type's output format, sorts the entries
// with sub-headers when asked, and writes one output file with page headers,
// footers and page breaks, or one file per tune.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lists/ListType.h"
#include "tunefile/TuneFile.h"

namespace tunora {

class FoundList;
struct FormatEnv;

// What the Make List sheet hands over: the list type and the texts as entered.
struct MakeListRequest {
  ListType type;
  std::string files;   // input pattern (a format string): folder and file name pattern
  std::string output;  // output file name (a format string); unused with oneFilePerTune
  std::string sort;    // sort keys (replaces type.sortOrder)
  std::string match;   // match expression (replaces type.match)
  bool subdirectories = false;
  std::vector<std::string> promptValues;  // the placeholders' answers, also the k codes
};

struct MakeListHooks {
  const FormatEnv* env = nullptr;
  TuneFileOptions fileOptions;
  // The text of a file that is open in a window, with its unsaved changes; nullopt
  // when it is not open (it is then read from disk).
  std::function<std::optional<std::string>(const std::string& path)> openText;
  // Called between files and tunes; returns false to stop the run.
  std::function<bool()> poll;
  // The file being read, for the progress window.
  std::function<void(const std::string& path)> progress;
  // Messages for the user ("Cannot write file %s").
  std::function<void(const std::string& message)> report;
};

struct MakeListResult {
  bool written = false;                   // the output file (or every file per tune) was written
  bool stopped = false;                   // Stop ended the run; no output file was written
  std::string outputPath;                 // the output file (expanded); empty with oneFilePerTune
  std::string text;                       // what was written to it
  std::vector<std::string> filesWritten;  // with oneFilePerTune
  int inputFiles = 0;
  int entries = 0;
};

// The run. The output is made in memory and written at the end through a temporary
// file, so a failed or stopped run leaves no half-written list behind.
MakeListResult MakeList(const MakeListRequest& request, const MakeListHooks& hooks);

// The request as the Make List sheet starts it: the list type's own texts.
MakeListRequest RequestFromType(const ListType& type);

// The Found Files display of a list's output: "X:" lines give the number, "T:"
// lines the title, and each "F:" line adds the file it names with the line made of
// number, blank and title.
void FoundListFromOutput(std::string_view output, FoundList& list);

// Sort keys of one entry, one per letter of sortOrder that is a header letter or
// i, t, u (others are skipped); exposed for tests.
std::vector<std::string> SortKeysOf(const TuneRecord& tune, int titleIndex,
                                    const std::string& sortOrder, const FormatEnv* env);
// Compares two entries' keys one after another; true when a sorts before b.
bool SortKeysLess(const std::vector<std::string>& a, const std::vector<std::string>& b,
                  const std::string& sortOrder);

}  // namespace tunora
