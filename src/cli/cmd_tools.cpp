// Commands on the tune tools: tidy (the ABC tools), transpose, chordwise and
// chords (the View Chords text).
#include <string>
#include <vector>

#include "Environment.h"
#include "abc/AbcHeader.h"
#include "play/StyleSet.h"
#include "tools/Chordwise.h"
#include "tools/Transpose.h"
#include "tools/TuneRewriter.h"

namespace tunora::cli {
namespace {

// The tune with a new body and, where given, new K: and L: fields, as text.
std::string TuneWith(const TuneFile& file, const TuneRecord& tune, const RewriteResult& r) {
  TuneRecord copy = tune;
  copy.body = r.body;
  if (r.keyText) *copy.Field('K') = *r.keyText;
  if (r.unitLengthText) *copy.Field('L') = *r.unitLengthText;
  return file.WriteTune(copy, false);
}

int Tidy(const Args& a) {
  if (a.positional.size() != 2)
    return Fail(
        "usage: tunora-cli tidy FILE N [--remove LIST] [--add LIST] [--length 1/16] "
        "[--wrap N]");
  RewriteOptions o;
  std::string unknown;
  for (const std::string& list : a.GetAll("--remove"))
    if (!SetWords(list,
                  {{"chords", &o.removeChords},
                   {"comments", &o.removeComments},
                   {"graces", &o.removeGraces},
                   {"continuations", &o.removeContinuations},
                   {"breaks", &o.removeBreaks},
                   {"barspaces", &o.removeBarSpaces}},
                  unknown))
      return Fail(
          "--remove takes chords, comments, graces, continuations, breaks, barspaces; "
          "not \"" +
          unknown + "\"");
  for (const std::string& list : a.GetAll("--add"))
    if (!SetWords(list,
                  {{"continuations", &o.addContinuations},
                   {"breaks", &o.addBreaks},
                   {"barspaces", &o.addBarSpaces}},
                  unknown))
      return Fail("--add takes continuations, breaks, barspaces; not \"" + unknown + "\"");
  o.newUnitLength = a.Get("--length");
  if (a.Has("--wrap") && (!ParseInt(a.Get("--wrap"), o.wrapColumn) || o.wrapColumn < 1))
    return Fail("--wrap takes a number of characters");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n)) return 1;
  const TuneRecord& tune = *file.TuneAt(n);
  TuneRewriter rewriter(StyleSet::Application());
  RewriteResult r = rewriter.Rewrite(TuneTextsOf(tune), o);
  if (!r.ok) return Fail(r.message);
  return WriteOut(TuneWith(file, tune, r)) ? 0 : Fail("cannot write the output");
}

int Transpose(const Args& given) {
  const bool all = given.Has("--all");
  Args a = given;
  std::string out;
  a.positional.clear();
  const bool named = TakeOutput(given, a.positional, out);
  if (a.positional.size() != (all ? 1u : 2u) || a.Has("--by") == a.Has("--to") || named != all)
    return Fail(
        "usage: tunora-cli transpose FILE N (--by SEMITONES | --to KEY) [--octaves K]\n"
        "       tunora-cli transpose FILE --all --by SEMITONES [--octaves K] -o OUT.abc");
  int by = 0;
  int octaves = 0;
  if (a.Has("--by") && !ParseInt(a.Get("--by"), by))
    return Fail("--by takes a number of semitones, such as 2 or -3");
  if (a.Has("--octaves") && !ParseInt(a.Get("--octaves"), octaves))
    return Fail("--octaves takes a number, such as 1 or -1");
  if (by < -127 || by > 127 || octaves < -10 || octaves > 10)
    return Fail("the transposition must stay within ten octaves");
  Environment env;
  TuneFile file;
  const StyleSet& styles = StyleSet::Application();
  if (all) {
    if (a.Has("--to")) return Fail("--all takes --by, not --to");
    if (!LoadEnvironment(a, env) || !LoadTuneFile(a.positional[0], env, file)) return 1;
    const int shift = by + 12 * octaves;
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      TuneRecord& tune = *file.TuneAt(static_cast<int>(k));
      RewriteResult r = TransposeTune(TuneTextsOf(tune), shift, styles);
      tune.body = std::move(r.body);
      if (r.keyText) *tune.Field('K') = *r.keyText;
    }
    std::string error;
    if (!file.Save(out, error)) return Fail(error);
    return 0;
  }
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n)) return 1;
  const TuneRecord& tune = *file.TuneAt(n);
  int shift = by;
  if (a.Has("--to")) {
    // The nearest way to the named tonic: up to six semitones up, or five down.
    by = ByForTonic(tune.HasField('K') ? tune.FieldText('K') : "C", a.Get("--to"), true);
    if (by < 0) return Fail("--to takes a key such as D, Bb or F#m");
    shift = by > 6 ? by - 12 : by;
  }
  shift += 12 * octaves;
  RewriteResult r = TransposeTune(TuneTextsOf(tune), shift, styles);
  return WriteOut(TuneWith(file, tune, r)) ? 0 : Fail("cannot write the output");
}

