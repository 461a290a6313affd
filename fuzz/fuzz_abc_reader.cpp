// The ABC reader over any bytes: it must reach TK_END within a bounded number of
// tokens, never move backwards, never read outside the text, whatever the K:, M:,
// L:, Q: texts and user symbols.
//
// Input layout: one flag byte, then lines K, M, L, Q and user-symbol lines (up to the
// first NUL), the rest is the body.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "abc/AbcParser.h"
#include "abc/Incipit.h"

namespace {

std::string_view NextLine(std::string_view& in) {
  size_t e = in.find('\n');
  std::string_view line = in.substr(0, e);
  in = e == std::string_view::npos ? std::string_view{} : in.substr(e + 1);
  return line;
}

// A copy of exactly size bytes on the heap, so that a read past the end is caught.
struct Exact {
  explicit Exact(std::string_view s) : data(new char[s.size() + 1]), size(s.size()) {
    if (!s.empty()) std::memcpy(data.get(), s.data(), s.size());
  }
  std::string_view View() const { return {data.get(), size}; }
  std::unique_ptr<char[]> data;
  size_t size;
};

void ReadToEnd(tunora::AbcParser& r, std::string_view body, size_t symbolBytes) {
  // A symbol expands into at most its definition, and definitions nest 8 deep. A
  // definition comes from the symbol lines or from a U:/u: line of the body.
  size_t longest = symbolBytes;
  for (size_t i = 0; i < body.size();) {
    size_t e = body.find_first_of("\r\n", i);
    if (e == std::string_view::npos) e = body.size();
    longest = std::max(longest, e - i);
    i = e + 1;
  }
  const size_t limit = (body.size() + 2) * (10 * (longest + 2)) + 64;
  size_t pos = 0;
  bool first = true;
  volatile unsigned sink = 0;
  for (size_t count = 0;; ++count) {
    if (count > limit) std::abort();  // looping
    const size_t before = pos;
    tunora::TokenKind k = r.NextToken(pos, first);
    first = false;
    if (pos < before || pos > body.size()) std::abort();
    if (k == tunora::TK_END) {
      if (pos != body.size() && before < body.size()) std::abort();
      break;
    }
    for (char c : r.TokenText()) sink = sink + static_cast<unsigned char>(c);
    if (k == tunora::TK_DIRECTIVE && r.TokenValue() == tunora::kDirectiveMidi)
      r.ReadMidiDirective();
    if (k == tunora::TK_ERROR) r.AddError(tunora::MSG_ERROR_IN_TUNE, before);
    if (k == tunora::TK_NOTE && r.note.pitch > 131) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  Exact key(NextLine(in));
  Exact meter(NextLine(in));
  Exact unit(NextLine(in));
  Exact tempo(NextLine(in));
  size_t nul = in.find('\0');
  Exact symbols(in.substr(0, nul));
  Exact body(nul == std::string_view::npos ? std::string_view{} : in.substr(nul + 1));

  tunora::AbcParser r;
  r.commonEqualsCut = (flags & 1) != 0;
  std::optional<std::string_view> keyText;
  if ((flags & 2) != 0) keyText = key.View();
  std::optional<std::string_view> pickup;
  if ((flags & 4) != 0) pickup = body.View();
  r.Init(keyText, meter.View(), unit.View(), pickup, tempo.View(), (flags & 8) != 0);
  r.SetText(body.View());
  r.SetUserSymbols((flags >> 4) & 3, nullptr, symbols.View());
  ReadToEnd(r, body.View(), symbols.size);
  r.Restart();
  ReadToEnd(r, body.View(), symbols.size);

  std::string incipit = tunora::MakeIncipit(keyText, meter.View(), unit.View(), body.View());
  if (incipit.size() > 40 * body.size + 8) std::abort();  // a note costs at least a byte
  tunora::VoiceInfo voice;
  tunora::ParseVoice(tempo.View(), voice);
  tunora::MidiInfo midi;
  tunora::ParseMidiDirective(unit.View(), midi);
  return 0;
}
