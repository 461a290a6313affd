#include "tunefile/TuneFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tunefile/TuneFile.h"
#include "tunefile/TuneRecord.h"

namespace tunora {
namespace {

TuneRecord MakeTune(int number, std::vector<std::string> titles) {
  TuneRecord t;
  t.number = number;
  t.titles = std::move(titles);
  return t;
}

std::string Expand(std::string_view format, const TuneRecord* tune, int titleIndex = -1,
                   FormatOptions opts = {}, const FormatEnv* env = nullptr,
                   const std::vector<std::string>& extra = {}) {
  return ExpandFormat(format, tune, titleIndex, opts, env, extra);
}

TEST(TuneFormat, TitlesWithAParticularTitle) {
  TuneRecord t = MakeTune(12, {"A", "B", "C"});
  EXPECT_EQ(Expand("%X %#T", &t, 1), "12 B");
  EXPECT_EQ(Expand("%X %#T", &t, -1), "12 A");
  EXPECT_EQ(Expand("%T", &t, 1), "B\r\nA\r\nC");
  EXPECT_EQ(Expand("%T", &t, 2), "C\r\nA\r\nB");
  EXPECT_EQ(Expand("%*;T", &t, 1), "A; C");
  EXPECT_EQ(Expand("%:T", &t, -1), "A\r\nT:B\r\nT:C");
  // An index beyond the titles counts as none.
  EXPECT_EQ(Expand("%#T", &t, 7), "A");
  TuneRecord none = MakeTune(1, {});
  EXPECT_EQ(Expand("[%T]", &none), "[]");
}

TEST(TuneFormat, NumberFields) {
  TuneRecord five = MakeTune(5, {""});
  EXPECT_EQ(Expand("%3X|", &five), "5  |");
  EXPECT_EQ(Expand("%03X", &five), "005");
  EXPECT_EQ(Expand("%+3X", &five), "  5");
  TuneRecord big = MakeTune(123, {""});
  EXPECT_EQ(Expand("%.2X", &big), "23");
  EXPECT_EQ(Expand("%2.X", &big), "23");  // "." alone: maximum equals the width
  EXPECT_EQ(Expand("%.X", &big), "123");  // no width, so no maximum
  TuneRecord negative = MakeTune(-7, {""});
  EXPECT_EQ(Expand("%04X", &negative), "-007");
}

TEST(TuneFormat, WithoutATune) {
  FormatEnv env;
  env.programDir = "/opt/tunora/";
  EXPECT_EQ(Expand("%X|%x|%3x|%T|%N|%t|%z|%f|%p|%i|%a", nullptr, -1, {}, &env),
            "0|0|0  ||||||||/opt/tunora/");
  EXPECT_EQ(Expand("plain text", nullptr), "plain text");
}

TEST(TuneFormat, LineBreakFlags) {
  TuneRecord t = MakeTune(1, {"T"});
  *t.Field('N') = "one\r\ntwo";
  EXPECT_EQ(Expand("%N", &t), "one\r\ntwo");
  EXPECT_EQ(Expand("%;N", &t), "one; two");
  EXPECT_EQ(Expand("%/N", &t), "one / two");
  EXPECT_EQ(Expand("%_N", &t), "one two");
  EXPECT_EQ(Expand("%:N", &t), "one\r\nN:two");
  EXPECT_EQ(Expand("%#N", &t), "one");
  EXPECT_EQ(Expand("%*N", &t), "two");
  EXPECT_EQ(Expand("%;_N", &t), "one two");  // the last break flag counts
}

TEST(TuneFormat, LineEndsAndLineSelection) {
  TuneRecord t = MakeTune(1, {"T"});
  *t.Field('H') = "a\rb\nc\r\nd";
  EXPECT_EQ(Expand("%;H", &t), "a; b; c; d");
  EXPECT_EQ(Expand("%*;H", &t), "b; c; d");
  EXPECT_EQ(Expand("%*#H", &t), "b");
  *t.Field('H') = "a\r\n\r\nb\r\n";  // empty lines inside stay, a final break goes
  EXPECT_EQ(Expand("%;H", &t), "a; ; b");
  *t.Field('H') = "only";
  EXPECT_EQ(Expand("[%*H]", &t), "[]");
  t.words = "w1\r\nw2";
  EXPECT_EQ(Expand("%/W", &t), "w1 / w2");
  t.body = "abc|def|\r\nga|\r\n";
  EXPECT_EQ(Expand("%_t", &t), "abc|def| ga|");
  *t.Field('K') = "Gmaj";
  *t.Field('m') = "~n2 = n>n<n";
  *t.Field('u') = "T = !trill!";
  EXPECT_EQ(Expand("%K %m %u [%R]", &t), "Gmaj ~n2 = n>n<n T = !trill! []");
}

TEST(TuneFormat, MaximumAndWidth) {
  TuneRecord t = MakeTune(1, {"Banish Misfortune", "Jig"});
  EXPECT_EQ(Expand("%.3T", &t), "Ban");
  EXPECT_EQ(Expand("%6.3T|", &t), "Ban   |");
  EXPECT_EQ(Expand("%+6.3T|", &t), "   Ban|");
  EXPECT_EQ(Expand("%5.T", &t, 0), "Banis");
  EXPECT_EQ(Expand("%#5.T|", &t, 1), "Jig  |");
  EXPECT_EQ(Expand("%0#5T|", &t, 1), "  Jig|");  // "0" right-adjusts text with blanks
  EXPECT_EQ(Expand("%;.10T", &t), "Banish Mis");
  EXPECT_EQ(Expand("%;.20T", &t), "Banish Misfortune; J");
  // An absurd width is limited instead of exhausting memory.
  EXPECT_EQ(Expand("%#99999999999T", &t).size(), static_cast<size_t>(kMaxFieldWidth));
}

TEST(TuneFormat, HtmlAndTeXApplyToValuesOnly) {
  TuneRecord t = MakeTune(1, {"Sm{\\aa} & \\\"Ol"});
  FormatOptions html;
  html.html = true;
  FormatOptions both = html;
  both.tex = true;
  // TeX first, then HTML: the decoded characters come out as entities.
  EXPECT_EQ(Expand("<b>%T</b>", &t, -1, both), "<b>Sm&aring; &amp; &Ouml;l</b>");
  EXPECT_EQ(Expand("<b>%T</b>", &t, -1, html), "<b>Sm{\\aa} &amp; \\\"Ol</b>");
  FormatOptions tex;
  tex.tex = true;
  EXPECT_EQ(Expand("%T", &t, -1, tex), "Sm\xE5 & \xD6l");
  // Text already in the output is left alone.
  std::string out = "&";
  size_t added = ExpandFormat(out, "-%#T", &t, -1, both, nullptr);
  EXPECT_EQ(out, "&-Sm&aring; &amp; &Ouml;l");
  EXPECT_EQ(added, out.size() - 1);
}

TEST(TuneFormat, EscapesAndPercentSigns) {
  TuneRecord t = MakeTune(3, {"A\\tB"});
  FormatOptions esc;
  esc.readEscapes = true;
  EXPECT_EQ(Expand("%X\\t%T\\%\\q\\\\\\", &t, -1, esc), "3\tA\\tB%q\\");
  EXPECT_EQ(Expand("%X\\t", &t), "3\\t");
  EXPECT_EQ(Expand("100%% %X%", &t), "100% 3%");
  EXPECT_EQ(Expand("%-%3", &t), "-%3");  // an unfinished code stays as written
  EXPECT_EQ(Expand("%q%5%", &t), "q%");
}

// A field's "%" comment is not part of its value in a list; "\%" is a percent sign.
TEST(TuneFormat, FieldCommentsAreLeftOut) {
  TuneRecord t = MakeTune(1, {"T"});
  *t.Field('K') = "A dor % as played";
  *t.Field('N') = "50\\% slower\r\nsecond % note\r\n%whole line";
  EXPECT_EQ(Expand("[%K]", &t), "[A dor]");
  EXPECT_EQ(Expand("[%N]", &t), "[50\\% slower\r\nsecond]");
}

TEST(TuneFormat, ExtraTexts) {
  TuneRecord t = MakeTune(1, {"T"});
  std::vector<std::string> extra = {"one", "two", "three", "four"};
  EXPECT_EQ(Expand("%1k-%4k-%5k-%k-%2.2k", &t, -1, {}, nullptr, extra), "one-four---tw");
  EXPECT_EQ(Expand("[%1k]", nullptr, -1, {}, nullptr, extra), "[one]");
}

TEST(TuneFormat, FileNameAndPath) {
  TuneFile file;
  file.name = "/home/me/Tunes/Reels.abc";
  TuneRecord* t = file.InsertTune(0, std::string_view("X:1\r\nT:A\r\nK:D\r\nabc|\r\n"));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Expand("%f|%#f|%*f|%p", t),
            "Reels.abc|Reels|abc|/home/me/Tunes/");  // case kept: names differ by case
  file.name = "/tmp/my.old.tunes";
  EXPECT_EQ(Expand("%#f|%*f|%p", t), "my|old.tunes|/tmp/");
  file.name = "noext";
  EXPECT_EQ(Expand("%#f|%*f|%p|", t), "noext|||");
  TuneRecord loose = MakeTune(1, {"A"});
  EXPECT_EQ(Expand("[%f%p]", &loose), "[]");
}

TEST(TuneFormat, PositionAndWholeTune) {
  TuneFile file;
  file.InsertTune(0, std::string_view("X:7\r\nT:First\r\nK:D\r\nabc|\r\n"));
  TuneRecord* second = file.InsertTune(1, std::string_view("X:9\r\nT:Second\r\nK:G\r\ndef|\r\n"));
  TuneRecord* third = file.InsertTune(2, std::string_view("X:4\r\nT:Third\r\nK:A\r\nB|\r\n"));
  EXPECT_EQ(Expand("%x/%X %03x", second), "2/9 002");
  EXPECT_EQ(Expand("%x", third), "3");
  std::string whole = file.WriteTune(*second, false);
  ASSERT_GE(whole.size(), 2u);
  ASSERT_EQ(whole.substr(whole.size() - 2), "\r\n");
  EXPECT_EQ(Expand("%z", second), whole.substr(0, whole.size() - 2));
  EXPECT_EQ(Expand("%#z", second), "X:9");
  TuneRecord loose = MakeTune(2, {"A"});
  EXPECT_EQ(Expand("%x[%z]", &loose), "0[]");
}

TEST(TuneFormat, IncipitIsComputedOnceAndCached) {
  TuneRecord t = MakeTune(1, {"A"});
  FormatEnv env;
  int calls = 0;
  env.incipit = [&calls](const TuneRecord&) {
    ++calls;
    return std::string("ABc dBA|Bcd");
  };
  EXPECT_EQ(Expand("%i", &t, -1, {}, &env), "ABc dBA|Bcd");
  EXPECT_EQ(Expand("%.5i", &t, -1, {}, &env), "ABc d");
  EXPECT_EQ(calls, 1);
  TuneRecord other = MakeTune(1, {"B"});
  EXPECT_EQ(Expand("[%i]", &other), "[]");
  EXPECT_FALSE(other.incipit.has_value());
  other.incipit = "cached";
  EXPECT_EQ(Expand("%i", &other), "cached");
}

TEST(TuneFormat, Date) {
  FormatEnv env;
  env.today = [] {
    std::tm d{};
    d.tm_year = 2009 - 1900;
    d.tm_mon = 2;
    d.tm_mday = 7;
    return d;
  };
  EXPECT_EQ(Expand("%d", nullptr, -1, {}, &env), "090307");
  EXPECT_EQ(Expand("%/d", nullptr, -1, {}, &env), "09-03-07");
  env.shortDatePattern = "d.m.yyyy";
  EXPECT_EQ(Expand("%_d", nullptr, -1, {}, &env), "7.3.2009");
  EXPECT_EQ(Expand("%d", nullptr, -1, {}, &env), "732009");
  env.shortDatePattern = "dd/MM/yyyy";
  EXPECT_EQ(Expand("%:d", nullptr, -1, {}, &env), "07/03/2009");
  env.today = [] {
    std::tm d{};
    d.tm_year = 1999 - 1900;
    d.tm_mon = 11;
    d.tm_mday = 31;
    return d;
  };
  env.shortDatePattern = "yy-mm-dd";
  EXPECT_EQ(Expand("%;d", nullptr, -1, {}, &env), "99-12-31");
}

TEST(TuneFormat, DatePatternFromLocaleSamples) {
  EXPECT_EQ(DatePatternFromSamples("11/22/33", "01/05/33"), "mm/dd/yy");
  EXPECT_EQ(DatePatternFromSamples("22.11.2033", "5.1.2033"), "d.m.yyyy");
  EXPECT_EQ(DatePatternFromSamples("2033-11-22", "2033-01-05"), "yyyy-mm-dd");
  EXPECT_EQ(DatePatternFromSamples("22 Nov 2033", "05 Jan 2033"), "");
  std::string pattern = LocaleShortDatePattern();
  EXPECT_FALSE(pattern.empty());
  EXPECT_NE(pattern.find('m'), std::string::npos);
}

TEST(TuneFormat, OutputFieldCodes) {
  EXPECT_EQ(BuildOutputFieldCode({'T', 1, 2, true, false, 10, 20}), "%;*+10.20T");
  EXPECT_EQ(BuildOutputFieldCode({'N', 4, 1, false, false, 0, 30}), "%:#.30N");
  EXPECT_EQ(BuildOutputFieldCode({'X', 0, 0, false, true, 3, 0}), "%03X");
  TuneRecord t = MakeTune(5, {"A"});
  EXPECT_EQ(Expand(BuildOutputFieldCode({'X', 0, 0, false, true, 3, 0}), &t), "005");
}

}  // namespace
}  // namespace tunora
