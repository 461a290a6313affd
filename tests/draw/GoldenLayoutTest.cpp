// Golden layout listings: each tests/draw/golden/NAME.abc is one small tune showing one
// behaviour of the notation engine; its first tune is drawn with the shipped layout
// file (and the "%%fmt" lines of the .abc, which the drawing itself never reads) on the
// recording canvas, and the listing of the laid-out items must equal NAME.txt, which
// was reviewed by hand.
//
// To regenerate after an intended change, run
//   TUNORA_UPDATE_GOLDEN=1 build/bin/tunora_tests --gtest_filter='GoldenLayout*'
// and review every changed listing with git diff before committing it.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/FileIO.h"
#include "draw/LayoutListing.h"
#include "draw/RecordingCanvas.h"
#include "support/Golden.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::string bytes, error;
  if (!ReadWholeFile(path.string(), bytes, error)) return {};
  return bytes;
}

// The listing of the first tune of an ABC text.
std::string ListingOf(const std::string& abc) {
  FormatSettings format;
  ParseFormat(Read(fs::path(TUNORA_SOURCE_DIR) / "data" / "layout.cfg"), format);
  ParseFormat(abc, format);
  test::RecordingCanvas recorder;
  ListingCanvas listing(recorder);
  auto file = test::MakeFile(abc);
  if (file->TuneCount() == 0) return {};
  DrawJob job;
  job.pageWidth = 21000;
  job.pageHeight = 29700;
  DrawContext dc(listing, format, LayoutParams(), SymbolMap(), job);
  dc.DrawTune(*file->TuneAt(1));
  dc.Finish();
  return listing.Listing();
}

TEST(GoldenLayout, EveryListingMatchesItsReviewedCopy) {
  const fs::path dir = fs::path(TUNORA_SOURCE_DIR) / "tests" / "draw" / "golden";
  const std::vector<fs::path> inputs = test::GoldenInputs(dir);
  ASSERT_GE(inputs.size(), 10u);
  for (const fs::path& abc : inputs)
    test::ExpectListing(fs::path(abc).replace_extension(".txt"), ListingOf(Read(abc)));
}

// The listing without the byte ranges and the title line, which differ with the order
// the voices are written in.
std::string Placement(const std::string& listing) {
  std::string out;
  size_t i = 0;
  while (i < listing.size()) {
    size_t e = listing.find('\n', i);
    std::string line = listing.substr(i, e - i);
    i = e + 1;
    if (line.rfind("1 0 0 text", 0) == 0) continue;
    // page system staff kind symbol x y [begin end]
    size_t field = 0, p = 0;
    for (; p < line.size() && field < 7; ++p)
      if (line[p] == ' ') ++field;
    out += line.substr(0, p) + "\n";
  }
  return out;
}

TEST(GoldenLayout, VoicesAsBlocksOrLineByLineGiveTheSameSystems) {
  const fs::path dir = fs::path(TUNORA_SOURCE_DIR) / "tests" / "draw" / "golden";
  std::string blocks = Placement(ListingOf(Read(dir / "voices-block.abc")));
  std::string lines = Placement(ListingOf(Read(dir / "voices-alternating.abc")));
  EXPECT_GT(blocks.size(), 200u);
  EXPECT_EQ(blocks, lines);
}

}  // namespace
}  // namespace tunora
