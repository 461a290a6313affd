#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "base/FileIO.h"
#include "support/Corpus.h"
#include "support/Scratch.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

// Loads text as a file would be loaded.
std::unique_ptr<TuneFile> Load(std::string_view text, TuneFileOptions opts = {}) {
  auto f = std::make_unique<TuneFile>(opts);
  f->SplitTunes(text, true, 0, f->Options().convertTeX);
  return f;
}

TEST(SplitTunes, FileHeaderIsTextBeforeFirstTuneLine) {
  auto f = Load("X:1\nT:A\nK:G\nabc\n");
  EXPECT_FALSE(f->headerText.has_value());
  ASSERT_EQ(f->TuneCount(), 1u);

  f = Load("% my tunes\nO:Ireland\n\nX:1\nT:A\nK:G\nabc\n");
  ASSERT_TRUE(f->headerText.has_value());
  EXPECT_EQ(*f->headerText, "% my tunes\r\nO:Ireland\r\n\r\n");
  ASSERT_NE(f->HeaderField('O'), nullptr);
  EXPECT_EQ(**f->HeaderField('O'), "Ireland");
  EXPECT_EQ(f->TuneCount(), 1u);

  f = Load("just some text\nwithout tunes");
  EXPECT_EQ(f->TuneCount(), 0u);
  EXPECT_EQ(*f->headerText, "just some text\r\nwithout tunes");
}

TEST(SplitTunes, TunesEndAtEmptyLineAndKeepTextAfterThem) {
  auto f = Load("X:1\nT:A\nK:G\nabc|\n\nA note about it.\nX:2\nT:B\nK:D\ndef|\n");
  ASSERT_EQ(f->TuneCount(), 2u);
  const TuneRecord* t1 = f->TuneAt(1);
  EXPECT_EQ(t1->body, "abc|\r\n");
  ASSERT_TRUE(t1->afterText.has_value());
  EXPECT_EQ(*t1->afterText, "\r\nA note about it.\r\n");
  EXPECT_EQ(f->TuneAt(2)->number, 2);
  EXPECT_EQ(f->TuneAt(2)->titles[0], "B");
}

TEST(SplitTunes, TitleAfterEmptyLineOrDirectXLineStartsNewTune) {
  auto f = Load("X:5\nT:A\nK:G\nabc\n\nT:Second\nK:D\ndef\n");
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_EQ(f->TuneAt(2)->number, 1);
  EXPECT_EQ(f->TuneAt(2)->titles[0], "Second");

  f = Load("X:1\nT:A\nK:G\nabc\nX:2\nT:B\nK:G\ncde\n");
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_FALSE(f->TuneAt(1)->afterText.has_value());
  EXPECT_EQ(f->TuneAt(1)->body, "abc\r\n");

  // A line of blanks is not an empty line.
  f = Load("X:1\nT:A\nK:G\nabc\n  \nT:not a new tune\n");
  EXPECT_EQ(f->TuneCount(), 1u);
}

TEST(SplitTunes, ByteOrderMarkDoesNotSwallowFirstTune) {
  auto f = Load("\xEF\xBB\xBFX:1\nT:A\nK:G\nabc\n\nX:2\nT:B\nK:G\nabc\n");
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_EQ(f->TuneAt(1)->titles[0], "A");
  EXPECT_EQ(f->WriteFile().substr(0, 5), "\xEF\xBB\xBFX:");
}

TEST(SplitTunes, LoneCarriageReturnsAreLineEnds) {
  auto f = Load("%hdr\r\rX:1\rT:A\rK:G\rabc\r\rX:2\rT:B\rK:G\rdef\r");
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_EQ(f->TuneAt(1)->titles[0], "A");
  EXPECT_EQ(f->TuneAt(2)->body, "def\r\n");
}

TEST(SplitTunes, NulBytesAndBinaryKeepEveryByte) {
  std::string text("X:1\nT:A\nK:G\nab\0c\n\nX:2\nT:B\nK:G\nd\0e\n", 35);
  auto f = Load(text);
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_EQ(f->TuneAt(1)->body, std::string("ab\0c\r\n", 6));
  EXPECT_NE(f->WriteFile().find(std::string("d\0e", 3)), std::string::npos);

  std::string binary;
  for (int k = 0; k < 5000; ++k) binary += static_cast<char>((k * 7919) & 0xFF);
  auto b = Load(binary);
  std::string once = b->WriteFile();
  auto again = Load(once);
  EXPECT_EQ(again->WriteFile(), once);
}

