// The Piob Mhor (BGP) and SongWright importers: whole small files converted and
// compared with reviewed ABC (unknown SongWright cells and codes are skipped),
// and the messages the BGP importer gives.
#include <gtest/gtest.h>

#include "base/MessageSink.h"
#include "import/BgpImport.h"
#include "import/OemText.h"
#include "import/SongWrightImport.h"

namespace tunora {
namespace {

std::string Bgp(std::string_view text, CollectingSink& sink) {
  return ConvertBgpText(text, "in.bgp", sink);
}

TEST(BgpImportTest, TitlesMeterTempoAndBeatGroups) {
  CollectingSink sink;
  // Two title lines, 6/8 with its dotted-quarter beat, a later 2/4 inline, two tempos.
  EXPECT_EQ(Bgp("The Title\r\nSecond Title\r\n{$68 @80 A8B8C8 D4.| E8F8G8 a4.;\n"
                "$24 @90 A8B8 C8D8 |}",
                sink),
            "T:The Title\r\nT:Second Title\r\nZ:in.bgp\r\nM:6/8\r\nL:1/8\r\nQ:1/4=80\r\n"
            "K:Hp\r\nABc d3  |efG a3 \r\n[M:2/4][L:1/8][Q:1/4=90]AB cd  |\r\n");
  EXPECT_TRUE(sink.messages.empty());
}

TEST(BgpImportTest, GracenoteCodesDottedPairsTripletsAndP) {
  CollectingSink sink;
  EXPECT_EQ(Bgp("Graces\n{$24@60 *A4 #A4| #D8.E6 #E6F8.| =C3B3A3 D4P4|(ga)A4 \\D4]}", sink),
            "T:Graces\r\nZ:in.bgp\r\nM:2/4\r\nL:1/8\r\nQ:1/4=60\r\nK:Hp\r\n"
            "{GdGeAfA}A2 {GdGAeAfA}A2  |{edfd}d>e {fege}e<f  |(3{gcd}cBA d2  |"
            "{ga}A2 {GBGe}d2  :|\r\n");
  EXPECT_TRUE(sink.messages.empty());
  // Off the beat a dotted pair keeps its dots.
  EXPECT_EQ(Bgp("T\n{$24 A8B8.C6D8|}", sink),
            "T:T\r\nZ:in.bgp\r\nM:2/4\r\nL:1/8\r\nK:Hp\r\nAB3/2c/d  |\r\n");
  // A code with no expansion for the note is told and dropped.
  EXPECT_EQ(BgpGraceExpansion('#', 'G', 0), "");
  EXPECT_EQ(BgpGraceExpansion('<', 'A', 'A'), "GAG");
  EXPECT_EQ(BgpGraceExpansion('<', 'A', 'c'), "AGAG");
  Bgp("T\n{'A4}", sink);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], "Line 2:\nBGP: Don't know how to do grace ' on note A");
}

TEST(BgpImportTest, BadCharactersAndNotesWithoutLengthAreToldAndMarked) {
  CollectingSink sink;
  const std::string abc = Bgp(std::string("T\n{\nA4 ?\nB |\0}", 14), sink);
  EXPECT_EQ(abc, "T:T\r\nZ:in.bgp\r\nK:Hp\r\nA2 !?!!B! |!?!\r\n");
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_EQ(sink.messages[2], "Line 4:\nUnexpected character in BGP file: ?");
  EXPECT_EQ(sink.messages[0], "Line 3:\nUnexpected character in BGP file: ?");
  EXPECT_EQ(sink.messages[1], "Line 4:\nNote without length in BGP file: ignored.");
}

TEST(SongWrightImportTest, HeaderLinesKeyMeterTempoAndMusic) {
  const std::string song =
      "N-The Song\r\nC-Someone\r\nA-An Author\r\nS-96\r\nK-f#\r\nB-6/8\r\nT-Lively\r\n"
      "M-1c-8 d-4\tS-6 j-4 e#8 f%9 g&0 R-4\r\nL-Words to sing\r\nC-Too late\r\nA-Too late\r\n"
      "H-chorus\r\nM-T34 c-7 d-7 e-7 <-4 W-2 B$1 S-1 c-8_d-8 Zq9 e-4 S-2\r\nD-ignored\r\nM-C-4+ "
      "E-4+ G-4 ST34 c-1\r\n";
  EXPECT_EQ(ConvertSongWrightText(song, "in.sng"),
            "T:The Song\r\nC:Someone\r\nZ:Author: An Author\r\nM:6/8\r\nL:1/8\r\n"
            "Q:3/8=96\r\nZ:Tempo: Lively\r\nZ:in.sng\r\nK:F#m\r\n"
            "c d2 | c'2 ^e =f3/2 _g/ z2\r\nw:Words to sing\r\n%chorus\r\n"
            "(3c d e C,2 ^^B,8 |: (cd) e2 :|\r\n[C2E2G2] [M:3/4][L:1/8] c8\r\n");
}

TEST(SongWrightImportTest, OnlyAFileThatBeginsWithATitleConverts) {
  EXPECT_EQ(ConvertSongWrightText("M-c-8\r\nN-Late title\r\n", "x"), "");
  EXPECT_EQ(ConvertSongWrightText("+N-Plus title\r\n", "x"), "");
  EXPECT_EQ(ConvertSongWrightText("hello world\r\nN-Title\r\n", "x"), "");
  // The sign may also come first; lines with neither are skipped; no music still
  // gives a key.
  EXPECT_EQ(ConvertSongWrightText("\r\n-NTitle\r\nplain text\r\n-KC\r\n", "x"),
            "T:Title\r\nZ:x\r\nK:C\r\n");
  // Text from DOS: code page 437 becomes code page 1252.
  EXPECT_EQ(ConvertSongWrightText("N-Fr\x84hling \x82t\x82\r\n", "x"),
            "T:Fr\xe4hling \xe9t\xe9\r\nZ:x\r\nK:\r\n");
  EXPECT_EQ(OemToWindows("\x81\xe1\xc4"), "\xfc\xdf?");
}

}  // namespace
}  // namespace tunora
