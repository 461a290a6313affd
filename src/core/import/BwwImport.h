// The Bagpipe Music Writer / Bagpipe Player (BWW, BMW) importer. A pipeline of
// three steps: the file's tokens become a list of events (ReadBwwEvents), dotted
// pairs are merged into broken rhythm (MergeDottedPairs), and the ABC writer
// turns the events into tunes in the highland-pipe key (WriteBwwTunes).
// Embellishments are spelled through the table of abcbmw.cfg (BwwTable); what
// cannot be read stays in the tune as a "%bmwerror: " comment line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class BwwTable;

struct BwwEvent {
  enum Kind : uint8_t {
    kNote,           // value ticks, second the ABC letter
    kEmbellishment,  // text: the ABC text of the table
    kTuplet,         // value p, second q (0: the ABC default)
    kBar,            // text: the ABC bar
    kEnding,         // value: the ending number
    kAnnotation,     // text
    kStaff,          // "&": start of a staff
    kHeaderText,     // text, second the type letter (T Y M F ..., 0 when untyped)
    kMeter,          // value numerator, second denominator; flag kMeterSymbol
    kTempo,          // value: beats per minute
    kError,          // text: the characters that could not be read
  };
  enum Flag : uint16_t {
    kDotted = 1,
    kDoubleDotted = 2,
    kSpaceAfter = 4,
    kInline = 8,
    kTripletStart = 16,
    kMeterSymbol = 32,
    kBrokenLonger = 64,    // ">"
    kBrokenShorter = 128,  // "<"
    kMerged = 256,
    kTieAfter = 512,  // "-" after the note
  };

  Kind kind = kError;
  uint16_t flags = 0;
  int value = 0;
  int second = 0;
  std::string text;
  std::string token;  // the BWW token, for embellishments (told when no note follows)
};

struct BwwResult {
  std::vector<std::string> tunes;  // ABC texts with CR LF line ends, no X: line
  int errorLines = 0;              // "%bmwerror: " lines written
  bool truncated = false;          // more than kMaxEvents events: the rest was left out
};

// Limits of one conversion.
inline constexpr size_t kBwwMaxFileSize = 16383;  // files of this size or more are refused
inline constexpr size_t kBwwMaxEvents = 5000;

// Tokenises a BWW text (the leading header lines are skipped) into events. At most
// kBwwMaxEvents are made; truncated is set when the text held more.
std::vector<BwwEvent> ReadBwwEvents(std::string_view text, const BwwTable& table, bool& truncated);

// Turns a dotted note followed by one half as long, or a short note followed by a
// dotted one twice as long, into a pair with ">" or "<" and plain lengths.
void MergeDottedPairs(std::vector<BwwEvent>& events);

// Marks written after their note in BWW (fermatas, "fine"): ABC decorations in
// the table (texts in "!") that follow a note move in front of it.
void AttachTrailingMarks(std::vector<BwwEvent>& events);

// Writes the events as ABC tunes. A title that comes after music starts a new
// tune. sourcePath goes into each tune's Z: line.
BwwResult WriteBwwTunes(const std::vector<BwwEvent>& events, std::string_view sourcePath);

// The whole conversion of a file's bytes.
BwwResult ConvertBwwText(std::string_view text, const BwwTable& table, std::string_view sourcePath);

}  // namespace tunora
