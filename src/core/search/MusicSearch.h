// The melody search: a phrase of ABC notes and every tune are written out as
// normalised note texts (sounding pitches spelled in their key, lengths in eighth
// notes, bar lines, endings, broken rhythm and tuplets), and the phrase's note text
// and its copies in the selected transpositions are looked for in the tune's note
// text with the approximate matcher.
#pragma once

#include <array>
#include <vector>
#include <optional>
#include <string>
#include <string_view>

#include "abc/AbcParser.h"
#include "base/ApproxMatcher.h"

namespace tunora {

struct TuneRecord;

// The options of a melody search, in the order in which the settings keep them.
struct MusicOptions {
  bool fromBeginning = true;
  bool subdirectories = false;
  bool ignoreOrnamentation = true;
  bool transpose36 = false;        // thirds and sixths: 3, 4, 8, 9
  bool transpose45 = true;         // fourth and fifth: 5, 7
  bool transpose8 = false;         // octave: 12
  bool transposeMaj2 = true;       // major second: 2
  bool transposeMin2Aug4 = false;  // minor second and tritone: 1, 6
  bool transpose8plus = false;     // every selected interval also an octave further
  int loosePercent = 20;
  enum Where { kBeginning = 0, kAnywhere = 1 };
  int where = kAnywhere;
};

// The 43 slots: slot 0 is the phrase, slots 1..42 its transpositions.
inline constexpr int kMelodySlots = 43;
// The semitones of each slot (slot 0 is 0).
extern const std::array<int, kMelodySlots> kSlotShifts;

// The phrase split from its key prefix "[K:key]" (one blank after "]" skipped);
// the key is "C" without a prefix.
void SplitKeyPrefix(std::string_view text, std::string& key, std::string& phrase);
// The phrase text with its key joined back as a prefix (none for an empty key or C).
std::string JoinKeyPrefix(std::string_view key, std::string_view phrase);

// Writes note texts. One writer can serve many tunes.
class NoteTextWriter : public AbcParser {
 public:
  explicit NoteTextWriter(bool ignoreOrnamentation) : ignoreOrnamentation_(ignoreOrnamentation) {}

  // The note text of body read with the given K:, M: and L:. When thirdBar is given
  // it receives the offset in the note text where the third bar begins (the text's
  // length when it has fewer bars); the writing may then end once the text holds
  // more than beyond bytes after that offset (what follows would not be looked at).
  std::string Write(std::optional<std::string_view> key, std::string_view meter,
                    std::string_view unitLength, std::string_view body, size_t* thirdBar = nullptr,
                    size_t beyond = std::string_view::npos);

 private:
  bool ignoreOrnamentation_;
};

// The melody query of one search.
struct MelodyQuery {
  std::string key = "C";
  MusicOptions options;
  std::string noteText;  // the phrase's note text
  int errors = 0;
  std::array<std::optional<ApproxMatcher>, kMelodySlots> matchers;
  // The slots' patterns packed side by side in the order MatchTune tries them.
  std::vector<PackedApproxMatcher> packed;
  // The packed matchers four at a time, for one pass over a tune's note text.
  std::vector<PackedApproxLanes> lanes;
};

// Builds the query for a phrase (with an optional key prefix). False when the
// phrase gives no notes to look for.
bool BuildQuery(std::string_view phraseText, const MusicOptions& options, MelodyQuery& query);

// True when the tune holds the phrase (or one of its transpositions). The writer
// is reused from tune to tune; pass one made with the query's ornament option.
bool MatchTune(MelodyQuery& query, const TuneRecord& tune, NoteTextWriter& writer);

// The order in which MatchTune tries the slots for the given options.
std::vector<int> SlotOrder(const MusicOptions& options);

}  // namespace tunora
