#include "search/MusicSearch.h"

#include <algorithm>

#include "play/StyleSet.h"
#include "tools/NoteWriter.h"
#include "tools/Transpose.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

const std::array<int, kMelodySlots> kSlotShifts = {
    0,                                   // the phrase
    2,  -2,                              // major second
    5,  -5,  7,  -7,                     // fourth and fifth
    12, -12,                             // octave
    3,  -3,  4,  -4,  8,  -8,  9,  -9,   // thirds and sixths
    1,  -1,  6,  -6,                     // minor second and tritone
    10, -10, 14, -14,                    // octave plus major second
    17, -17, 19, -19,                    // octave plus fourth and fifth
    15, -15, 16, -16, 20, -20, 21, -21,  // octave plus thirds and sixths
    11, -11, 13, -13, 18, -18};          // octave plus minor second, tritone

namespace {

constexpr tick kQueryUnit = kTicksPerWhole / 8;

struct SlotRange {
  int first;
  int last;
};
constexpr SlotRange kMaj2{1, 2}, k45{3, 6}, k8{7, 8}, k36{9, 16}, kMin2Aug4{17, 20};
constexpr SlotRange kPlusMaj2{21, 24}, kPlus45{25, 28}, kPlus36{29, 36}, kPlusMin2Aug4{37, 42};

// Appends the note of pitch spelled with the key's name: signs first, then the letter
// with its octave marks.
void WritePitch(std::string& out, const KeyInfo& key, int pitch) {
  const char* name = key.names[pitch % 12];
  if (name[0] < 'A' || name[0] > 'G') {
    static constexpr const char* kSharpNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                    "F#", "G",  "G#", "A",  "A#", "B"};
    name = kSharpNames[pitch % 12];
  }
  int accidental = 0;
  for (const char* p = name + 1; *p != '\0'; ++p) {
    if (*p == '#') {
      out += '^';
      ++accidental;
    } else if (*p == 'b') {
      out += '_';
      --accidental;
    } else if (*p == '=') {
      out += '=';
    }
  }
  const int letterPitch = pitch - accidental;
  const int octave = (letterPitch >= 0 ? letterPitch / 12 : -1) - 5;
  if (octave <= 0) {
    out += name[0];
    out.append(static_cast<size_t>(std::min(-octave, 10)), ',');
  } else {
    out += static_cast<char>(name[0] + ('a' - 'A'));
    out.append(static_cast<size_t>(std::min(octave - 1, 10)), '\'');
  }
}

// Appends a note's length as a multiple of the eighth note; the common lengths
// (whole multiples and plain fractions) without building a text first.
void AppendLength(std::string& out, tick length) {
  if (length == kQueryUnit) return;
  if (length != 0 && length % kQueryUnit == 0) {
    out += std::to_string(length / kQueryUnit);
  } else if (length != 0 && kQueryUnit % length == 0) {
    out += '/';
    if (kQueryUnit / length != 2) out += std::to_string(kQueryUnit / length);
  } else {
    out += LengthText(length, kQueryUnit);
  }
}

}  // namespace

void SplitKeyPrefix(std::string_view text, std::string& key, std::string& phrase) {
  key = "C";
  phrase = text;
  if (text.substr(0, 3) != "[K:") return;
  const size_t close = text.find(']', 3);
  if (close == std::string_view::npos) return;
  key = text.substr(3, close - 3);
  size_t from = close + 1;
  if (from < text.size() && text[from] == ' ') ++from;
  phrase = text.substr(from);
}

std::string JoinKeyPrefix(std::string_view key, std::string_view phrase) {
  size_t b = key.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string(phrase);
  key = key.substr(b, key.find_last_not_of(' ') + 1 - b);
  if (key == "C") return std::string(phrase);
  return "[K:" + std::string(key) + "] " + std::string(phrase);
}

std::string NoteTextWriter::Write(std::optional<std::string_view> keyText,
                                  std::string_view meterText, std::string_view unitLength,
                                  std::string_view body, size_t* thirdBar, size_t beyond) {
  Init(keyText, meterText, unitLength, std::nullopt, {}, false);
  SetText(body);
  std::string out;
  out.reserve(body.size() * 2 + 1);
  int bars = 0;
  if (thirdBar != nullptr) *thirdBar = std::string_view::npos;
  size_t pos = 0;
  bool first = true;
  size_t start = 0;
  for (TokenKind k; (start = pos, k = NextToken(pos, first)) != TK_END; first = false) {
    // Tokens only ever add to the end of the text, so what was written stays as the
    // whole text would have it.
    if (thirdBar != nullptr && *thirdBar != std::string_view::npos &&
        out.size() - *thirdBar > beyond)
      break;
    const bool ornament = InGrace() || k == TK_GRACE_END;
    if (IsBarKind(k)) {
      if (out.empty()) continue;
      if (++bars == 2 && thirdBar != nullptr) *thirdBar = out.size();
      out += '|';
      continue;
    }
    switch (k) {
      case TK_FIRST_ENDING: out += "[1"; break;
      case TK_SECOND_ENDING: out += "[2"; break;
      case TK_NOTE: {
        if ((note.flags & kNoteInChord) != 0 && ChordNoteCount() > 1) break;
        if ((note.flags & kNoteInGrace) != 0 && ignoreOrnamentation_) break;
        if (note.pitch < 128) {
          WritePitch(out, key, note.pitch);
        } else if (note.pitch == kRest) {
          out += 'z';
        } else if (note.pitch == kInvisibleRest) {
          out += 'x';
        } else if (note.pitch == kSpacer) {
          out += 'y';
        } else {
          break;
        }
        AppendLength(out, note.notatedLength);
        break;
      }
      case TK_GRACE_START:
      case TK_GRACE_END:
        if (!ignoreOrnamentation_) out += k == TK_GRACE_START ? '{' : '}';
        break;
      case TK_BROKEN: {
        const int n = PendingBroken();
        out.append(static_cast<size_t>(std::min(n < 0 ? -n : n, 4)), n < 0 ? '<' : '>');
        break;
      }
      case TK_TUPLET: {
        if (ornament && ignoreOrnamentation_) break;
        const TupletState& t = Tuplet();
        out += '(';
        out += std::to_string(t.p);
        if (t.qWritten) out += ':' + std::to_string(t.q);
        if (t.rWritten) out += (t.qWritten ? ":" : "::") + std::to_string(t.r);
        break;
      }
      default:
        if ((IsDecorationKind(k) || k == TK_STACCATO || k == TK_SYMBOL) && !InGrace() &&
            !ignoreOrnamentation_)
          out += body.substr(start, std::min(pos, body.size()) - std::min(start, pos));
        break;
    }
  }
  if (thirdBar != nullptr && *thirdBar == std::string_view::npos) *thirdBar = out.size();
  return out;
}

