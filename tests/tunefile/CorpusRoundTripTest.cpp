#include <gtest/gtest.h>

#include "app/FileIO.h"
#include "support/Corpus.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

// Every real file: the written form is stable (write, load, write gives the same bytes)
// and the model holds exactly the tunes the splitter found.
TEST(CorpusRoundTrip, WrittenFormIsStable) {
  auto files = test::CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "corpus not found";
  size_t tunes = 0;
  for (const auto& path : files) {
    for (bool tex : {false, true}) {
      TuneFileOptions opts;
      opts.convertTeX = tex;
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