// Whatever the bytes, splitting ends and hands every byte to exactly one piece: the
// header and the tunes, in order, are the file again. Inputs are built from the pieces
// that decide where tunes start and end (field starts, blank lines, lone CR, a BOM).
TEST(SplitTunes, EveryInputSplitsIntoPiecesThatMakeItUpExactly) {
  const char* const parts[] = {"X:", "T:", "K:",           "\n", "\r\n",  "\r",   "\n\n",
                               "a",  " ",  "\xEF\xBB\xBF", "%",  "X:1\n", "T:t\n"};
  uint32_t seed = 2024;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = round % 40;
    for (int k = 0; k < count; ++k) {
      seed = seed * 1664525u + 1013904223u;
      text += parts[(seed >> 16) % (sizeof parts / sizeof parts[0])];
    }
    auto f = Load(text);
    std::string joined = f->LoadedHeader();
    for (size_t k = 1; k <= f->TuneCount(); ++k) joined += f->TuneAt(static_cast<int>(k))->loaded;
    ASSERT_EQ(joined, text) << "round " << round;
    ASSERT_LE(f->TuneCount(), text.size());
  }
}

// The tune list reads headings, and MIDI files in bulk read whole tunes, without
// building the model: they must see the same tunes as a load, whatever the bytes.
TEST(ReadHeadings, SameTunesAndHeadingsAsSplitTunes) {
  const char* const parts[] = {"X:",   "T:",     "K:",    "H:",      "C:",    "\n",
                               "\r\n", "\r",     "\n\n",  "a",       " ",     "\xEF\xBB\xBF",
                               "%",    "X:12\n", "T:t\n", "M:3/4\n", "K:D\n", "H:hist\nmore\n",
                               "\\'e"};
  uint32_t seed = 77;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int k = 0; k < round % 50; ++k) {
      seed = seed * 1664525u + 1013904223u;
      text += parts[(seed >> 16) % (sizeof parts / sizeof parts[0])];
    }
    for (bool tex : {false, true}) {
      TuneFileOptions opts;
      opts.convertTeX = tex;
      auto f = Load(text, opts);
      size_t seen = 0;
      size_t count = TuneFile::ReadHeadings(text, tex, [&](const TuneRecord& r) {
        ++seen;
        ASSERT_LE(seen, f->TuneCount()) << "round " << round;
        const TuneRecord& want = *f->TuneAt(static_cast<int>(seen));
        EXPECT_EQ(r.number, want.number) << "round " << round;
        EXPECT_EQ(r.titles, want.titles) << "round " << round;
        for (char c : std::string_view("ABCDEFGHIJKLMNOPQRSUVYZum"))
          EXPECT_EQ(r.FieldText(c), want.FieldText(c)) << "round " << round << " " << c;
      });
      ASSERT_EQ(count, f->TuneCount()) << "round " << round;
      ASSERT_EQ(seen, count);

      std::string header = "stale";
      seen = 0;
      std::unique_ptr<TuneRecord> reused;  // every second record is read into again
      count = TuneFile::ReadTunes(text, tex, header, [&](std::unique_ptr<TuneRecord> r) {
        ++seen;
        EXPECT_LE(seen, f->TuneCount()) << "round " << round;
        if (seen > f->TuneCount()) return r;
        const TuneRecord& want = *f->TuneAt(static_cast<int>(seen));
        EXPECT_EQ(r->number, want.number) << "round " << round;
        EXPECT_EQ(r->titles, want.titles) << "round " << round;
        EXPECT_EQ(r->body, want.body) << "round " << round;
        EXPECT_EQ(r->words, want.words) << "round " << round;
        EXPECT_EQ(r->afterText, want.afterText) << "round " << round;
        for (char c : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZum"))
          EXPECT_EQ(*r->Field(c), *want.Field(c)) << "round " << round << " " << c;
        std::swap(r, reused);
        return r;
      });
      EXPECT_EQ(count, f->TuneCount()) << "round " << round;
      EXPECT_EQ(header, f->headerText.value_or("")) << "round " << round;
    }
  }
}

