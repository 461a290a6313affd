#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Settings.h"
#include "draw/FormatSettings.h"

namespace tunora {
namespace {

int32_t Decimal(std::string_view s) {
  size_t pos = 0;
  return ParseDecimal(s, pos);
}

TEST(ParseDecimal, FractionDigitsAndSeparators) {
  EXPECT_EQ(Decimal("2.75"), 2750);
  EXPECT_EQ(Decimal("1.05"), 1050);
  EXPECT_EQ(Decimal("1.005"), 1005);
  EXPECT_EQ(Decimal("0.12345"), 123);
  EXPECT_EQ(Decimal("3,5"), 3500);
  EXPECT_EQ(Decimal("1.25"), 1250);
  EXPECT_EQ(Decimal("7"), 7000);
  EXPECT_EQ(Decimal("-2.5"), -2000);  // a negative integer part takes no fraction
  EXPECT_EQ(Decimal(".5"), 0);
  EXPECT_EQ(Decimal("1.000"), 1000);
  EXPECT_EQ(Decimal("99999999999"), 2000000000);  // bounded, no overflow
  size_t pos = 0;
  EXPECT_EQ(ParseDecimal("2.5 x", pos), 2500);
  EXPECT_EQ(pos, 3u);
}

TEST(FormatDecimal, ThreeFractionDigitsAndSign) {
  EXPECT_EQ(FormatDecimal(1500), "1.500");
  EXPECT_EQ(FormatDecimal(0), "0.000");
  EXPECT_EQ(FormatDecimal(-1500), "-1.500");
  EXPECT_EQ(FormatDecimal(7), "0.007");
}

TEST(ParseFormat, KeywordsInAnyCaseAndPrefixes) {
  FormatSettings a = FormatSettings::FromText(
      "%%fmt page margins top=2.5 left=1,25\r\n%%fmt tune staffSpacing=1.5 GHBStyle\n");
  FormatSettings b = FormatSettings::FromText(
      "%%FMT PAGE MARGINS TOP=2.5 LEFT=1,25\r\n%%FMT TUNE STAFFSPACING=1.5 ghbstyle\n");
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.topMargin, 2500);
  EXPECT_EQ(a.leftMargin, 1250);
  EXPECT_EQ(a.staffSpacing, 1500);
  EXPECT_TRUE(a.ghbStyle);
  EXPECT_EQ(FormatSettings::FromText("%%fmt staffsep 1.5").staffSpacing, 1500);
  // Not a directive without the space after "fmt", and unknown words are skipped.
  EXPECT_EQ(FormatSettings::FromText("%%fmtpage single\n%%fmt bogus 3\n%%fmt page junk"),
            FormatSettings());
}

TEST(ParseFormat, FontSettingsWithQuotedFace) {
  FormatSettings fs = FormatSettings::FromText(
      "%%fmt setting font=chords face=\"Times New Roman\" size=14 bold\r\n"
      "%%fmt settings font=notation face=Other size=30\r\n"
      "%%fmt setting font=nothing face=X size=1\r\n"
      "%%fmt setting unit=in\r\n");
  EXPECT_EQ(fs.chordFont.face, "Times New Roman");
  EXPECT_EQ(fs.chordFont.size, 14);
  EXPECT_TRUE(fs.chordFont.bold);
  EXPECT_FALSE(fs.chordFont.italic);
  EXPECT_EQ(fs.notationFont.face, "Other");
  EXPECT_EQ(fs.notationFont.size, 30);
  EXPECT_EQ(fs.unit, kUnitInches);
  EXPECT_EQ(fs.headerFont, FontSpec());
}

TEST(ParseFormat, PageNumberLineResetsFirstNumber) {
  FormatSettings fs =
      FormatSettings::FromText("%%fmt page number on first=5\n%%fmt page numbers bottom center\n");
  EXPECT_EQ(fs.firstPageNumber, 1u);
  EXPECT_TRUE(fs.pageNumbers);  // "on" of the earlier line stays
  EXPECT_TRUE(fs.pageNumberBottom);
  EXPECT_EQ(fs.pageNumberAlign, kAlignCenter);
  FormatSettings off = FormatSettings::FromText("%%fmt page numbers bottom center\n");
  EXPECT_FALSE(off.pageNumbers);
}

TEST(ParseFormat, HeaderBlockRelativeFontAndWriteBack) {
  FormatSettings fs = FormatSettings::FromText(
      "%%fmt setting font=header face=Serif size=12\n"
      "%%fmt header T align=center size=+4 bold caps\n"
      "%%fmt header C align=right adjust=justify maxlines=2 spacebefore=0.5 start=\"By \" "
      "after freshline merge size=-2\n");
  ASSERT_EQ(fs.headers.size(), 2u);
  const HeaderBlock& t = fs.headers[0];
  EXPECT_EQ(t.fields, "T");
  EXPECT_EQ(t.align, kAlignCenter);
  EXPECT_EQ(t.adjust, kAlignCenter);
  EXPECT_EQ(t.font.size, 16);
  EXPECT_TRUE(t.font.bold);
  EXPECT_EQ(t.font.face, "Serif");
  EXPECT_TRUE(t.capitalised);
  EXPECT_FALSE(fs.headers[1].capitalised);
  EXPECT_EQ(WriteHeaderBlock(t, fs.headerFont), "T align=center caps size=+4 bold");
  const HeaderBlock& c = fs.headers[1];
  EXPECT_EQ(c.adjust, kAlignFull);
  EXPECT_EQ(c.maxLines, 2u);
  EXPECT_EQ(c.spaceBefore, 500);
  EXPECT_EQ(c.start, "By ");
  EXPECT_TRUE(c.after && c.freshline && c.merge);
  EXPECT_EQ(c.font.size, 10);
  EXPECT_EQ(WriteHeaderBlock(c, fs.headerFont),
            "C align=right adjust=justify maxlines=2 spacebefore=0.500 start=\"By \" after "
            "freshline merge size=-2");
}

TEST(ParseFormat, BooleansInvertedWordsAndScale) {
  FormatSettings fs = FormatSettings::FromText(
      "%%fmt exprbelow on\n%%fmt musiconly true\n%%fmt graceslurs maybe\n"
      "%%fmt stretchlast 1\n%%fmt scale 0.8\n%%fmt barsperstaff 4\n%%fmt measurenb 0\n"
      "%%fmt footer Page $P of the book\n%%fmt gchordfont \"Sans Bold\" 13\n");
  EXPECT_FALSE(fs.exprAbove);
  EXPECT_FALSE(fs.showText);
  EXPECT_TRUE(fs.graceSlurs);  // a malformed boolean keeps the old value
  EXPECT_TRUE(fs.stretchLast);
  EXPECT_EQ(fs.staffSize, 80);
  EXPECT_EQ(fs.barsPerStaff, 4);
  EXPECT_EQ(fs.measureInterval, 0);
  EXPECT_EQ(fs.pageFooter, "Page $P of the book");
  EXPECT_EQ(fs.chordFont.face, "Sans Bold");
  EXPECT_EQ(fs.chordFont.size, 13);
  EXPECT_EQ(ScalePercent(80000), 80);
  EXPECT_EQ(ScalePercent(1000), 100);
  EXPECT_EQ(ScalePercent(1), 10);
  EXPECT_EQ(ScalePercent(900000), 400);
}

TEST(WriteFormat, DefaultText) {
  std::string text = WriteFormat(FormatSettings());
  EXPECT_NE(text.find("%%fmt setting unit=cm\r\n"), std::string::npos);
  EXPECT_NE(text.find("%%fmt setting font=notation face=\"MusicalSymbols\" size=24\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("%%fmt page margin top=1.000 bottom=1.000 left=1.000 right=1.000 "
                      "header=0.000 footer=0.000\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("%%fmt page number off\r\n"), std::string::npos);
  EXPECT_NE(text.find("%%fmt page header off\r\n"), std::string::npos);
  EXPECT_NE(text.find("%%fmt page footer off\r\n"), std::string::npos);
  const std::string last = "%%fmt tune restsInBeamGroup slashFlaggedGrace hardLf\r\n";
  ASSERT_GE(text.size(), last.size());
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST(WriteFormat, PageTextsAndNumbers) {
  FormatSettings fs;
  fs.pageNumbers = true;
  fs.pageNumberBottom = true;
  fs.firstPageNumber = 5;
  fs.pageHeader = "%T";
  fs.pageFooter = "foot";
  fs.pageFooterAlign = kAlignLeft;
  std::string text = WriteFormat(fs);
  EXPECT_NE(text.find("%%fmt page number on bottom right first=5 face=\"Arial\" size=10\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("%%fmt page header on center text=\"%T\" face=\"Arial\" size=10\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("%%fmt page footer  left text=\"foot\" face=\"Arial\" size=10\r\n"),
            std::string::npos);
}

FormatSettings Varied() {
  FormatSettings fs;
  fs.unit = kUnitInches;
  fs.topMargin = 1500;
  fs.bottomMargin = 750;
  fs.leftMargin = 1;
  fs.rightMargin = 2000;
  fs.headerDistance = 300;
  fs.footerDistance = 400;
  fs.oppositePages = true;
  fs.pageNumbers = true;
  fs.pageNumberAlign = kAlignLeft;
  fs.firstPageNumber = 3;
  fs.pageNumberFont = {"Mono", 8, true, false, true};
  fs.pageHeader = "Book \\ \"one\"\r\n\ttwo";
  fs.pageHeaderAlign = kAlignRight;
  fs.pageHeaderFont = {"Sans", 9, false, true, false};
  fs.pageFooter = "%T page";
  fs.headerFont = {"Serif", 12, false, false, false};
  fs.notationFont = {"MusicalSymbols", 20};
  fs.chordFont = {"Sans", 11, true, true, false};
  fs.lyricsFont = {"Serif", 9};
  fs.textFont = {"Text Face", 14};
  fs.lyricsAfterFont = {"Liberation Serif", 13, false, true, false};
  fs.exprFont = {"Liberation Sans", 9, true, false, false};
  fs.tupletStyle[0] = 2;
  fs.tupletStyle[1] = 3;
  fs.staffStartBar = !fs.staffStartBar;
  HeaderBlock t;
  t.fields = "T1";
  t.align = t.adjust = kAlignCenter;
  t.font = {"Serif", 18, true, false, false};
  HeaderBlock c;
  c.fields = "CO";
  c.align = kAlignFull;
  c.adjust = kAlignRight;
  c.maxLines = 3;
  c.width = 5000;
  c.spaceBefore = 100;
  c.spaceAfter = 200;
  c.lineSpacing = 50;
  c.start = "[";
  c.end = "]";
  c.newline = "; ";
  c.after = c.freshline = c.merge = true;
  c.font = {"Other", 7, false, true, true};
  c.capitalised = true;
  fs.headers = {t, c};
  for (int i = 0; i < 40; ++i) fs.headers.push_back(t);  // many blocks fit
  fs.spaceBeforeTune = 1200;
  fs.spaceAfterTune = 800;
  fs.staffSpacing = 1300;
  fs.noteSpacing = 350;
  fs.chordVpos = 700;
  fs.softLf = true;
  fs.restsInBeamGroup = false;
  fs.slashFlaggedGrace = false;
  fs.cancelKey = fs.keyFirstStaffOnly = fs.graceNotesUp = true;
  fs.staffSize = 75;
  fs.indent = 500;
  fs.staffWidth = 15000;
  fs.barsPerStaff = 4;
  fs.measureFirst = 3;
  fs.measureInterval = 5;
  fs.measureBox = fs.stretchLast = fs.onePerPage = fs.showMargins = true;
  fs.stretchStaff = fs.exprAbove = fs.graceSlurs = fs.showText = false;
  return fs;
}

// What the layout sheets change must come back from the layout file they write.
TEST(WriteFormat, RoundTripKeepsEveryWrittenField) {
  FormatSettings fs = Varied();
  FormatSettings back = FormatSettings::FromText(WriteFormat(fs));
  EXPECT_EQ(back, fs);
  EXPECT_EQ(WriteFormat(back), WriteFormat(fs));
  EXPECT_EQ(FormatSettings::FromText(WriteFormat(FormatSettings())), FormatSettings());
}

TEST(WriteFormat, SwitchLineCanTurnDefaultsOff) {
  // A hand-written switch line without the line-feed word only switches on.
  FormatSettings fs = FormatSettings::FromText("%%fmt tune cancelKey\n");
  EXPECT_TRUE(fs.restsInBeamGroup);
  EXPECT_TRUE(fs.cancelKey);
  FormatSettings off = FormatSettings::FromText("%%fmt tune cancelKey hardLf\n");
  EXPECT_FALSE(off.restsInBeamGroup);
  EXPECT_FALSE(off.slashFlaggedGrace);
  EXPECT_TRUE(off.cancelKey);
}

TEST(FormatSettings, ScaleLengthsAndCopy) {
  FormatSettings fs;
  fs.ScaleLengths(50);
  EXPECT_EQ(fs.notationFont.size, 12);
  EXPECT_EQ(fs.staffSpacing, 500);
  EXPECT_EQ(fs.noteSpacing, 200);
  EXPECT_EQ(fs.chordVpos, 400);
  EXPECT_EQ(fs.topMargin, 1000);
}

TEST(FormatSettings, LayoutFileHookAndShippedFile) {
  FormatSettings fs;
  fs.topMargin = 1;
  SettingsDataHooks hooks;
  ConnectFormatSettings(hooks, fs);
  hooks.loadLayoutFile("/nonexistent/layout.cfg");
  EXPECT_EQ(fs, FormatSettings());  // a missing file leaves the defaults
  hooks.loadLayoutFile(std::string(TUNORA_SOURCE_DIR) + "/data/layout.cfg");
  ASSERT_GE(fs.headers.size(), 4u);
  EXPECT_EQ(fs.headers[0].fields, "T1");
  EXPECT_EQ(fs.headers[0].align, kAlignCenter);
  EXPECT_TRUE(fs.headers[0].font.bold);
  EXPECT_GT(fs.headers[0].font.size, fs.headerFont.size);
  // The shipped file is in the form the writer produces.
  FormatSettings again = FormatSettings::FromText(WriteFormat(fs));
  again.lyricsAfterFont = fs.lyricsAfterFont;
  again.exprFont = fs.exprFont;
  EXPECT_EQ(again, fs);
}

TEST(ParseThousandths, EnteredLengthsTruncateTowardZero) {
  int32_t v = 7;
  EXPECT_TRUE(ParseThousandths("1.5", v));
  EXPECT_EQ(v, 1500);
  EXPECT_TRUE(ParseThousandths(" 2.9999 ", v));
  EXPECT_EQ(v, 2999);
  EXPECT_TRUE(ParseThousandths("-1.5", v));  // the fraction counts for negatives too
  EXPECT_EQ(v, -1500);
  EXPECT_TRUE(ParseThousandths("-0.0019", v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(ParseThousandths("-0.0009", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(ParseThousandths("3,25", v));
  EXPECT_EQ(v, 3250);
  EXPECT_TRUE(ParseThousandths(".5", v));
  EXPECT_EQ(v, 500);
  v = 42;
  for (const char* bad : {"", "-", "1.5cm", "abc", "1.2.3", "99999999"}) {
    EXPECT_FALSE(ParseThousandths(bad, v)) << bad;
    EXPECT_EQ(v, 42) << bad;
  }
}

}  // namespace
}  // namespace tunora
