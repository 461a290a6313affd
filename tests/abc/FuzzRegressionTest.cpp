// Inputs the reader's fuzz target found, read the way the target reads them: a flag
// byte, then lines K, M, L, Q, user-symbol lines up to a NUL, then the body.
#include <gtest/gtest.h>

#include <string>

#include "abc/AbcParser.h"

namespace tunora {
namespace {

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

// Reads the body twice (the second time after Restart, with what the body's U:
// fields defined still in force); returns the tokens of each pass, -1 for no end.
std::pair<long, long> ReadFuzzInput(const std::string& input) {
  const auto flags = static_cast<uint8_t>(input[0]);
  std::string_view in(input);
  in.remove_prefix(1);
  auto line = [&] {
    size_t e = in.find('\n');
    std::string_view l = in.substr(0, e);
    in = e == std::string_view::npos ? std::string_view{} : in.substr(e + 1);
    return l;
  };
  std::string_view key = line(), meter = line(), unit = line(), tempo = line();
  size_t nul = in.find('\0');
  std::string_view symbols = in.substr(0, nul);
  std::string body(nul == std::string_view::npos ? std::string_view{} : in.substr(nul + 1));
  AbcParser r;
  r.commonEqualsCut = (flags & 1) != 0;
  std::optional<std::string_view> keyText;
  if ((flags & 2) != 0) keyText = key;
  std::optional<std::string_view> pickup;
  if ((flags & 4) != 0) pickup = body;
  r.Init(keyText, meter, unit, pickup, tempo, (flags & 8) != 0);
  r.SetText(body);
  r.SetUserSymbols((flags >> 4) & 3, nullptr, symbols);
  long counts[2] = {-1, -1};
  for (long& count : counts) {
    size_t pos = 0;
    bool first = true;
    for (long n = 0; n < 1000000; ++n) {
      if (r.NextToken(pos, first) == TK_END) {
        count = n;
        break;
      }
      first = false;
    }
    r.Restart();
  }
  return {counts[0], counts[1]};
}

// Symbols defined by U: lines of the body lead into each other, nested to the depth
// limit, many times over in the second pass; the reader must still get to the end.
TEST(FuzzRegressionTest, NestedBodyDefinitionsInASecondPass) {
  std::string input = FromHex(
      "1f430a430a312f310a312f343d3132380a0000000000000000000000000000000000000021000000"
      "e254203d2021726f6c64657c6661660a553a201f430a430a65626c69096954203d21217472696c6c"
      "210a753a2054203d2021726f6c6c210a553a2048203d2063ffff3d2021726f6c6c232128363a4338"
      "45385d7c3a0000009900000000000055427a647c63ffffffff3d726f31cec7f5a13a185420222021"
      "7472d76c6c2121543a0a20753d2021726f6c6c21207069616e6f2074756e6573480a5b433945385d"
      "7c3aa4a4a4a4a4a4a4a4a4a4a420f209335d207620613a2048203d2063640025206d3073747b7b7b"
      "7b660a554848484848484848484848484848484848eeeeeeeeee205400000000000000050a322fb8"
      "340a312f31360a0a553a2054203d20217472696c6c210a753a2054203d2021726f6c6c210a297c9f"
      "440a43277c0a312f380a0a553a2054203d21000000ea000000000000000000000000000000000000"
      "00000000000000000000553a002000000300544545454545454545454545454545450a312f380a0a"
      "b1553a2054203d203a0a750a205b422c2c3446");
  auto [first, second] = ReadFuzzInput(input);
  EXPECT_GT(first, 0);
  EXPECT_GT(second, first);
  EXPECT_LT(second, 100000);
}

}  // namespace
}  // namespace tunora
