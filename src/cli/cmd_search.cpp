// Commands of the search: find (text and advanced search across files) and
// music-search (melody search). Both print the Found Files list as the window
// shows it: a file line, then TAB and the tune line for each tune found.
#include <memory>
#include <string>
#include <vector>

#include "Environment.h"
#include "search/FileSearch.h"
#include "tunefile/TuneFormat.h"
#include "search/TuneSearch.h"

namespace tunora::cli {
namespace {

// Runs request over the files and prints the list.
int RunSearch(const Environment& env, SearchRequest request,
              const std::vector<std::string>& patterns, bool subdirectories) {
  TuneSearch search;
  std::string message, warning;
  if (!search.Prepare(request, message, warning)) return Fail(message);
  if (!warning.empty()) StderrSink().Message(warning);
  FoundList list;
  FileSearchRun run;
  run.patterns = patterns;
  run.subdirectories = subdirectories;
  run.fileOptions = env.TuneOptions();
  run.test = [&](const TuneRecord& tune, std::string& line) {
    return search.Test(tune, line, &env.formatEnv);
  };
  run.skipped = [](const std::string& why) { StderrSink().Message(why); };
  // Big files are searched on a few threads, each with a test of its own. A list
  // format with the date or the incipit keeps to one thread: those read shared state.
  std::vector<std::unique_ptr<TuneSearch>> helpers;
  if (FormatCodeLetters(request.listFormat, FormatOptions{}).find_first_of("di") ==
      std::string::npos) {
    run.newTest = [&]() -> std::function<bool(const TuneRecord&, std::string&)> {
      auto helper = std::make_unique<TuneSearch>();
      std::string ignored;
      if (!helper->Prepare(request, ignored, ignored)) return {};
      TuneSearch* h = helpers.emplace_back(std::move(helper)).get();
      return [h, &env](const TuneRecord& tune, std::string& line) {
        return h->Test(tune, line, &env.formatEnv);
      };
    };
  }
  RunFileSearch(run, list);
  if (list.Lines().empty()) {
    StderrSink().Message("No matching files were found.");
    return 0;
  }
  return WriteOut(list.Text()) ? 0 : Fail("cannot write the output");
}

bool ReadPercent(const Args& a, int& percent) {
  if (!a.Has("--loose")) return true;
  return ParseInt(a.Get("--loose"), percent) && percent >= 0 && percent <= 100;
}

int Find(const Args& a) {
  const bool text = a.Has("--text"), match = a.Has("--match");
  if (a.positional.empty() || text == match)
    return Fail(
        "usage: tunora-cli find PATTERN-OR-FILE... (--text T [--field F] [--loose P] "
        "[--exact] [--case] | --match EXPR [--prompt VALUE]...) [--subdir]");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  SearchRequest request;
  if (text) {
    request.type = SearchRequest::kText;
    request.listFormat = env.settings.search.listFormat;
    request.text.text = a.Get("--text");
    const std::string field = a.Get("--field", "*");
    if (field.size() != 1)
      return Fail(
          "--field takes one field letter, * (all header fields) "
          "or t (the tune body)");
    request.text.field = field[0];
    request.text.exact = a.Has("--exact");
    request.text.ignoreCase = !a.Has("--case");
    if (!ReadPercent(a, request.text.loosePercent))
      return Fail("--loose takes a percent, 0 to 100");
  } else {
    request.type = SearchRequest::kAdvanced;
    request.listFormat = env.settings.search.listFormat;
    request.match = a.Get("--match");
    request.promptValues = a.GetAll("--prompt");
  }
  return RunSearch(env, request, a.positional, a.Has("--subdir"));
}

int MusicSearch(const Args& a) {
  if (a.positional.size() < 2)
    return Fail(
        "usage: tunora-cli music-search PHRASE FILE-OR-PATTERN... [--key K] "
        "[--loose P] [--transpose SET,...] [--keep-ornaments] "
        "[--where beginning|anywhere] [--subdir]");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  const MusicSearchSettings& s = env.settings.musicSearch;
  SearchRequest request;
  request.type = SearchRequest::kMusic;
  request.listFormat = s.listFormat;
  MusicOptions& o = request.music;
  o = MusicOptionsFrom(s);
  o.ignoreOrnamentation = !a.Has("--keep-ornaments");
  if (!ReadPercent(a, o.loosePercent)) return Fail("--loose takes a percent, 0 to 100");
  if (a.Has("--transpose")) {
    o.transpose36 = o.transpose45 = o.transpose8 = o.transposeMaj2 = o.transposeMin2Aug4 =
        o.transpose8plus = false;
    bool all = false, none = false;
    std::string unknown;
    for (const std::string& list : a.GetAll("--transpose"))
      if (!SetWords(list,
                    {{"second", &o.transposeMaj2},
                     {"fourth-fifth", &o.transpose45},
                     {"octave", &o.transpose8},
                     {"third-sixth", &o.transpose36},
                     {"minor-second-tritone", &o.transposeMin2Aug4},
                     {"octave-plus", &o.transpose8plus},
                     {"all", &all},
                     {"none", &none}},
                    unknown))
        return Fail(
            "--transpose takes second, fourth-fifth, octave, third-sixth, "
            "minor-second-tritone, octave-plus, all or none; not " +
            unknown);
    if (all)
      o.transpose36 = o.transpose45 = o.transpose8 = o.transposeMaj2 = o.transposeMin2Aug4 =
          o.transpose8plus = true;
  }
  if (a.Has("--where")) {
    const std::string where = a.Get("--where");
    if (where == "beginning")
      o.where = MusicOptions::kBeginning;
    else if (where == "anywhere")
      o.where = MusicOptions::kAnywhere;
    else
      return Fail("--where takes beginning or anywhere");
  }
  request.phrase =
      a.Has("--key") ? JoinKeyPrefix(a.Get("--key"), a.positional[0]) : a.positional[0];
  std::vector<std::string> patterns(a.positional.begin() + 1, a.positional.end());
  return RunSearch(env, request, patterns, a.Has("--subdir"));
}

const Register kFind({"find",
                      "find PATTERN-OR-FILE... (--text T [--field F] [--loose P] [--exact] "
                      "[--case] | --match EXPR [--prompt VALUE]...) [--subdir]",
                      {"--exact", "--case", "--subdir"},
                      {"--text", "--field", "--loose", "--match", "--prompt"},
                      Find});
const Register kMusicSearch({"music-search",
                             "music-search PHRASE FILE-OR-PATTERN... [--key K] [--loose P] "
                             "[--transpose SET,...] [--keep-ornaments] "
                             "[--where beginning|anywhere] [--subdir]",
                             {"--keep-ornaments", "--subdir"},
                             {"--key", "--loose", "--transpose", "--where"},
                             MusicSearch});

}  // namespace
}  // namespace tunora::cli
