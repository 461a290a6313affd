#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/TextEncoding.h"
#include "support/Corpus.h"

namespace tunora {
namespace {

TEST(TextEncoding, Utf8ValidityIsStrict) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii\r\n"));
  EXPECT_TRUE(IsValidUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xBB"));
  EXPECT_TRUE(IsValidUtf8("\xEF\xBB\xBFX:1"));    // byte order mark
  EXPECT_FALSE(IsValidUtf8("Caf\xE9"));           // code page 1252 e acute
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short at the end
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong slash
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong, three bytes
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xC3\x28"));          // bad continuation
}

TEST(TextEncoding, FileEncodingFollowsBytesUnlessTeXConversionIsOn) {
  EXPECT_EQ(ChooseFileEncoding("T:Caf\xC3\xA9\r\n", false), TextEncoding::kUtf8);
  EXPECT_EQ(ChooseFileEncoding("T:Caf\xE9\r\n", false), TextEncoding::kCp1252);
  EXPECT_EQ(ChooseFileEncoding("T:plain\r\n", false), TextEncoding::kUtf8);
  // TeX escapes decode to code page 1252 characters.
  EXPECT_EQ(ChooseFileEncoding("T:Caf\\'e\r\n", true), TextEncoding::kCp1252);
}

TEST(TextEncoding, Cp1252TableCoversEveryByteBothWays) {
  EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(Cp1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(Cp1252ToUnicode(0x92), U'\u2019');
  EXPECT_EQ(Cp1252ToUnicode(0xE9), U'\u00E9');
  EXPECT_EQ(Cp1252ToUnicode(0x81), U'\u0081');  // undefined byte keeps its value
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<unsigned char>(b))), b) << b;
  }
  EXPECT_EQ(UnicodeToCp1252(U'\u0100'), -1);
  EXPECT_EQ(UnicodeToCp1252(U'\u0080'), -1);  // C1 control that 0x80 does not stand for
}

TEST(TextEncoding, EveryByteOfACp1252FileSurvivesDecodeAndEncode) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string shown = DecodeText(all, TextEncoding::kCp1252);
  EXPECT_TRUE(IsValidUtf8(shown));
  EXPECT_EQ(EncodeText(shown, TextEncoding::kCp1252), all);

  EXPECT_EQ(DecodeText("Caf\xE9 \x80", TextEncoding::kCp1252), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(DecodeText("Caf\xC3\xA9", TextEncoding::kUtf8), "Caf\xC3\xA9");
}

TEST(TextEncoding, RealLatin1FileRoundTripsUnchanged) {
  auto files = test::CorpusFiles("abc/encodings");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string bytes = ss.str();
    TextEncoding enc = ChooseFileEncoding(bytes, false);
    EXPECT_EQ(EncodeText(DecodeText(bytes, enc), enc), bytes) << f;
  }
}

TEST(TextEncoding, UnmappableCharactersAreCountedAndReplaced) {
  size_t bad = 99;
  // e acute fits, the Polish l with stroke and the emoji do not.
  EXPECT_EQ(EncodeText("\xC3\xA9\xC5\x82\xF0\x9F\x8E\xBB!", TextEncoding::kCp1252, &bad),
            "\xE9?"
            "?!");
  EXPECT_EQ(bad, 2u);
  EXPECT_EQ(EncodeText("\xC5\x82", TextEncoding::kUtf8, &bad), "\xC5\x82");
  EXPECT_EQ(bad, 0u);
  // Bytes that are no UTF-8 are read as code page 1252, never dropped.
  EXPECT_EQ(EncodeText("a\xE9", TextEncoding::kUtf8), "a\xC3\xA9");
  EXPECT_EQ(DecodeText("a\xE9z", TextEncoding::kUtf8), "a\xC3\xA9z");
}

TEST(TextEncoding, TranscodeBetweenDocuments) {
  EXPECT_EQ(Transcode("Caf\xE9", TextEncoding::kCp1252, TextEncoding::kUtf8), "Caf\xC3\xA9");
  EXPECT_EQ(Transcode("Caf\xC3\xA9", TextEncoding::kUtf8, TextEncoding::kCp1252), "Caf\xE9");
  EXPECT_EQ(Transcode("\xC3\xA9\xFF", TextEncoding::kCp1252, TextEncoding::kCp1252),
            "\xC3\xA9\xFF");
}

TEST(TextEncoding, LineEnds) {
  EXPECT_EQ(CrLfToLf("a\r\nb\rc\nd"), "a\nb\nc\nd");
  EXPECT_EQ(LfToCrLf("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(LfToCrLf(CrLfToLf("X:1\r\nT:A\r\n\r\n")), "X:1\r\nT:A\r\n\r\n");
}

}  // namespace
}  // namespace tunora