TEST(SplitTunes, EmptyTextAndMissingFinalLineEnd) {
  auto f = Load("");
  EXPECT_EQ(f->TuneCount(), 0u);
  EXPECT_EQ(f->WriteFile(), "");
  f = Load("X:3\nT:A\nK:G\nabc");
  ASSERT_EQ(f->TuneCount(), 1u);
  EXPECT_EQ(f->WriteTune(*f->TuneAt(1), false), "X:3\r\nT:A\r\nK:G\r\nabc");
}

TEST(ParseTune, HeaderFieldsTitlesAndComments) {
  TuneRecord r;
  size_t bodyAt = TuneFile::ParseTune(
      r,
      "X: 12\nT: First\nT:Second\n%comment\nC:  Trad\nN:  keep blanks\nR:reel\nR:hornpipe\n"
      "O:Ireland\nO:Clare\nX:99\nK:G\n|:abc:|\n",
      true);
  EXPECT_EQ(r.number, 12);
  EXPECT_EQ(r.titles, (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(r.FieldText('C'), "Trad");
  EXPECT_EQ(r.FieldText('N'), "  keep blanks");
  EXPECT_EQ(r.FieldText('R'), "hornpipe");
  EXPECT_EQ(r.FieldText('O'), "Ireland\r\nClare");
  EXPECT_EQ(r.FieldText('K'), "G");
  EXPECT_EQ(r.body, "%comment\r\n|:abc:|\r\n");
  EXPECT_EQ(bodyAt, std::string_view("X: 12\nT: First\nT:Second\n%comment\nC:  Trad\nN:  keep "
                                     "blanks\nR:reel\nR:hornpipe\nO:Ireland\nO:Clare\nX:99\nK:G\n")
                        .size());

  TuneRecord none;
  TuneFile::ParseTune(none, "K:D\nabc\n", true);
  EXPECT_EQ(none.number, 1);
  EXPECT_EQ(none.titles, std::vector<std::string>{""});
}

TEST(ParseTune, HistoryTakesContinuationLines) {
  TuneRecord r;
  TuneFile::ParseTune(r, "X:1\nT:A\nH:Learnt from\n  an old fiddler\n%in Clare\nu:x\nK:G\nabc\n",
                      true);
  EXPECT_EQ(r.FieldText('H'), "Learnt from\r\n  an old fiddler\r\n%in Clare\r\nu:x");
  EXPECT_EQ(r.FieldText('K'), "G");
  EXPECT_FALSE(r.Field('u')->has_value());
}

TEST(ParseTune, TrailingWordsBlockVersusWordsInsideMusic) {
  TuneRecord r;
  TuneFile::ParseTune(r, "X:1\nT:A\nK:G\nabc\nW:inside\ndef\nW:Verse one\nW: line two\n\nafter\n",
                      true);
  EXPECT_EQ(r.body, "abc\r\nW:inside\r\ndef\r\n");
  ASSERT_TRUE(r.words.has_value());
  EXPECT_EQ(*r.words, "Verse one\r\n line two");
  EXPECT_EQ(*r.afterText, "\r\nafter\r\n");
}

TEST(ParseTune, CommandTextHasNoEmptyLinesOrTextAfter) {
  TuneRecord r;
  TuneFile::ParseTune(r, "X:1\nT:A\nK:G\n\nabc\n\n\n\ndef\n\nmore\n", false);
  EXPECT_EQ(r.body, "abc\r\ndef\r\nmore\r\n");
  EXPECT_FALSE(r.afterText.has_value());
}

TEST(WriteTune, CanonicalOrderAndMultiLineFields) {
  auto f = Load(
      "X:7\nT:A\nT:B\nY:y\nm:~n=nnn\nK:Em\nZ:z\nE:e\nI:i\nJ:j\nQ:1/4=120\nC:one\nC:two\n"
      "D:disc\nP:AB\nH:h1\nh2\nM:6/8\nL:1/8\nR:jig\nW:hw\nK:G\nabc\nW:la\n\ntext\n");
  // Fields after a K: line in the header are not header fields: K: ends the header.
  auto t = Load(
      "X:7\nT:A\nT:B\nY:y\nm:~n=nnn\nZ:z\nE:e\nI:i\nJ:j\nQ:1/4=120\nC:one\nC:two\n"
      "D:disc\nP:AB\nH:h1\nh2\nM:6/8\nL:1/8\nR:jig\nW:hw\nK:G\nabc\nW:la\n\ntext\n");
  EXPECT_EQ(t->WriteTune(*t->TuneAt(1), false),
            "X:7\r\nT:A\r\nT:B\r\nR:jig\r\nC:one\r\nC:two\r\nH:h1\r\nH:h2\r\nD:disc\r\nZ:z\r\n"
            "P:AB\r\nM:6/8\r\nL:1/8\r\nQ:1/4=120\r\nm:~n=nnn\r\nE:e\r\nI:i\r\nJ:j\r\nY:y\r\n"
            "K:G\r\nabc\r\nW:hw\r\nW:la\r\n\r\ntext\r\n");
  EXPECT_EQ(f->TuneAt(1)->FieldText('K'), "Em");

  // A field missing from the order is not written; an empty K: is written alone.
  TuneFileOptions opts;
  opts.fieldOrder = "M";
  auto g = Load("X:1\nT:A\nC:gone\nM:3/4\nK:\nabc\n", opts);
  EXPECT_EQ(g->WriteTune(*g->TuneAt(1), false), "X:1\r\nT:A\r\nM:3/4\r\nK:\r\nabc\r\n");
}

TEST(WriteTune, HeaderWordsAreStableAcrossSaves) {
  // With K: the words move behind the music; without K: they stay header lines.
  TuneFileOptions canonical;
  canonical.canonical = true;
  for (const char* text : {"X:1\nT:A\nW:only in header\nK:G\nabc\n", "X:1\nT:A\nW:no key\nW:two\n",
                           "X:1\nW:h\nK:G\nabc\nW:t\n"}) {
    auto f = Load(text, canonical);
    std::string once = f->WriteFile();
    EXPECT_EQ(Load(once, canonical)->WriteFile(), once) << text;
  }
  EXPECT_EQ(Load("X:1\nT:A\nW:h\nK:G\nabc\n", canonical)->WriteFile(),
            "X:1\r\nT:A\r\nK:G\r\nabc\r\nW:h\r\n");
  EXPECT_EQ(*Load("X:1\nW:h\nK:G\nabc\nW:t\n")->TuneAt(1)->words, "h\r\nt");
}

TEST(TeXConversion, OnSaveAndLoad) {
  TuneFileOptions opts;
  opts.convertTeX = true;
  opts.cvtTeXEsc = true;
  auto f = Load("X:1\nT:B\xe4r & Co\nK:G\nabc\n", opts);
  // An unchanged tune keeps its bytes; a changed one is written with escapes.
  EXPECT_EQ(f->WriteFile(), "X:1\nT:B\xe4r & Co\nK:G\nabc\n");
  f->TuneAt(1)->body = "abd\r\n";
  std::string saved = f->WriteFile();
  EXPECT_NE(saved.find("T:B\\\"ar \\& Co"), std::string::npos);
  auto back = Load(saved, opts);
  EXPECT_EQ(back->TuneAt(1)->titles[0], "B\xe4r & Co");
}

TEST(TuneList, InsertNumbersAfterPreviousAndNewTuneTakesHeaderFields) {
  auto f = Load("C:Trad\nL:1/4\n\nX:4\nT:A\nK:G\nabc\n");
  TuneRecord* added = f->InsertTune(1);
  EXPECT_EQ(added->number, 5);
  EXPECT_EQ(added->FieldText('C'), "Trad");
  EXPECT_EQ(added->FieldText('L'), "1/4");
  EXPECT_TRUE(added->Field('K')->has_value());
  EXPECT_EQ(added->FieldText('M'), "");
  EXPECT_EQ(f->WriteTune(*added, false), "X:5\r\nT:\r\nC:Trad\r\nM:\r\nL:1/4\r\nK:\r\n\r\n\r\n");

  TuneRecord* head = f->InsertTune(0, std::string_view("T:Head\nK:D\nd\n"));
  EXPECT_EQ(head->number, 1);
  EXPECT_EQ(f->TuneAt(1), head);
  EXPECT_EQ(f->PositionOf(*added), 3);
  EXPECT_EQ(f->TuneCountPlusOne(), 4u);
  EXPECT_EQ(f->TuneAt(0), nullptr);
  EXPECT_EQ(f->TuneAt(4), nullptr);

  auto plain = Load("X:1\nT:A\nK:G\nabc\n");
  EXPECT_EQ(plain->InsertTune(1)->FieldText('L'), "1/8");
}

TEST(DocumentOperations, DeleteUndoRestoresTunesWhereTheyWere) {
  auto f = Load(
      "X:1\nT:A\nK:G\na\n\nX:2\nT:B\nK:G\nb\n\nnote on B\nX:3\nT:C\nK:G\nc\n\n"
      "X:4\nT:D\nK:G\nd\n\nX:5\nT:E\nK:G\ne\n");
  std::string before = f->WriteFile();
  DeleteResult r = f->DeleteTunes({2, 3, 5});
  EXPECT_EQ(r.removed, 3);
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_EQ(f->TuneAt(2)->titles[0], "D");
  EXPECT_TRUE(f->CanUndo());
  EXPECT_EQ(f->Undo().inserted, (std::vector<int>{2, 3, 5}));
  EXPECT_FALSE(f->CanUndo());
  EXPECT_EQ(f->WriteFile(), before);
}

TEST(DocumentOperations, DeleteSkipsOpenTunesAndShiftsOnlyByRemoved) {
  auto f = Load("X:1\nT:A\nK:G\na\n\nX:2\nT:B\nK:G\nb\n\nX:3\nT:C\nK:G\nc\n\nX:4\nT:D\nK:G\nd\n");
  DeleteResult r =
      f->DeleteTunes({1, 2, 4}, [](const TuneRecord& t) { return t.titles[0] == "B"; });
  EXPECT_EQ(r.removed, 2);
  EXPECT_EQ(r.refused, std::vector<int>{2});
  ASSERT_EQ(f->TuneCount(), 2u);
  EXPECT_EQ(f->TuneAt(1)->titles[0], "B");
  EXPECT_EQ(f->TuneAt(2)->titles[0], "C");
  f->Undo();
  EXPECT_EQ(f->CopyText({1, 2, 3, 4}),
            "X:1\r\nT:A\r\nK:G\r\na\r\n\r\nX:2\r\nT:B\r\nK:G\r\nb\r\n\r\nX:3\r\nT:C\r\nK:G\r\nc\r\n"
            "\r\nX:4\r\nT:D\r\nK:G\r\nd\r\n");
}

TEST(DocumentOperations, PasteRenumberAfterTextAndHeaderDialog) {
  auto f = Load("X:8\nT:A\nK:G\na\n\nX:9\nT:B\nK:G\nb\n");
  EXPECT_EQ(f->Paste(1, "\n\n  T:P1\nK:G\np\n\nT:P2\nK:G\nq\n"), 2);
  ASSERT_EQ(f->TuneCount(), 4u);
  // Pasted tunes are still separated from the next one by an empty line.
  EXPECT_EQ(f->CopyText({2}), "X:9\r\nT:P1\r\nK:G\r\np\r\n\r\n");
  EXPECT_EQ(f->TuneAt(2)->number, 9);
  EXPECT_EQ(f->TuneAt(3)->number, 10);
  EXPECT_EQ(f->TuneAt(3)->titles[0], "P2");
  EXPECT_EQ(f->Paste(0, " \r\n"), 0);

  f->Renumber(10);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(f->TuneAt(k)->number, 9 + k);

  EXPECT_TRUE(f->SetAfterText(1, "A note"));
  EXPECT_EQ(*f->TuneAt(1)->afterText, "\r\nA note\r\n");
  EXPECT_FALSE(f->SetAfterText(1, "\r\nA note\r\n"));
  EXPECT_FALSE(f->TuneAt(4)->afterText.has_value());
  EXPECT_TRUE(f->SetAfterText(4, ""));
  EXPECT_EQ(*f->TuneAt(4)->afterText, "\r\n");

  f->SetHeaderFromDialog("\n\nC:Someone\nZ:x\n\n");
  EXPECT_EQ(*f->headerText, "C:Someone\r\nZ:x\r\n");
  EXPECT_EQ(**f->HeaderField('C'), "Someone");
  f->SetHeaderFromDialog("");
  EXPECT_EQ(*f->headerText, "\r\n");
  f->SetHeaderFromDialog("%");
  auto again = Load(f->WriteFile());
  EXPECT_EQ(again->TuneCount(), 4u);
}

class TempDir : public ::testing::Test {
 protected:
  test::ScratchDir scratch{"tunora-tunefile-"};
  std::filesystem::path dir = scratch.Path();
};

TEST_F(TempDir, SaveReplacesFileAndFailedSaveKeepsOriginal) {
  std::string path = (dir / "reels.abc").string();
  { std::ofstream(path, std::ios::binary) << "X:1\nT:Old\nK:G\nabc\n"; }
  TuneFile f;
  std::string error;
  ASSERT_TRUE(f.Load(path, error)) << error;
  EXPECT_EQ(f.name, path);
  f.TuneAt(1)->titles[0] = "New";
  ASSERT_TRUE(f.Save(path, error)) << error;
  TuneFile g;
  ASSERT_TRUE(g.Load(path, error));
  EXPECT_EQ(g.TuneAt(1)->titles[0], "New");

  // A target that cannot be replaced (here a folder of that name) fails, keeps what
  // was there and leaves no partial file behind.
  std::filesystem::create_directories(dir / "taken.abc" / "inner");
  EXPECT_FALSE(f.Save((dir / "taken.abc").string(), error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.abc" / "inner"));
  // A file stands where a missing folder would be made.
  EXPECT_FALSE(f.Save((dir / "reels.abc" / "x.abc").string(), error));
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 2);  // reels.abc and the folder

  TuneFile h;
  EXPECT_FALSE(h.Load((dir / "nothing.abc").string(), error));
  EXPECT_FALSE(h.Load(dir.string(), error));
}

}  // namespace
}  // namespace tunora

namespace tunora {
namespace {

// A new tune never takes a number the file already has; pasted tunes keep theirs,
// and the repeated numbers are found for the status bar.
TEST(TuneList, NewTuneTakesAnUnusedNumberAndRepeatsAreFound) {
  auto f = Load("X:1\nT:A\nK:G\na\n\nX:2\nT:B\nK:G\nb\n\nX:3\nT:C\nK:G\nc\n\nX:7\nT:D\nK:G\nd\n");
  EXPECT_EQ(f->InsertTune(1)->number, 4);
  EXPECT_EQ(f->InsertTune(5)->number, 8);
  EXPECT_TRUE(f->RepeatedNumbers().empty());
  f->Paste(0, "X:2\nT:B again\nK:G\nb\n\nX:7\nT:D again\nK:G\nd\n");
  EXPECT_EQ(f->TuneAt(1)->number, 2);
  EXPECT_EQ(f->RepeatedNumbers(), (std::vector<int32_t>{2, 7}));
  EXPECT_EQ(f->UnusedNumber(std::numeric_limits<int32_t>::max()),
            std::numeric_limits<int32_t>::max());
}

}  // namespace
}  // namespace tunora

// Saving respects the user's file: tunes nobody changed go back byte for byte, a
// changed tune is the only thing a diff shows, and the file keeps its line ends.
namespace tunora {
namespace {

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
    if (k != 2 && k != 7 && k != 12) {
      EXPECT_EQ(now[k], was[k - (k > 7 ? 1 : 0)]) << k;
    }
  // A number that stays the same leaves its tune untouched.
  auto g = Load(text);
  g->Renumber(7);
  EXPECT_EQ(Lines(g->WriteFile())[2], "X: 7 % first\n");
}

TEST(SaveKeepsBytes, ChangedTunesAndHeaderTakeTheFilesLineEnds) {
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    const std::string text = "% head" + end + end + "X:1" + end + "T:A" + end + "K:G" + end +
                             "abc" + end + end + "X:2" + end + "T:B" + end + "K:G" + end + "d" +
                             end;
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
  // A change anywhere in the tune counts, the text after it too.
  ASSERT_TRUE(f->SetAfterText(1, "\r\nsession notes\r\n"));
  EXPECT_FALSE(f->KeepsLoadedBytes(*f->TuneAt(1)));
  EXPECT_NE(f->WriteFile().find("\nsession notes\n"), std::string::npos);
  // Copy and paste makes a new tune: it is written in canonical form, and the text
  // after it stays text after it.
  f->Paste(2, f->CopyText({1}));
  EXPECT_FALSE(f->KeepsLoadedBytes(*f->TuneAt(3)));
  EXPECT_EQ(f->TuneAt(3)->body, f->TuneAt(1)->body);
  EXPECT_EQ(f->TuneAt(3)->afterText, f->TuneAt(1)->afterText);
}

}  // namespace
}  // namespace tunora
