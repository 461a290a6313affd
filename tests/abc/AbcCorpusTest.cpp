// Every tune of the shared collection of real files reads to TK_END. The number of
// TK_ERROR tokens per file is compared with tests/abc/corpus_errors.txt so that a
// change that makes the reader reject more shows at once; a summary per folder
// and the tunes with the most errors are printed.
//
// TUNORA_ABC_BASELINE_OUT=PATH writes the current counts as a new baseline;
// TUNORA_ABC_REPORT=PATH writes the error count of every tune.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "abc/AbcParser.h"
#include "support/Corpus.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

struct TuneCount {
  std::string name;  // file:position
  int tokens = 0;
  int errors = 0;
  int warnings = 0;
};

// Reads one tune as the performance builder does; false when it did not reach the end.
bool ReadTune(const TuneRecord& tune, const UserSymbols& fileSymbols, TuneCount& count) {
  AbcParser r;
  const auto* key = tune.Field('K');
  std::optional<std::string_view> keyText;
  if (key != nullptr && key->has_value()) keyText = **key;
  r.Init(keyText, tune.FieldText('M'), tune.FieldText('L'), std::string_view(tune.body),
         tune.FieldText('Q'), true);
  std::string header = "U:" + tune.FieldText('U');
  r.SetUserSymbols(UserSymbols::kDrawTable, &fileSymbols, header);
  const size_t limit = 64 * (tune.body.size() + 1) + 1024;
  size_t pos = 0;
  bool first = true;
  for (size_t n = 0; n < limit; ++n) {
    size_t before = pos;
    TokenKind k = r.NextToken(pos, first);
    first = false;
    if (pos < before || pos > tune.body.size()) return false;
    if (k == TK_END) return pos == tune.body.size();
    ++count.tokens;
    if (k == TK_ERROR) ++count.errors;
    if (r.SyntaxWarning()) ++count.warnings;
  }
  return false;
}

std::map<std::string, int> LoadBaseline(const std::string& path) {
  std::map<std::string, int> baseline;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ss(line);
    std::string file;
    int tunes = 0, errors = 0;
    if (ss >> file >> tunes >> errors) baseline[file] = errors;
  }
  return baseline;
}

TEST(AbcCorpusTest, EveryTuneReadsToTheEnd) {
  auto files = test::CorpusFiles("abc");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  const std::filesystem::path root = test::CorpusDir() / "abc";

  struct FileResult {
    std::string rel;
    int tunes = 0;
    int errors = 0;
  };
  std::vector<FileResult> results;
  std::vector<TuneCount> tunes;
  std::map<std::string, std::array<long, 5>> folders;  // tunes, tokens, errors, warn, tunes w/ err
  for (const auto& path : files) {
    if (path.extension() != ".abc") continue;
    TuneFile file;
    std::string error;
    if (!file.Load(path.string(), error)) {
      ADD_FAILURE() << path << ": " << error;
      continue;
    }
    UserSymbols fileSymbols;
    if (file.headerText) fileSymbols.LoadFromText(*file.headerText);
    FileResult fr;
    fr.rel = std::filesystem::relative(path, root).generic_string();
    std::string folder = fr.rel.substr(0, fr.rel.find('/'));
    auto& f = folders[folder];
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      TuneCount c;
      c.name = fr.rel + ":" + std::to_string(k);
      EXPECT_TRUE(ReadTune(*file.TuneAt(static_cast<int>(k)), fileSymbols, c))
          << c.name << " did not reach TK_END";
      ++fr.tunes;
      fr.errors += c.errors;
      f[0] += 1;
      f[1] += c.tokens;
      f[2] += c.errors;
      f[3] += c.warnings;
      f[4] += c.errors > 0;
      tunes.push_back(c);
    }
    results.push_back(fr);
  }

  long total[5] = {};
  std::printf("%-22s %7s %9s %7s %7s %9s\n", "folder", "tunes", "tokens", "errors", "warns",
              "w/errors");
  for (const auto& [name, f] : folders) {
    std::printf("%-22s %7ld %9ld %7ld %7ld %9ld\n", name.c_str(), f[0], f[1], f[2], f[3], f[4]);
    for (int i = 0; i < 5; ++i) total[i] += f[i];
  }
  std::printf("%-22s %7ld %9ld %7ld %7ld %9ld\n", "total", total[0], total[1], total[2], total[3],
              total[4]);
  std::vector<TuneCount> worst = tunes;
  std::sort(worst.begin(), worst.end(),
            [](const TuneCount& a, const TuneCount& b) { return a.errors > b.errors; });
  std::printf("most errors:");
  for (size_t i = 0; i < worst.size() && i < 5; ++i)
    std::printf(" %s=%d", worst[i].name.c_str(), worst[i].errors);
  std::printf("\n");

  if (const char* report = std::getenv("TUNORA_ABC_REPORT")) {
    std::ofstream out(report);
    for (const TuneCount& c : tunes)
      out << c.name << ' ' << c.tokens << ' ' << c.errors << ' ' << c.warnings << '\n';
  }
  if (const char* out = std::getenv("TUNORA_ABC_BASELINE_OUT")) {
    std::ofstream base(out);
    base << "# file tunes errors: TK_ERROR tokens per corpus file (AbcCorpusTest)\n";
    for (const FileResult& fr : results)
      base << fr.rel << ' ' << fr.tunes << ' ' << fr.errors << '\n';
  }

  auto baseline = LoadBaseline(std::string(TUNORA_SOURCE_DIR) + "/tests/abc/corpus_errors.txt");
  if (baseline.empty()) return;
  for (const FileResult& fr : results) {
    auto it = baseline.find(fr.rel);
    if (it == baseline.end()) continue;
    EXPECT_LE(fr.errors, it->second) << fr.rel << ": more TK_ERROR tokens than before";
  }
}

}  // namespace
}  // namespace tunora
