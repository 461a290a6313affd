// The records the ABC reader keeps while it walks a tune: token kinds, the current
// note, meter, key, tempo, voice and %%MIDI values. There is no tree of the music;
// a consumer reads these after each token and keeps what it needs.
#pragma once

#include <cstdint>
#include <string>

namespace tunora {

// Time unit of the music and of MIDI output.
using tick = uint32_t;
inline constexpr tick kTicksPerWhole = 768;
inline constexpr tick kTicksPerQuarter = 192;
// Note lengths are kept below this, so that sums of many notes stay in 32 bits.
inline constexpr tick kMaxNoteLength = tick{1} << 24;

// Semitones above C of the note letters C D E F G A B.
inline constexpr int kLetterSemitones[7] = {0, 2, 4, 5, 7, 9, 11};
// Semitones above C of a note letter of either case; -1 for any other character.
constexpr int LetterSemitones(char letter) {
  switch (letter) {
    case 'C':
    case 'c': return 0;
    case 'D':
    case 'd': return 2;
    case 'E':
    case 'e': return 4;
    case 'F':
    case 'f': return 5;
    case 'G':
    case 'g': return 7;
    case 'A':
    case 'a': return 9;
    case 'B':
    case 'b': return 11;
    default: return -1;
  }
}

// Clefs of K: and V: lines (clef=...).
enum ClefCode : uint8_t {
  kClefNone = 0,  // none given: the tune's clef, else treble
  kClefTreble = 1,
  kClefBass = 2,
  kClefAlto = 3,
  kClefTenor = 4,
  kClefSoprano = 5,
  kClefBaritone = 6,
  kClefPiano = 7,
};

// Pitch codes above the MIDI range.
inline constexpr uint8_t kNoNote = 128;
inline constexpr uint8_t kRest = 129;           // z
inline constexpr uint8_t kInvisibleRest = 130;  // x
inline constexpr uint8_t kSpacer = 131;         // y

// The accidental code of a natural sign; sharps and flats count +1 / -1 each.
inline constexpr int16_t kNatural = 129;

// Token kinds. The values are fixed: consumers and tools store and compare them.
enum TokenKind : uint8_t {
  TK_NONE = 0,
  TK_ERROR = 1,
  TK_END = 2,
  TK_CR = 3,
  TK_NEWLINE = 4,
  TK_SPACE = 5,
  TK_TAB = 6,
  TK_COMMENT = 7,
  TK_BACKSLASH_LINE = 8,
  TK_CONTINUE = 9,
  TK_BANG_BREAK = 10,
  TK_STAR = 11,
  TK_BAR = 12,
  TK_DOUBLE_BAR = 13,
  TK_END_BAR = 14,
  TK_START_BAR = 15,
  TK_REPEAT_START = 16,
  TK_REPEAT_BOTH = 17,
  TK_REPEAT_END = 18,
  TK_FIRST_ENDING = 19,
  TK_SECOND_ENDING = 20,
  TK_ENDING_BRACKET = 21,
  TK_NOTE = 22,
  TK_CHORD_SYMBOL = 23,
  TK_DECORATION_TEXT = 24,
  TK_DIRECTIVE = 25,
  TK_GRACE_START = 26,  // value 1 for {/ (a slashed grace, acciaccatura)
  TK_GRACE_END = 27,
  TK_BROKEN = 28,
  TK_TIE = 29,
  TK_SLUR_START = 31,
  TK_SLUR_END = 32,
  TK_CHORD_START = 34,
  TK_CHORD_END = 35,
  TK_TUPLET = 36,
  TK_STACCATO = 37,
  TK_SYMBOL = 38,
  // Fields, at a line start or inline.
  TK_FIELD_E = 39,
  TK_FIELD_I = 40,
  TK_FIELD_K = 41,
  TK_FIELD_L = 42,
  TK_FIELD_M = 43,
  TK_FIELD_P = 44,
  TK_FIELD_Q = 45,
  TK_FIELD_R = 46,
  TK_FIELD_T = 47,
  TK_FIELD_U = 48,
  TK_FIELD_u = 49,
  TK_FIELD_V = 50,
  TK_FIELD_W = 51,
  TK_FIELD_w = 52,
  TK_INLINE_FIELD = 53,
  // Decorations (the codes of the decoration table).
  TK_TRILL = 54,
  TK_LOWERMORDENT = 55,
  TK_UPPERMORDENT = 56,
  TK_ACCENT = 57,
  TK_TENUTO = 58,
  TK_PLUS = 59,
  TK_OPEN = 60,
  TK_WEDGE = 61,
  TK_THUMB = 62,
  TK_SNAP = 63,
  TK_TURN = 64,
  TK_ROLL = 65,
  TK_BREATH = 66,
  TK_UPBOW = 67,
  TK_DOWNBOW = 68,
  TK_SLIDE = 69,
  TK_QUARTERTONE = 70,
  TK_FERMATA = 71,
  TK_INVERTEDFERMATA = 72,
  TK_FINGER_0 = 73,
  TK_FINGER_5 = 78,
  TK_SHORTPHRASE = 79,
  TK_MEDIUMPHRASE = 80,
  TK_LONGPHRASE = 81,
  TK_SEGNO = 82,
  TK_CODA = 83,
  TK_DS = 84,
  TK_DC = 85,
  TK_FINE = 86,
  TK_REPEATBAR = 87,
  TK_CRESCENDO_START = 88,
  TK_CRESCENDO_END = 89,
  TK_DIMINUENDO_START = 90,
  TK_DIMINUENDO_END = 91,
  TK_P = 92,
  TK_PPPP = 95,
  TK_MF = 96,
  TK_F = 97,
  TK_FFFF = 100,
  TK_SFZ = 101,
  // Kinds beyond the table above.
  TK_FIELD_INFO = 102,  // a field that does not change the music (N:, C:, Z: ...) on a line
                        // of its own; the letter in the token value, the text in the buffer
  TK_OVERLAY = 103,     // & inside a bar: what follows sounds from the start of the bar, beside
                        // what came before, up to the bar line
  TK_BACKQUOTE = 104,   // ` between notes: nothing but legibility (a beam goes on over it)
};

inline constexpr int kFirstFieldKind = TK_FIELD_E;
inline constexpr int kLastFieldKind = TK_FIELD_w;
inline constexpr int kFirstDecorationKind = TK_TRILL;
inline constexpr int kLastDecorationKind = TK_SFZ;

constexpr bool IsFieldKind(int kind) { return kind >= kFirstFieldKind && kind <= kLastFieldKind; }
constexpr bool IsDecorationKind(int kind) {
  return kind >= kFirstDecorationKind && kind <= kLastDecorationKind;
}
// Bar kinds end a bar (and call ResetBarState); [| is a bar kind that does not.
constexpr bool IsBarKind(int kind) { return kind >= TK_BAR && kind <= TK_REPEAT_END; }
// Z and X (TK_SYMBOL tokens of those values) are rests of whole bars; the number of
// bars after them is read by AbcParser::ReadRestBars.
constexpr bool IsBarRest(int kind, uint8_t value) {
  return kind == TK_SYMBOL && (value == 'Z' || value == 'X');
}
// The field letter of a field kind ('E' ... 'w'), 0 for other kinds.
char FieldLetter(int kind);
// The field kind of a letter that has one, 0 otherwise.
int FieldKindOf(char letter);
// "TK_NOTE", "FIELD_K", a decoration's table name ("trill"), or "?" for unused values.
const char* TokenKindName(int kind);

// NoteInfo::flags
inline constexpr uint8_t kNoteInChord = 1;
inline constexpr uint8_t kNoteInGrace = 2;
inline constexpr uint8_t kNoteTied = 4;
inline constexpr uint8_t kNoteInTuplet = 16;
inline constexpr uint8_t kNoteTupletFirst = 32;
inline constexpr uint8_t kNoteTupletLast = 64;

// The note or rest of the last TK_NOTE.
struct NoteInfo {
  uint8_t pitch = kNoNote;        // sounding pitch after key and accidentals, or a code 128..131
  uint8_t writtenPitch = 0;       // with octave marks, before accidentals
  uint8_t letterPitch = 0;        // the letter in the octave of C = 60 (60..71); 0 for rests
  int16_t accidental = 0;         // in force after the bar memory (kNatural for a natural)
  int16_t writtenAccidental = 0;  // as written on this note, 0 if none
  tick length = 0;                // after broken rhythm and tuplet
  tick notatedLength = 0;         // unit length times the written multiplier
  tick lengthBeforeTuplet = 0;
  uint8_t brokenRole = 0;      // 0 none, 1 first of a broken pair, 2 second
  int8_t brokenValue = 0;      // 1..4 for > ... >>>>, -1..-4 for < ... <<<<
  uint8_t flags = 0;           // kNote... bits
  uint16_t multiplierNum = 1;  // the written length multiplier num/den
  uint16_t multiplierDen = 1;
};

struct MeterInfo {
  static constexpr int kMaxParts = 16;
  int16_t numerator = 0;  // 0: no meter
  int16_t denominator = 4;
  int16_t beatsPerBar = 0;
  tick barLength = 0;      // 0: no bar checking
  tick beatLength = 0;     // strong-beat grid
  tick offbeatLength = 0;  // half-beat grid; 0 in compound and irregular meters
  tick subBeatLength = 0;
  int8_t partCount = 0;  // additive meters such as 2+3+2/8
  int16_t parts[kMaxParts] = {};
  tick partLengths[kMaxParts] = {};
  bool isSymbol = false;  // written C or C|
  tick unitLength = 0;    // L:, or the default chosen from the meter
  tick defaultUnitLength = 0;
};

struct TempoInfo {
  tick beatLength = kTicksPerQuarter;
  uint32_t beatsPerMinute = 120;
  bool bareNumber = false;  // Q: held only a number
};

// One row of the mode table: abbreviation, the steps between scale degrees, name.
struct ModeDef {
  const char* abbreviation;
  uint8_t steps[7];
  const char* name;
};
inline constexpr int kModeCount = 12;
extern const ModeDef kModeTable[kModeCount];

struct KeyInfo {
  uint8_t tonic = 60;        // the tonic letter's pitch plus its accidental (59..72)
  uint8_t tonicLetter = 60;  // the bare letter (60..71)
  int8_t tonicAccidental = 0;
  const ModeDef* mode = &kModeTable[kModeCount - 1];
  int8_t letterAccidentals[12] = {};  // by pitch class; only the seven letters are filled
  uint8_t explicitCount = 0;
  int8_t explicitAccidentals[7] = {};  // +1, -1, 0
  uint8_t explicitLetters[7] = {};     // natural pitch of the letter (60..71)
  uint8_t scale[7] = {};               // the degrees, kept in the octave 60..71
  char scaleNames[7][6] = {};          // "F#", "Bb", "C##" ...
  char letters[12] = {};               // by pitch class: the letter it is spelled on, or '.'
  char names[12][6] = {};              // by pitch class: "C", "C#", "Db", "F=" ...
  bool noKey = false;
  uint8_t bagpipeKey = 0;  // 1 for HP, 2 for Hp
};

// Voice properties of a V: field. While a field is read, properties that were
// not written keep the sentinels below; merging copies only the written ones.
struct VoiceInfo {
  static constexpr int16_t kUnset = 32767;
  static constexpr uint16_t kUnsetMerge = 65535;
  static constexpr int8_t kUnsetStems = -2;

