// Commands on whole tune files: list, tune, save, format. Text for people (list,
// format) is printed as UTF-8; ABC text (tune) keeps the file's bytes.
#include <cstdio>
#include <string_view>

#include "base/FileIO.h"

#include "Environment.h"

namespace tunora::cli {
namespace {

// Codes that need more of a tune than its heading: the body (t), the whole tune (z),
// the words (W), the incipit (i), and its place in its file (x, f, p).
constexpr std::string_view kBeyondHeading = "tzWixfp";

int List(const Args& a) {
  if (a.positional.size() != 1) return Fail("usage: tunora-cli list FILE [--format FMT]");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  std::string format = a.Get("--format", env.settings.preferences.tunelistFormat);
  FormatOptions opts;
  opts.readEscapes = true;
  std::string out = env.settings.preferences.preftextFormat;
  out += '\n';
  if (FormatCodeLetters(format, opts).find_first_of(kBeyondHeading) != std::string::npos) {
    TuneFile file;
    if (!LoadTuneFile(a.positional[0], env, file)) return 1;
    out.reserve(file.TuneCount() * 48 + out.size());
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      ExpandFormat(out, format, file.TuneAt(static_cast<int>(k)), -1, opts, &env.formatEnv);
      out += '\n';
    }
  } else {
    // The list needs only the tunes' headings: they are read without building the model.
    std::string bytes, error;
    if (!ReadWholeFile(a.positional[0], bytes, error)) return Fail(error);
    const bool tex = env.TuneOptions().convertTeX;
    env.fileEncoding = !tex && IsValidUtf8(bytes) ? TextEncoding::kUtf8 : TextEncoding::kCp1252;
    out.reserve(bytes.size() / 8 + out.size());
    TuneFile::ReadHeadings(bytes, tex, [&](const TuneRecord& tune) {
      ExpandFormat(out, format, &tune, -1, opts, &env.formatEnv);
      out += '\n';
    });
  }
  return WriteOut(env.ForPeople(out)) ? 0 : Fail("cannot write the output");
}

int Tune(const Args& a) {
  if (a.positional.size() != 2) return Fail("usage: tunora-cli tune FILE N");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n)) return 1;
  return WriteOut(file.WriteTune(*file.TuneAt(n), false)) ? 0 : Fail("cannot write the output");
}

int Save(const Args& a) {
  if (a.positional.size() != 2)
    return Fail("usage: tunora-cli save IN OUT [--canonical] [--tex] [--tex-escapes]");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  TuneFileOptions opts = env.TuneOptions();
  if (a.Has("--tex")) opts.convertTeX = true;
  if (a.Has("--tex-escapes")) opts.cvtTeXEsc = true;
  opts.canonical = a.Has("--canonical");
  TuneFile file;
  if (!LoadTuneFile(a.positional[0], env, opts, file)) return 1;
  std::string error;
  if (!file.Save(a.positional[1], error)) return Fail(error);
  return 0;
}

int Format(const Args& a) {
  if (a.positional.size() != 3)
    return Fail(
        "usage: tunora-cli format FILE N FORMAT [--title K] [--escapes] [--html] [--tex] "
        "[--extra TEXT]...");
  Environment env;
  TuneFile file;
  int n = 0;
  if (!LoadTuneArgs(a, env, file, n, 0)) return 1;
  int title = -1;
  if (a.Has("--title")) {
    int k = 0;
    if (!ParsePosition(a.Get("--title"), 0, 1000000, k)) return Fail("--title needs a number");
    title = k;
  }
  FormatOptions opts;
  opts.readEscapes = a.Has("--escapes");
  opts.html = a.Has("--html");
  opts.tex = a.Has("--tex");
  std::string out = ExpandFormat(a.positional[2], n > 0 ? file.TuneAt(n) : nullptr, title, opts,
                                 &env.formatEnv, a.GetAll("--extra"));
  out += '\n';
  return WriteOut(env.ForPeople(out)) ? 0 : Fail("cannot write the output");
}

const Register kList({"list", "list FILE [--format FMT]", {}, {"--format"}, List});
const Register kTune({"tune", "tune FILE N", {}, {}, Tune});
const Register kSave({"save",
                      "save IN OUT [--canonical] [--tex] [--tex-escapes]",
                      {"--canonical", "--tex", "--tex-escapes"},
                      {},
                      Save});
const Register kFormat(
    {"format",
     "format FILE N FORMAT [--title K] [--escapes] [--html] [--tex] [--extra TEXT]...",
     {"--escapes", "--html", "--tex"},
     {"--title", "--extra"},
     Format});

}  // namespace
}  // namespace tunora::cli
