// The tune rewriter and Chordwise over any bytes: they must finish, keep their
// output within a bounded size, and transposing a tune that reads without errors
// up and back must give the reader the same pitches again.
//
// Input layout: two flag bytes and a shift byte, then lines K, M, L and a new
// default length, the rest is the body.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abc/AbcParser.h"
#include "play/StyleSet.h"
#include "tools/Chordwise.h"
#include "tools/Transpose.h"
#include "tools/TuneRewriter.h"

namespace {

std::string_view NextLine(std::string_view& in) {
  size_t e = in.find('\n');
  std::string_view line = in.substr(0, e);
  in = e == std::string_view::npos ? std::string_view{} : in.substr(e + 1);
  return line;
}

const tunora::StyleSet& Styles() {
  static const tunora::StyleSet styles = [] {
    tunora::StyleSet s;
    unsigned line = 0;
    s.Parse(
        "chord { name ; notes 0 4 7;} chord { name m; notes 0 3 7;}"
        "chord { name 7; notes 0 4 7 10;} chord { name min; notes 0 3 7;}",
        line);
    return s;
  }();
  return styles;
}

// The pitches of the notes, or nothing when the text does not read cleanly or a
// pitch lies where moving it could fold it.
std::optional<std::vector<int>> CleanPitches(const tunora::TuneTexts& t) {
  tunora::AbcParser reader;
  reader.Init(t.key, t.meter, t.unitLength, t.body, {}, false);
  std::vector<int> pitches;
  size_t pos = 0;
  bool first = true;
  for (size_t count = 0; count < 4 * t.body.size() + 16; ++count) {
    tunora::TokenKind k = reader.NextToken(pos, first);
    first = false;
    if (k == tunora::TK_END) return pitches;
    if (k == tunora::TK_ERROR) return std::nullopt;
    if (k == tunora::TK_NOTE) {
      if (reader.note.pitch < 128 && (reader.note.pitch < 24 || reader.note.pitch > 103))
        return std::nullopt;
      pitches.push_back(reader.note.pitch);
    }
  }
  return std::nullopt;
}

bool HasEmptyLine(std::string_view body) {
  size_t start = 0;
  for (size_t i = 0; i <= body.size(); ++i) {
    if (i < body.size() && body[i] != '\n') continue;
    std::string_view line = body.substr(start, i - start);
    if (line.find_first_not_of(" \t\r") == std::string_view::npos && i < body.size()) return true;
    start = i + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const unsigned flags = data[0] | (unsigned{data[1]} << 8);
  const int shift = static_cast<int>(data[2] % 25) - 12;
  std::string_view in(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::string key(NextLine(in));
  const std::string meter(NextLine(in));
  const std::string unit(NextLine(in));
  const std::string newUnit(NextLine(in));
  const std::string body(in);

  tunora::TuneTexts t;
  if ((flags & 1) != 0) t.key = key;
  t.meter = meter;
  t.unitLength = unit;
  t.body = body;

  tunora::RewriteOptions o;
  o.removeChords = flags & 2;
  o.removeComments = flags & 4;
  o.removeGraces = flags & 8;
  o.removeContinuations = flags & 16;
  o.removeBreaks = flags & 32;
  o.removeBarSpaces = flags & 64;
  o.addContinuations = flags & 128;
  o.addBreaks = flags & 256;
  o.addBarSpaces = flags & 512;
  if ((flags & 1024) != 0) o.newUnitLength = newUnit;
  if ((flags & 2048) != 0) o.wrapColumn = 1 + data[2] % 40;
  if ((flags & 4096) != 0) {
    o.mode = tunora::RewriteOptions::kTranspose;
    o.shift = shift;
  }
  if ((flags & 8192) != 0 && !body.empty()) {
    o.wholeBody = false;
    o.rangeStart = data[2] % body.size();
    o.rangeEnd = o.rangeStart + data[1] % (body.size() - o.rangeStart + 1);
  }
  tunora::TuneRewriter rewriter(Styles());
  tunora::RewriteResult r = rewriter.Rewrite(t, o);
  // A blank and a mark at most around every byte, a line end per wrap; lengths may
  // grow by a written fraction.
  if (r.body.size() > 40 * body.size() + 64) std::abort();

  // Up and back, for bodies a tune can hold: an empty line ends a tune, and the
  // rewriter drops empty and blank lines (a line removals left empty would end it).
  if (auto before = HasEmptyLine(body) ? std::nullopt : CleanPitches(t)) {
    tunora::RewriteResult up = tunora::TransposeTune(t, shift, Styles());
    tunora::TuneTexts moved = t;
    moved.body = up.body;
    if (up.keyText) moved.key = *up.keyText;
    tunora::RewriteResult back = tunora::TransposeTune(moved, -shift, Styles());
    tunora::TuneTexts again = moved;
    again.body = back.body;
    if (back.keyText) again.key = *back.keyText;
    auto after = CleanPitches(again);
    if (!after || *after != *before) std::abort();
  }

  tunora::ChordwiseEngine engine(tunora::ChordwiseWeights{}, Styles().chordTypes, data[2] % 101);
  engine.perBar = flags & 16384;
  engine.writeChords = (flags & 32768) == 0;
  std::string chorded = body;
  std::string message;
  engine.Run(t, chorded, message);
  if (chorded.size() > 16 * body.size() + 64) std::abort();
  return 0;
}
