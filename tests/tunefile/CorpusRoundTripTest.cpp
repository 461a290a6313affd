#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/FileIO.h"
#include "support/Corpus.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

// Every real file: the canonical form is stable (write, load, write gives the same
// bytes) and the model holds exactly the tunes the splitter found.
TEST(CorpusRoundTrip, WrittenFormIsStable) {
  auto files = test::CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "corpus not found";
  size_t tunes = 0;
  for (const auto& path : files) {
    for (bool tex : {false, true}) {
      TuneFileOptions opts;
      opts.convertTeX = tex;
      opts.canonical = true;
      TuneFile first(opts);
      std::string error;
      ASSERT_TRUE(first.Load(path.string(), error)) << path << ": " << error;
      std::string bytes;
      ASSERT_TRUE(ReadWholeFile(path.string(), bytes, error));
      TuneFile counter(opts);
      int found = counter.SplitTunes(bytes, true, 0, tex);
      EXPECT_EQ(static_cast<size_t>(found), first.TuneCount()) << path;

      std::string once = first.WriteFile();
      TuneFile second(opts);
      second.SplitTunes(once, true, 0, tex);
      EXPECT_EQ(second.TuneCount(), first.TuneCount()) << path;
      std::string twice = second.WriteFile();
      ASSERT_EQ(twice.size(), once.size()) << path << (tex ? " (TeX)" : "");
      EXPECT_TRUE(twice == once) << path << (tex ? " (TeX)" : "");
      if (!tex) tunes += first.TuneCount();
    }
  }
  std::printf("[ corpus   ] %zu files, %zu tunes written stably\n", files.size(), tunes);
}

}  // namespace
}  // namespace tunora

namespace tunora {
namespace {

// Inputs that once made the written form drift, kept from fuzzing.
TEST(CorpusRoundTrip, RegressionInputsAreStable) {
  std::filesystem::path dir =
      std::filesystem::path(TUNORA_SOURCE_DIR) / "tests/tunefile/regressions";
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string bytes, error;
    ASSERT_TRUE(ReadWholeFile(e.path().string(), bytes, error));
    TuneFileOptions opts;
    opts.canonical = true;
    TuneFile first(opts);
    first.SplitTunes(bytes, true, 0, false);
    std::string once = first.WriteFile();
    TuneFile second(opts);
    second.SplitTunes(once, true, 0, false);
    EXPECT_TRUE(second.WriteFile() == once) << e.path();
    ++files;
  }
  EXPECT_GT(files, 0);
}

// A 100 MB file splits into all of its tunes and writes back whole.
TEST(CorpusRoundTrip, HundredMegabyteFile) {
  const std::string tune =
      "X:1\nT:Big\nM:4/4\nL:1/8\nK:G\n|:\"G\"GABc dedB|\"C\"cBcd \"D\"efge:|\n"
      "|:\"G\"g2gf gdBd|\"C\"c2ec \"D\"BAGF:|\n\n";
  std::string text;
  text.reserve(100u << 20);
  while (text.size() + tune.size() <= (100u << 20)) text += tune;
  size_t expected = text.size() / tune.size();
  TuneFile f;
  EXPECT_EQ(static_cast<size_t>(f.SplitTunes(text, true, 0, false)), expected);
  EXPECT_EQ(f.TuneCount(), expected);
  std::string out = f.WriteFile();
  // Nothing changed, so every byte is written back.
  EXPECT_TRUE(out == text);
  EXPECT_EQ(f.TuneAt(static_cast<int>(expected))->titles[0], "Big");
}

}  // namespace
}  // namespace tunora
