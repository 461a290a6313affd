// Page, font, header and tune settings of drawn and printed music. Their text form
// is a series of "%%fmt" lines, read from the layout file at start-up and written
// back when the layout pages are confirmed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct SettingsDataHooks;

inline constexpr int kUnitCentimetres = 3;  // drawing unit 0.01 mm
inline constexpr int kUnitInches = 5;       // drawing unit 0.001 inch

// Alignment (align: left, right, center, full; adjust: left, right, center, justify).
inline constexpr int kAlignLeft = 0;
inline constexpr int kAlignRight = 1;
inline constexpr int kAlignCenter = 2;
inline constexpr int kAlignFull = 3;

struct FontSpec {
  std::string face = "Arial";
  int size = 10;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const FontSpec&) const = default;
};

// One tune-header block: which tune fields are printed where, and how.
struct HeaderBlock {
  std::string fields;  // field letters: "T", "T1", "Tx", "C", "X" ...
  int align = kAlignLeft;
  int adjust = kAlignLeft;
  uint32_t maxLines = 0;  // 0: no limit
  int32_t width = 0;
  int32_t spaceBefore = 0;
  int32_t spaceAfter = 0;
  int32_t lineSpacing = 0;
  std::string start, end, newline;
  bool after = false;  // printed after the tune
  bool freshline = false;
  bool merge = false;
  bool capitalised = false;  // the text in capitals ("caps")
  FontSpec font;

  bool operator==(const HeaderBlock&) const = default;
};

struct FormatSettings {
  int unit = kUnitCentimetres;
  int32_t topMargin = 1000;
  int32_t bottomMargin = 1000;
  int32_t leftMargin = 1000;
  int32_t rightMargin = 1000;
  int32_t staffWidth = 0;  // 0: full width between the margins
  int32_t headerDistance = 0;
  int32_t footerDistance = 0;
  bool oppositePages = false;
  bool pageNumbers = false;
  bool onePerPage = false;
  bool showMargins = false;  // on screen
  bool pageNumberBottom = false;
  int pageNumberAlign = kAlignRight;
  uint32_t firstPageNumber = 1;
  FontSpec pageNumberFont;
  FontSpec pageHeaderFont;
  FontSpec pageFooterFont;
  std::string pageHeader;
  std::string pageFooter;
  int pageHeaderAlign = kAlignCenter;
  int pageFooterAlign = kAlignCenter;
  FontSpec headerFont;
  FontSpec notationFont{"MusicalSymbols", 24};
  FontSpec lyricsFont;
  FontSpec lyricsAfterFont;
  FontSpec chordFont{"Arial", 12};
  FontSpec exprFont;
  FontSpec textFont;
  std::vector<HeaderBlock> headers;  // in drawing order
  int32_t spaceBeforeTune = 1000;
  int32_t spaceAfterTune = 1000;
  int32_t staffSpacing = 1000;
  int32_t indent = 0;
  int32_t noteSpacing = 400;
  int32_t chordVpos = 800;
  bool softLf = false;
  int barsPerStaff = 0;
  int measureFirst = 1;
  int measureInterval = -1;  // -1 off, 0 first bar of each staff
  int staffSize = 100;       // percent of standard
  int tupletStyle[2] = {0, 0};
  bool measureBox = false;
  bool stretchLast = false;
  bool stretchStaff = true;
  bool staffStartBar = true;
  bool restsInBeamGroup = true;
  bool halfStemForBeamedRest = false;
  bool slashFlaggedGrace = true;
  bool cancelKey = false;
  bool clefFirstStaffOnly = false;
  bool keyFirstStaffOnly = false;
  bool graceNotesUp = false;
  bool chordsBelow = false;
  bool ghbStyle = false;
  // Titles written "Name, The" are printed "The Name" ("%%fmt tune titleArticleFirst").
  bool titleArticleFirst = false;
  bool exprAbove = true;
  bool graceSlurs = true;
  bool showText = true;

  bool operator==(const FormatSettings&) const = default;

  // Defaults, then ParseFormat(text).
  static FormatSettings FromText(std::string_view text);
  // The units of one inch in this unit: 2540 or 1000.
  int32_t UnitsPerInch() const { return unit == kUnitInches ? 1000 : 2540; }
  // Scales the staff-size dependent lengths (notation font, staffSpacing, indent,
  // noteSpacing, chordVpos) by percent / 100.
  void ScaleLengths(int percent);

  // The application's settings, read from the layout file at start-up.
  // Only the program and the CLI use it; the engines are given what they read.
  static FormatSettings& Application();
};

// Applies every "%%fmt" line of text to fs, in text order.
void ParseFormat(std::string_view text, FormatSettings& fs);
// The complete layout-file text of fs (CR LF line ends).
std::string WriteFormat(const FormatSettings& fs);
// One header block as written after "%%fmt header " (no line end), relative to the
// tune-header font.
std::string WriteHeaderBlock(const HeaderBlock& block, const FontSpec& headerFont);

// A decimal of the unit in thousandths: "2.75" gives 2750. Moves pos past what it read.
int32_t ParseDecimal(std::string_view text, size_t& pos);
// "%d.%03d" of a value in thousandths.
std::string FormatDecimal(int32_t value);
// A length as the layout pages take it: a decimal (sign, digits, '.' or ',' and
// digits, blanks around) times 1000, truncated toward zero ("1.5" 1500, "-0.0019"
// 0, "2.9999" 2999). False for anything else or beyond +-2000000.
bool ParseThousandths(std::string_view text, int32_t& value);

// The staff size in percent for the value of a "scale" directive (in thousandths):
// values below 10 are factors (0.8 gives 80), larger ones are percentages (80 gives
// 80); the result is kept within 10 to 400.
int ScalePercent(int32_t thousandths);

// Reads the layout file at start-up into the application's settings (defaults first).
void ConnectFormatSettings(SettingsDataHooks& hooks, FormatSettings& fs);

}  // namespace tunora