  int number = 0;
  std::string name;
  std::string shortName;
  uint8_t clef = kClefNone;     // a ClefCode
  int16_t clefOctave = kUnset;  // -2, -1, 0, +1, +2
  int16_t clefShift = kUnset;   // semitones from c=
  uint16_t merge = kUnsetMerge;
  int8_t stems = kUnsetStems;   // 1 up, -1 down, 0 normal
  int16_t transpose = kUnset;   // semitones
  int16_t totalShift = kUnset;  // clefShift + transpose

  // Every property at its sentinel.
  void ResetToSentinels();
  // A stored voice before any V: field: no sentinels, nothing shifted.
  static VoiceInfo Stored(int number);
  // Copies the properties of field that are not at their sentinel, then
  // recomputes totalShift (sentinels count as 0).
  void MergeFrom(const VoiceInfo& field);
};

// Values of the last %%MIDI directive that was read.
struct MidiInfo {
  int keyword = 0;  // 1 channel ... 8 transpose, 0 none
  int channel = 0;
  int program = 0;
  int transpose = 0;
  int graceDenominator = 0;
};

// Tuplet bracket state.
struct TupletState {
  bool active = false;
  int p = 0;               // notes
  int q = 0;               // in the time of
  int r = 0;               // notes affected
  int done = 0;            // tuplet notes counted so far
  uint32_t remainder = 0;  // extra ticks still to hand out
  bool remainderSet = false;
  bool currentExtra = false;  // the note being counted got an extra tick (chords share it)
  bool qWritten = false;
  bool rWritten = false;
};

}  // namespace tunora
