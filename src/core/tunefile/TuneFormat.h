// Tune format strings: templates such as "%X %#T" that turn one tune into a line or
// block of text. One expansion routine serves the tune list, window titles, found
// files, new-tune headers, page headers and every text of a list type.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct TuneRecord;

// What a format needs from outside the tune: folders, the date and the incipit.
struct FormatEnv {
  std::string programDir;                     // %a, ends with "/"
  std::string abcDir;                         // %b (AbcDir setting)
  std::string shortDatePattern = "yy-mm-dd";  // %d
  std::function<std::tm()> today;             // clock for %d; empty = local time now
  // Seam for the incipit (%i): computed by the ABC reader once per tune and cached in
  // TuneRecord::incipit. Empty function = incipit not available (gives "").
  std::function<std::string(const TuneRecord&)> incipit;
};

struct FormatOptions {
  bool readEscapes = false;  // backslash escapes in the template (\t gives a TAB)
  bool html = false;         // inserted values are HTML-encoded
  bool tex = false;          // TeX escapes of inserted values are decoded (before HTML)
};

// Widths and maximums of a field code are limited to this many bytes.
inline constexpr int kMaxFieldWidth = 32767;

// Expands format against tune (or none) into out (appends), returns the number of bytes
// appended. titleIndex is the title being listed, -1 for none.
size_t ExpandFormat(std::string& out, std::string_view format, const TuneRecord* tune,
                    int titleIndex, const FormatOptions& opts, const FormatEnv* env,
                    const std::vector<std::string>& extraTexts = {});
std::string ExpandFormat(std::string_view format, const TuneRecord* tune, int titleIndex,
                         const FormatOptions& opts, const FormatEnv* env,
                         const std::vector<std::string>& extraTexts = {});

// The letters of the field codes in format, in order, as ExpandFormat reads them
// ("%%" gives '%').
// A field's value as it is shown in lists: on each line, a "%" comment (a "%" not
// written as "\%") and the blanks before it are left out.
std::string FieldValueWithoutComment(std::string_view value);

std::string FormatCodeLetters(std::string_view format, const FormatOptions& opts);

// Short date pattern of the user's locale (derived with std::locale("") and std::put_time
// "%x" on a known date, mapped back to a pattern of d/dd/m/mm/yy/yyyy); "yy-mm-dd" when
// nothing sensible can be derived.
std::string LocaleShortDatePattern();
// Maps a date as the locale writes it back to a pattern. sample is the date 2033-11-22,
// early the date 2033-01-05 in the same form; "" when they do not fit a numeric pattern.
std::string DatePatternFromSamples(std::string_view sample, std::string_view early);
// Writes date by pattern: d, dd, m, mm, yy, yyyy; other characters only when
// keepSeparators (letters compare without regard to case).
void AppendDate(std::string& out, std::string_view pattern, const std::tm& date,
                bool keepSeparators);

// The "Output Field" dialog's code builder: builds one "%..." code from the choices.
struct OutputFieldChoice {
  char field;
  int newlines;  // 0 normal, 1 ';', 2 '/', 3 '_', 4 ':'
  int lines;     // 0 all, 1 '#', 2 '*'
  bool rightAdjust;
  bool leadingZeros;
  int minWidth;  // 0 = none
  int maxWidth;  // 0 = none
};
std::string BuildOutputFieldCode(const OutputFieldChoice&);

}  // namespace tunora
