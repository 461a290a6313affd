// Saving respects the user's file: tunes nobody changed go back byte for byte, a
// changed tune is the only thing a diff shows, and the file keeps its line ends.
#include <gtest/gtest.h>

#include "app/FileIO.h"
#include "support/Corpus.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

std::unique_ptr<TuneFile> Load(std::string_view text, TuneFileOptions opts = {}) {
  auto f = std::make_unique<TuneFile>(opts);
  f->SplitTunes(text, true, 0, f->Options().convertTeX);
  return f;
}

// Lines of a text, split at LF (a CR stays with its line).
std::vector<std::string> Lines(std::string_view t) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t k = 0; k < t.size(); ++k)
    if (t[k] == '\n') {
      lines.emplace_back(t.substr(start, k + 1 - start));
      start = k + 1;
    }
  if (start < t.size()) lines.emplace_back(t.substr(start));
  return lines;
}

TEST(SaveKeepsBytes, EveryCorpusFileUnchangedComesBackByteForByte) {
  auto files = test::CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "corpus not found";
  for (const auto& path : files) {
    std::string bytes, error;
    ASSERT_TRUE(ReadWholeFile(path.string(), bytes, error));
    for (bool tex : {false, true}) {
      TuneFileOptions opts;
      opts.convertTeX = tex;
      auto f = Load(bytes, opts);
      ASSERT_TRUE(f->WriteFile() == bytes) << path << (tex ? " (TeX)" : "");
    }
  }
}

// A real file: one tune's title changes; everything before and after that tune is
// the same bytes, and the changed tune has the file's line ends.
TEST(SaveKeepsBytes, ChangingOneCorpusTuneChangesOnlyThatTune) {
  int tried = 0;
  for (const auto& path : test::CorpusFiles("abc")) {
    std::string bytes, error;
    ASSERT_TRUE(ReadWholeFile(path.string(), bytes, error));
    auto f = Load(bytes);
    if (f->TuneCount() < 3 || bytes.find('\r') != std::string::npos) continue;
    const int pos = static_cast<int>(f->TuneCount() / 2);
    const TuneRecord* before = f->TuneAt(pos - 1);
    const TuneRecord* after = f->TuneAt(pos + 1);
    size_t head = f->LoadedHeader().size();
    for (int k = 1; k < pos; ++k) head += f->TuneAt(k)->loaded.size();
    const size_t tail = bytes.size() - head - f->TuneAt(pos)->loaded.size();
    ASSERT_FALSE(before->loaded.empty());
    ASSERT_FALSE(after->loaded.empty());

    f->TuneAt(pos)->titles[0] += " (changed)";
    const std::string out = f->WriteFile();
    EXPECT_EQ(out.compare(0, head, bytes, 0, head), 0) << path;
    ASSERT_GE(out.size(), tail);
    EXPECT_EQ(out.compare(out.size() - tail, tail, bytes, bytes.size() - tail, tail), 0) << path;
    const std::string changed = out.substr(head, out.size() - head - tail);
    EXPECT_NE(changed.find(" (changed)\n"), std::string::npos) << path;
    EXPECT_EQ(changed.find('\r'), std::string::npos) << path;
    if (++tried == 5) break;
  }
  if (tried == 0) GTEST_SKIP() << "corpus not found";
}

TEST(SaveKeepsBytes, RenumberTouchesOnlyTheXLines) {
  const std::string text =
      "%abc-2.1\n\nX: 7 % first\nT:One\nK:G\nabc\n\nT:No number\nK:D\ndef\n\n"
      "X:9\nT:Three\nK:A\nefg\n";
  auto f = Load(text);
  f->Renumber(1);
  const std::vector<std::string> was = Lines(text), now = Lines(f->WriteFile());
  ASSERT_EQ(now.size(), was.size() + 1);  // the tune without X: gains its line
  EXPECT_EQ(now[2], "X: 1 % first\n");
  EXPECT_EQ(now[7], "X:2\n");
  EXPECT_EQ(now[8], "T:No number\n");
  EXPECT_EQ(now[12], "X:3\n");
  for (size_t k = 0; k < now.size(); ++k)
    if (k != 2 && k != 7 && k != 12) EXPECT_EQ(now[k], was[k - (k > 7 ? 1 : 0)]) << k;
  // A number that stays the same leaves its tune untouched.
  auto g = Load(text);
  g->Renumber(7);
  EXPECT_EQ(Lines(g->WriteFile())[2], "X: 7 % first\n");
}

TEST(SaveKeepsBytes, ChangedTunesAndHeaderTakeTheFilesLineEnds) {
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    const std::string text = "% head" + end + end + "X:1" + end + "T:A" + end + "K:G" + end +
                             "abc" + end + end + "X:2" + end + "T:B" + end + "K:G" + end + "d" + end;
    auto f = Load(text);
    EXPECT_EQ(f->WriteFile(), text);
    f->TuneAt(2)->body = "e\r\n";
    f->SetHeaderFromDialog("% new head\r\n");
    const std::string expected = "% new head" + end + "X:1" + end + "T:A" + end + "K:G" + end +
                                 "abc" + end + end + "X:2" + end + "T:B" + end + "M:" + end +
                                 "K:G" + end + "e" + end;
    f->TuneAt(2)->Field('M')->emplace();
    EXPECT_EQ(f->WriteFile(), expected) << static_cast<int>(end[0]);
  }
  // A file made in the program: LF, or CR LF when set; canonical is CR LF throughout.
  TuneFile fresh;
  fresh.InsertTune(0);
  EXPECT_EQ(fresh.FileLineEnds(), LineEnds::kLf);
  EXPECT_EQ(fresh.WriteFile().find('\r'), std::string::npos);
  fresh.Options().newFileCrLf = true;
  EXPECT_EQ(fresh.WriteFile(), "X:1\r\nT:\r\nM:\r\nL:1/8\r\nK:\r\n\r\n\r\n");

  TuneFileOptions canonical;
  canonical.canonical = true;
  auto c = Load("%h\nX: 1\nT:A\nK:G\nabc\n", canonical);
  EXPECT_EQ(c->WriteFile(), "%h\r\nX:1\r\nT:A\r\nK:G\r\nabc\r\n");
}

TEST(SaveKeepsBytes, UndoneDeletionKeepsTheBytesAndPastedTunesAreCanonical) {
  const std::string text = "X:1\nT:A\nC: Trad.\nK:G\nabc\n\nX:2\nT:B\nK:G\nd\n";
  auto f = Load(text);
  EXPECT_TRUE(f->KeepsLoadedBytes(*f->TuneAt(1)));
  f->DeleteTunes({1});
  f->Undo();
  EXPECT_EQ(f->WriteFile(), text);
  // Copy and paste makes a new tune: it is written in canonical form.
  f->Paste(2, f->CopyText({1}));
  EXPECT_FALSE(f->KeepsLoadedBytes(*f->TuneAt(3)));
}

}  // namespace
}  // namespace tunora
