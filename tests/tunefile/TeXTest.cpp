#include <gtest/gtest.h>

#include "tunefile/TeX.h"

namespace tunora {
namespace {

std::string Decode(std::string s) {
  TeXDecode(s);
  return s;
}

TEST(TeXDecode, EscapesAccentsAndBraceNames) {
  EXPECT_EQ(Decode("\\\"a\\'e\\`E\\^o\\~n"), "\xe4\xe9\xc8\xf4\xf1");
  EXPECT_EQ(Decode("\\\"Y\\'Y"), "\x9f\xdd");
  EXPECT_EQ(Decode("\\#\\$\\%\\&\\\\\\_\\{\\}"), "#$%&\\_{}");
  EXPECT_EQ(Decode("\\c{c}\\c{C}\\v{s}\\v{S}"), "\xe7\xc7\x9a\x8a");
  EXPECT_EQ(Decode("{\\AA}{\\aa}{\\ss}{\\OE}{\\o}{\\texteuro}{\\ddag}{\\dag}"),
            "\xc5\xe5\xdf\x8c\xf8\x80\x87\x86");
  // Unknown combinations stay as they are.
  EXPECT_EQ(Decode("\\'x \\c{x} \\q {\\unknown} \\"), "\\'x \\c{x} \\q {\\unknown} \\");
  EXPECT_EQ(Decode("\\\xe4"), "\\\xe4");
  EXPECT_EQ(Decode("\\'"), "\\'");
}

TEST(TeXEncode, TableAndSpecials) {
  EXPECT_EQ(TeXEncode("\xe4\xc5\xe7\x80\xbd\xa0", false), "\\\"a{\\AA}\\c{c}{\\texteuro}1/2 ");
  EXPECT_EQ(TeXEncode("a#b&c\\d", false), "a#b&c\\d");
  EXPECT_EQ(TeXEncode("a#b&c\\d", true), "a\\#b\\&c\\\\d");
  // Every letter that encodes to an escape decodes back to itself.
  for (int c = 192; c < 256; ++c) {
    if (c == 215 || c == 247) continue;
    std::string one(1, static_cast<char>(c));
    EXPECT_EQ(Decode(TeXEncode(one, false)), one) << c;
  }
}

}  // namespace
}  // namespace tunora
