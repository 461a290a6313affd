// Every Bagpipe Music Writer file of the shared collection converts, and every
// tune it gives reads in the ABC reader without an error token (what the table
// cannot spell stays in "%bmwerror: " comment lines, which the reader skips). A
// report per file (tunes, error lines) is printed; TUNORA_BWW_REPORT=PATH also
// writes it to a file. Skipped when the collection is not there.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "abc/AbcParser.h"
#include "base/MessageSink.h"
#include "import/Importer.h"
#include "support/Corpus.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

// Reads a tune to its end; the number of TK_ERROR tokens, or -1 when it did not end.
int ReaderErrors(const TuneRecord& tune) {
  AbcParser r;
  const auto* key = tune.Field('K');
  std::optional<std::string_view> keyText;
  if (key != nullptr && key->has_value()) keyText = **key;
  r.Init(keyText, tune.FieldText('M'), tune.FieldText('L'), std::string_view(tune.body),
         tune.FieldText('Q'), true);
  int errors = 0;
  size_t pos = 0;
  bool first = true;
  for (size_t n = 0; n < 64 * (tune.body.size() + 16); ++n) {
    TokenKind k = r.NextToken(pos, first);
    first = false;
    if (k == TK_END) return errors;
    if (k == TK_ERROR) ++errors;
  }
  return -1;
}

TEST(ImportCorpusTest, EveryBwwFileConvertsAndReads) {
  auto files = test::CorpusFiles("bww");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  const std::string home = std::string(TUNORA_SOURCE_DIR) + "/data/";
  int converted = 0, tunes = 0, errorLines = 0, filesWithErrors = 0;
  std::string report;
  for (const auto& path : files) {
    CollectingSink sink;
    ImportOutcome outcome = ConvertFile(ImportKind::kBww, path.string(), home, sink);
    const std::string rel = std::filesystem::relative(path, test::CorpusDir()).string();
    if (!outcome.ok) {
      report += rel + "\tnot converted: " + outcome.error + "\n";
      continue;
    }
    ++converted;
    TuneFile file;
    InsertTunes(file, 0, outcome.tunes);
    ASSERT_EQ(file.TuneCount(), outcome.tunes.size()) << rel;
    for (size_t t = 1; t <= file.TuneCount(); ++t) {
      const TuneRecord& tune = *file.TuneAt(static_cast<int>(t));
      EXPECT_EQ(tune.FieldText('K'), "Hp") << rel << " tune " << t;
      EXPECT_EQ(ReaderErrors(tune), 0) << rel << " tune " << t << "\n"
                                       << file.WriteTune(tune, false);
    }
    tunes += static_cast<int>(outcome.tunes.size());
    errorLines += outcome.errorLines;
    if (outcome.errorLines > 0) ++filesWithErrors;
    report += rel + "\t" + std::to_string(outcome.tunes.size()) + " tunes\t" +
              std::to_string(outcome.errorLines) + " error lines\n";
  }
  report += "files " + std::to_string(files.size()) + ", converted " + std::to_string(converted) +
            ", tunes " + std::to_string(tunes) + ", error lines " + std::to_string(errorLines) +
            " in " + std::to_string(filesWithErrors) + " files\n";
  std::printf("%s", report.c_str());
  if (const char* out = std::getenv("TUNORA_BWW_REPORT")) std::ofstream(out) << report;
  // Only the file that holds nothing but a set-up line gives no tune.
  EXPECT_GE(converted + 1, static_cast<int>(files.size()));
}

}  // namespace
}  // namespace tunora
