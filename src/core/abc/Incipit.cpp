#include "abc/Incipit.h"

#include <cstdlib>
#include <numeric>

#include "abc/AbcParser.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

void AppendNote(std::string& out, const NoteInfo& note, tick unitNow, tick tuneUnit) {
  switch (note.pitch) {
    case kRest: out += 'z'; break;
    case kInvisibleRest: out += 'x'; break;
    case kSpacer: out += 'y'; break;
    default: {
      if (note.writtenAccidental == kNatural) {
        out += '=';
      } else {
        int a = note.writtenAccidental;
        out.append(static_cast<size_t>(std::abs(a)), a > 0 ? '^' : '_');
      }
      static constexpr char kLetters[] = "C?D?EF?G?A?B";
      const int pc = note.letterPitch - 60;
      const int wp = note.writtenPitch;
      if (wp >= 72) {
        out += static_cast<char>(kLetters[pc] + 32);
        out.append(static_cast<size_t>((wp - 72 - pc) / 12), '\'');
      } else {
        out += kLetters[pc];
        if (wp < 60) out.append(static_cast<size_t>((60 + pc - wp) / 12), ',');
      }
      break;
    }
  }
  // The written length relative to the tune's unit length.
  uint64_t num = uint64_t{unitNow} * note.multiplierNum;
  uint64_t den = uint64_t{tuneUnit} * note.multiplierDen;
  if (num == 0 || den == 0) return;
  uint64_t g = std::gcd(num, den);
  num /= g;
  den /= g;
  if (den == 1) {
    if (num != 1) out += std::to_string(num);
  } else if (num == 1 && den == 2) {
    out += '/';
  } else {
    if (num != 1) out += std::to_string(num);
    out += '/';
    out += std::to_string(den);
  }
}

}  // namespace

std::string MakeIncipit(std::optional<std::string_view> keyText, std::string_view meterText,
                        std::string_view unitLengthText, std::string_view body) {
  AbcParser reader;
  reader.Init(keyText, meterText, unitLengthText, std::nullopt, {}, false);
  reader.SetText(body);
  const tick tuneUnit = reader.meter.unitLength;
  std::string out;
  bool started = false;  // from the first note on
  int bars = 0;
  auto blank = [&] {
    if (started && !out.empty() && out.back() != ' ' && out.back() != '|') out += ' ';
  };
  size_t pos = 0;
  bool first = true;
  for (;;) {
    TokenKind k = reader.NextToken(pos, first);
    first = false;
    if (k == TK_END) break;
    if (k == TK_CR || k == TK_NEWLINE || k == TK_SPACE || k == TK_TAB) {
      blank();
    } else if (IsBarKind(k)) {
      if (!started) continue;
      if (!out.empty() && out.back() == ' ') out.pop_back();
      out += '|';
      if (++bars == 2) break;
    } else if (k == TK_NOTE) {
      const NoteInfo& note = reader.note;
      if ((note.flags & kNoteInGrace) != 0) continue;
      if ((note.flags & kNoteInChord) != 0 && reader.ChordNoteCount() != 1) continue;
      started = true;
      AppendNote(out, note, reader.meter.unitLength, tuneUnit);
    } else if (k == TK_BROKEN) {
      if (!started) continue;
      auto v = static_cast<int8_t>(reader.TokenValue());
      out.append(static_cast<size_t>(std::abs(v)), v > 0 ? '>' : '<');
    } else if (k == TK_TUPLET) {
      started = true;
      const TupletState& t = reader.Tuplet();
      out += '(';
      out += std::to_string(t.p);
      if (t.qWritten || t.rWritten) out += ':';
      if (t.qWritten) out += std::to_string(t.q);
      if (t.rWritten) {
        out += ':';
        out += std::to_string(t.r);
      }
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string ComputeIncipit(const TuneRecord& tune) {
  if (tune.incipit) return *tune.incipit;
  const auto* key = tune.Field('K');
  std::optional<std::string_view> keyText;
  if (key != nullptr && key->has_value()) keyText = **key;
  tune.incipit = MakeIncipit(keyText, tune.FieldText('M'), tune.FieldText('L'), tune.body);
  return *tune.incipit;
}

}  // namespace tunora
