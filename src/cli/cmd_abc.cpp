// Commands on the ABC reader: tokens (a tune read token by token) and key (a K: text).
#include <cstdio>
#include <string>

#include "Environment.h"
#include "abc/AbcParser.h"
#include "abc/UserSymbols.h"

namespace tunora::cli {
namespace {

// Token text in double quotes: backslash, quote and control bytes escaped.
void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  out += '"';
}

bool CarriesText(int kind) {
  return kind == TK_COMMENT || kind == TK_BACKSLASH_LINE || kind == TK_CHORD_SYMBOL ||
         kind == TK_DECORATION_TEXT || kind == TK_DIRECTIVE || IsFieldKind(kind) ||
         IsDecorationKind(kind) || kind == TK_FIELD_INFO;
}

bool CarriesValue(int kind) {
  return kind == TK_ERROR || kind == TK_BROKEN || kind == TK_TUPLET || kind == TK_SYMBOL ||
         kind == TK_REPEAT_BOTH || kind == TK_DIRECTIVE || kind == TK_REPEATBAR ||
         kind == TK_FIELD_INFO;
}

int Tokens(const Args& a) {
  if (a.positional.size() != 2)
    return Fail("usage: tunora-cli tokens FILE N [--symbols U|u] [--no-decorations]");
  int mode = UserSymbols::kNoTable;
  if (a.Has("--symbols")) {
    std::string table = a.Get("--symbols");
    if (table == "U") {
      mode = UserSymbols::kDrawTable;
    } else if (table == "u") {
      mode = UserSymbols::kPlayTable;
    } else {
      return Fail("--symbols takes U or u");
    }
  }
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n)) return 1;
  const TuneRecord& tune = *file.TuneAt(n);

  UserSymbols fileSet;
  if (file.headerText) fileSet.LoadFromText(*file.headerText);

  AbcParser reader;
  reader.commonEqualsCut = env.settings.midi.commonEqualsCut;
  const auto* key = tune.Field('K');
  std::optional<std::string_view> keyText;
  if (key != nullptr && key->has_value()) keyText = **key;
  reader.Init(keyText, tune.FieldText('M'), tune.FieldText('L'), std::string_view(tune.body),
              tune.FieldText('Q'), !a.Has("--no-decorations"));
  reader.SetUserSymbols(mode, &fileSet, TuneSymbolLines(tune), &UserSymbols::Application());

  std::string out;
  const MeterInfo& m = reader.meter;
  out += "init unit=" + std::to_string(m.unitLength) + " bar=" + std::to_string(m.barLength) +
         " beat=" + std::to_string(m.beatLength) + " offbeat=" + std::to_string(m.offbeatLength) +
         " sub=" + std::to_string(m.subBeatLength) + " beats=" + std::to_string(m.beatsPerBar) +
         " pickup=" + std::to_string(reader.pickupOffset) +
         " tempo=" + std::to_string(reader.tempo.beatLength) + "/" +
         std::to_string(reader.tempo.beatsPerMinute) +
         " tonic=" + std::to_string(reader.key.tonic) + " mode=" + reader.key.mode->name +
         " noKey=" + (reader.key.noKey ? "1" : "0") + "\n";

  size_t pos = 0;
  bool first = true;
  for (;;) {
    const size_t start = pos;
    TokenKind k = reader.NextToken(pos, first);
    first = false;
    out += std::to_string(start);
    out += ' ';
    out += std::to_string(static_cast<int>(k));
    out += ' ';
    out += TokenKindName(k);
    if (CarriesText(k)) {
      out += " text=";
      AppendQuoted(out, reader.TokenText());
    }
    if (CarriesValue(k) || (k == TK_GRACE_START && reader.TokenValue() != 0))
      out += " value=" + std::to_string(reader.TokenValue());
    if (reader.SyntaxWarning()) out += " warn";
    if (k == TK_NOTE) {
      const NoteInfo& nt = reader.note;
      out += " pitch=" + std::to_string(nt.pitch) + " written=" + std::to_string(nt.writtenPitch) +
             " letter=" + std::to_string(nt.letterPitch) + " acc=" + std::to_string(nt.accidental) +
             " wacc=" + std::to_string(nt.writtenAccidental) + " len=" + std::to_string(nt.length) +
             " notated=" + std::to_string(nt.notatedLength) +
             " pre=" + std::to_string(nt.lengthBeforeTuplet) +
             " broken=" + std::to_string(nt.brokenRole) + "/" + std::to_string(nt.brokenValue) +
             " flags=" + std::to_string(nt.flags);
    }
    out += '\n';
    if (k == TK_END) break;
  }
  return WriteOut(out) ? 0 : Fail("cannot write the output");
}

int Key(const Args& a) {
  if (a.positional.size() != 1) return Fail("usage: tunora-cli key \"K-TEXT\"");
  KeyInfo key;
  ParseKey(a.positional[0], key);
  std::string out;
  out += "tonic=" + std::to_string(key.tonic) + "\n";
  out += std::string("mode=") + key.mode->name + "\n";
  out += std::string("noKey=") + (key.noKey ? "1" : "0") + "\n";
  out += "bagpipe=" + std::to_string(key.bagpipeKey) + "\n";
  out += "letterAccidentals=";
  for (int i = 0; i < 12; ++i) {
    if (i > 0) out += ' ';
    out += std::to_string(key.letterAccidentals[i]);
  }
  out += "\nscale=";
  for (int i = 0; i < 7; ++i) {
    if (i > 0) out += ' ';
    out += std::to_string(key.scale[i]);
  }
  out += "\nnames=";
  for (int i = 0; i < 12; ++i) {
    if (i > 0) out += ' ';
    out += key.names[i];
  }
  out += '\n';
  return WriteOut(out) ? 0 : Fail("cannot write the output");
}

const Register kTokens({"tokens",
                        "tokens FILE N [--symbols U|u] [--no-decorations]",
                        {"--no-decorations"},
                        {"--symbols"},
                        Tokens});
const Register kKey({"key", "key \"K-TEXT\"", {}, {}, Key});

}  // namespace
}  // namespace tunora::cli
