// Staff-line layout: the tune's tokens become a row of draw items with horizontal
// positions, the row is cut into staff lines, and each line is drawn (staff, clef,
// key and time signatures, notes with stems, beams, accidentals, dots and ledger
// lines, rests, bar lines, tuplets, ties and slurs, chord symbols, decorations and
// lyrics). Exposed for tests; DrawTuneMusic is the entry point.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tunora {

// Item kinds besides the token kinds of the reader.
inline constexpr uint8_t kItemStaffStart = 0;
inline constexpr uint8_t kItemClef = 102;
// (Kinds of the drawing's own sit at the top of the range, clear of the reader's.)
inline constexpr uint8_t kItemMultiRest = 240;
inline constexpr uint8_t kItemBreak = 241;  // a staff break in a voice of a system

// Item flags.
inline constexpr uint16_t kItemChordLater = 1;  // a later note of a chord
inline constexpr uint16_t kItemGrace = 2;
inline constexpr uint16_t kItemTied = 4;
inline constexpr uint16_t kItemTuplet = 16;
inline constexpr uint16_t kItemTupletFirst = 32;
inline constexpr uint16_t kItemChordFirst = 128;
inline constexpr uint16_t kItemThickThinStart = 256;  // staff start drawn as [|
inline constexpr uint16_t kItemCancel = 512;          // key item cancels the old key
inline constexpr uint16_t kItemSlashed = 1024;        // grace note of an acciaccatura {/A}
inline constexpr uint16_t kItemLonga = 2048;          // a breve head with the longa's tail

// Note values: 0 breve, 1 whole, 2 half, 3 quarter, 4 eighth ... 8 128th; a longa is
// base 0 with the longa flag.
struct NoteShape {
  int base = 3;
  int dots = 0;
  bool longa = false;
};
// The written shape of a length in ticks (768 to a whole note).
NoteShape ShapeOfLength(uint32_t ticks);

// The staff step of a written pitch for the treble clef: 0 is the bottom line (E above
// middle C), each step half a line spacing.
int StaffStep(int writtenPitch);

// Clefs: the step shift of notes (bass +12: G below the bass staff's bottom line
// stands where E stands in treble) and the line the clef sign stands on.
// The percussion clef: notes stand as in the treble clef.
inline constexpr int kClefPercussion = 8;

struct ClefInfo {
  int symbol;  // G, F or C clef
  int line;    // the step the sign stands on
  int shift;   // added to treble steps
};
ClefInfo ClefOf(int clef);
// The clef named in a K: or V: text ("clef=bass", "bass", "alto" ...); 0 when none.
int ClefFromText(const std::string& text);

// Staff steps of the key signature accidentals for a clef shift, in drawing order.
std::vector<int> KeySignatureSteps(int shift, bool sharps, int count);

struct Decoration {
  uint8_t kind = 0;  // token kind; 23 for chord symbols and annotations
  std::string text;
  int32_t begin = -1;  // byte range in the tune body
  int32_t end = -1;
};

// One syllable of a w: line under a note: "_" extends the syllable before, a final
// '-' joins the next; the byte range is in the tune body.
struct Syllable {
  std::string text;
  int32_t begin = -1;
  int32_t end = -1;
};

struct DrawItem {
  uint8_t kind = 0;
  uint16_t flags = 0;
  uint8_t pitch = 0;  // sounding pitch or rest code
  uint8_t rest = 0;   // 0 note, 1 rest, 2 invisible rest or spacer
  uint8_t base = 3;   // note value
  uint8_t dots = 0;
  int16_t accidental = 0;  // as written: +1, +2, -1, -2, 129 natural
  int16_t step = 0;        // staff step in the clef in force
  uint32_t serial = 0;     // identifies a note across lines
  uint32_t start = 0;      // ticks from the bar line
  int32_t begin = -1;      // byte range of the item's ABC in the tune body
  int32_t end = -1;
  // Ticks from the start of the tune, in its voice; kNoTime: where reading stands.
  static constexpr uint32_t kNoTime = UINT32_MAX;
  uint32_t time = kNoTime;
  int32_t x = 0;
  int32_t width = 0;   // advance with the trailing space
  int32_t ink = 0;     // extent without the trailing space
  int32_t headDx = 0;  // from x to the head (room for accidentals)
  int value = 0;       // clef, tuplet p, meter numerator, ending number, rest count
  int value2 = 0;      // tuplet q, meter denominator
  int value3 = 0;      // tuplet r, meter symbol flag
  int slurStarts = 0;
  int slurEnds = 0;
  std::array<int8_t, 12> key{};
  std::array<int8_t, 12> oldKey{};
  std::string text;
  std::vector<Decoration> decos;
  std::vector<Syllable> lyrics;  // one per verse
};

}  // namespace tunora
