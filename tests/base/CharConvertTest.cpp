#include "base/CharConvert.h"

#include <gtest/gtest.h>

#include <string>

namespace tunora {
namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

TEST(HtmlEncode, SpecialCharactersBecomeEntitiesButQuoteStays) {
  EXPECT_EQ(HtmlEncode("Tom & Jerry <b> \"x\" 'y'"), "Tom &amp; Jerry &lt;b&gt; \"x\" 'y'");
  EXPECT_EQ(HtmlEncode(""), "");
}

TEST(HtmlEncode, Latin1CharactersUseNamedEntities) {
  // Both ends of the table and points on either side of the two hyphens.
  EXPECT_EQ(HtmlEncode(Byte(161) + Byte(172) + Byte(174) + Byte(176)), "&iexcl;&not;&reg;&deg;");
  EXPECT_EQ(HtmlEncode(Byte(196) + Byte(215) + Byte(223) + Byte(229) + Byte(247) + Byte(255)),
            "&Auml;&times;&szlig;&aring;&divide;&yuml;");
  EXPECT_EQ(HtmlEncode("Caf" + Byte(233) + " Br" + Byte(252) + "cke"), "Caf&eacute; Br&uuml;cke");
}

TEST(HtmlEncode, HyphensNoBreakSpaceAndWindowsPunctuation) {
  EXPECT_EQ(HtmlEncode(Byte(173)), "-");
  EXPECT_EQ(HtmlEncode(Byte(175)), "-");
  EXPECT_EQ(HtmlEncode(Byte(160)), Byte(160));
  for (int b = 128; b <= 159; ++b) EXPECT_EQ(HtmlEncode(Byte(b)), Byte(b)) << b;
  for (int b = 1; b < 128; ++b) {
    if (b == '&' || b == '<' || b == '>') continue;
    EXPECT_EQ(HtmlEncode(Byte(b)), Byte(b)) << b;
  }
  // Every other upper byte has a well-formed entity of at most 8 characters.
  for (int b = 161; b <= 255; ++b) {
    if (b == 173 || b == 175) continue;
    std::string e = HtmlEncode(Byte(b));
    EXPECT_TRUE(e.size() <= 8 && e.front() == '&' && e.back() == ';') << b << " " << e;
  }
}

TEST(HtmlEncode, TailFormLeavesThePrefixAlone) {
  std::string s = "<td>&" + Byte(233);
  HtmlEncodeTail(s, 4);
  EXPECT_EQ(s, "<td>&amp;&eacute;");
}

TEST(TeXDecodeForList, AccentEscapes) {
  EXPECT_EQ(TeXDecodeForList("Caf\\'e"), "Caf" + Byte(233));
  EXPECT_EQ(TeXDecodeForList("Espa\\~na"), "Espa" + Byte(241) + "a");
  EXPECT_EQ(TeXDecodeForList("\\`A\\^o\\\"U\\~O"), Byte(192) + Byte(244) + Byte(220) + Byte(213));
  // A letter the accent does not take is dropped together with the escape.
  EXPECT_EQ(TeXDecodeForList("x\\'yz"), "xz");
  EXPECT_EQ(TeXDecodeForList("\\~e"), "");
}

TEST(TeXDecodeForList, BackslashesAtTheEndAndBeforeOtherCharacters) {
  EXPECT_EQ(TeXDecodeForList("end\\'"), "end");
  EXPECT_EQ(TeXDecodeForList("end\\"), "end");
  EXPECT_EQ(TeXDecodeForList("a\\&b\\\\c"), "a&b\\c");
  EXPECT_EQ(TeXDecodeForList("\\" + Byte(233)), Byte(233));
}

TEST(TeXDecodeForList, BracedGroups) {
  EXPECT_EQ(TeXDecodeForList("{\\aa}s"), Byte(229) + "s");
  EXPECT_EQ(TeXDecodeForList("{\\AA}"), Byte(197));
  EXPECT_EQ(TeXDecodeForList("Stra{\\ss}e"), "Strae");
  EXPECT_EQ(TeXDecodeForList("{\\aa }x"), "x");
  // Without a closing brace only the '{' goes; later text is still decoded.
  EXPECT_EQ(TeXDecodeForList("a{b\\'e"), "ab" + Byte(233));
  EXPECT_EQ(TeXDecodeForList("a{b}c{d"), "acd");
}

TEST(TeXDecodeForList, TailFormIgnoresBracesBeforeTheValue) {
  std::string s = "}x{y";
  TeXDecodeForListTail(s, 1);
  EXPECT_EQ(s, "}xy");
}

}  // namespace
}  // namespace tunora