int Chordwise(const Args& a) {
  if (a.positional.size() != 2)
    return Fail("usage: tunora-cli chordwise FILE N [--strangeness P] [--per-bar] [--remove]");
  int strangeness = 0;
  if (a.Has("--strangeness") &&
      (!ParseInt(a.Get("--strangeness"), strangeness) || strangeness < 0 || strangeness > 100))
    return Fail("--strangeness takes a percentage from 0 to 100");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n)) return 1;
  const TuneRecord& tune = *file.TuneAt(n);
  ChordwiseEngine engine(env.settings.chordwise, StyleSet::Application().chordTypes,
                         static_cast<uint32_t>(strangeness));
  engine.commonEqualsCut = env.settings.midi.commonEqualsCut;
  engine.perBar = a.Has("--per-bar");
  engine.writeChords = !a.Has("--remove");
  std::string body = tune.body;
  std::string message;
  const bool ok = engine.Run(TuneTextsOf(tune), body, message);
  if (!ok) StderrSink().Message(message);
  RewriteResult r;
  r.body = std::move(body);
  if (!WriteOut(TuneWith(file, tune, r))) return Fail("cannot write the output");
  return ok ? 0 : 1;
}

int Chords(const Args& a) {
  if (a.positional.size() != 2) return Fail("usage: tunora-cli chords FILE N");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n)) return 1;
  const TuneRecord& tune = *file.TuneAt(n);
  std::string text = ViewChordsText(tune.titles.empty() ? std::string() : tune.titles.front(),
                                    TuneTextsOf(tune), StyleSet::Application());
  if (text.empty() || text.back() != '\n') text += "\r\n";
  return WriteOut(text) ? 0 : Fail("cannot write the output");
}

const Register kTidy({"tidy",
                      "tidy FILE N [--remove chords,comments,graces,continuations,breaks,"
                      "barspaces] [--add continuations,breaks,barspaces] [--length 1/16] "
                      "[--wrap N]",
                      {},
                      {"--remove", "--add", "--length", "--wrap"},
                      Tidy});
const Register kTranspose({"transpose",
                           "transpose FILE N (--by SEMITONES | --to KEY) [--octaves K] | "
                           "transpose FILE --all --by SEMITONES -o OUT.abc",
                           {"--all"},
                           {"--by", "--to", "--octaves", "--output"},
                           Transpose});
const Register kChordwise({"chordwise",
                           "chordwise FILE N [--strangeness P] [--per-bar] [--remove]",
                           {"--per-bar", "--remove"},
                           {"--strangeness"},
                           Chordwise});
const Register kChords({"chords", "chords FILE N", {}, {}, Chords});

}  // namespace
}  // namespace tunora::cli