std::vector<int> SlotOrder(const MusicOptions& o) {
  std::vector<int> order = {0};
  auto add = [&](bool on, SlotRange range) {
    if (!on) return;
    for (int s = range.first; s <= range.last; ++s) order.push_back(s);
  };
  add(o.transpose36, k36);
  add(o.transpose45, k45);
  add(o.transpose8, k8);
  add(o.transposeMaj2, kMaj2);
  add(o.transposeMin2Aug4, kMin2Aug4);
  add(o.transpose8plus && o.transpose36, kPlus36);
  add(o.transpose8plus && o.transpose45, kPlus45);
  add(o.transpose8plus && o.transposeMaj2, kPlusMaj2);
  add(o.transpose8plus && o.transposeMin2Aug4, kPlusMin2Aug4);
  return order;
}

bool BuildQuery(std::string_view phraseText, const MusicOptions& options, MelodyQuery& query) {
  query = MelodyQuery{};
  query.options = options;
  std::string phrase;
  SplitKeyPrefix(phraseText, query.key, phrase);
  NoteTextWriter writer(options.ignoreOrnamentation);
  query.noteText = writer.Write(query.key, "", "1/8", phrase);
  if (query.noteText.empty()) return false;
  query.errors =
      ApproxMatcher::ErrorsFor(query.noteText.size(), std::clamp(options.loosePercent, 0, 100));
  query.matchers[0].emplace(query.noteText, query.errors, false, false);
  static const StyleSet kNoStyles;
  std::array<std::string, kMelodySlots> slotTexts;
  slotTexts[0] = query.noteText;
  for (int slot : SlotOrder(options)) {
    if (slot == 0) continue;
    // The transposer writes the phrase in the moved key; its note text is then made
    // with the same rules as every tune's, so both spell pitches alike.
    TuneTexts texts;
    texts.key = query.key;
    texts.unitLength = "1/8";
    texts.body = query.noteText;
    const RewriteResult moved = TransposeTune(texts, kSlotShifts[slot], kNoStyles);
    if (!moved.ok) continue;
    const std::string movedKey = moved.keyText.value_or(query.key);
    const std::string text = writer.Write(movedKey, "", "1/8", moved.body);
    if (!text.empty()) query.matchers[slot].emplace(text, query.errors, false, false);
    slotTexts[slot] = text;
  }
  for (int slot : SlotOrder(options)) {
    if (slotTexts[slot].empty()) continue;
    if (query.packed.empty() || !query.packed.back().Add(slotTexts[slot])) {
      query.packed.emplace_back(query.errors);
      query.packed.back().Add(slotTexts[slot]);
    }
  }
  for (size_t i = 0; i < query.packed.size(); i += PackedApproxLanes::kLanes)
    query.lanes.emplace_back(query.packed.data() + i,
                             std::min(PackedApproxLanes::kLanes, query.packed.size() - i));
  return true;
}

bool MatchTune(MelodyQuery& query, const TuneRecord& tune, NoteTextWriter& writer) {
  const std::optional<std::string>* keyField = tune.Field('K');
  std::optional<std::string_view> key;
  if (keyField != nullptr && keyField->has_value()) key = **keyField;
  size_t thirdBar = 0;
  const bool beginning = query.options.where == MusicOptions::kBeginning;
  size_t beyond = 0;
  for (const PackedApproxMatcher& m : query.packed)
    beyond = std::max(beyond, m.MaxLength() + static_cast<size_t>(m.Errors()));
  std::string text = writer.Write(key, tune.FieldText('M'), tune.FieldText('L'), tune.body,
                                  beginning ? &thirdBar : nullptr, beyond);
  for (size_t g = 0; g < query.lanes.size(); ++g) {
    // From the beginning: a match must start within the first two bars, so the
    // scan of each matcher ends where such a match would have ended.
    std::array<size_t, PackedApproxLanes::kLanes> lengths;
    for (size_t l = 0; l < lengths.size(); ++l) {
      const size_t i = g * PackedApproxLanes::kLanes + l;
      lengths[l] = !beginning || i >= query.packed.size()
                       ? text.size()
                       : thirdBar + query.packed[i].MaxLength() + query.packed[i].Errors();
    }
    if (query.lanes[g].Matches(text, lengths)) return true;
  }
  return false;
}

}  // namespace tunora
