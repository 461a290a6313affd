// Commands on the notation engine: render (tunes drawn on pages as printing will,
// to PDF, SVG or PNG), layout (the laid-out items of a tune as a listing) and symbols
// (a chart of the music symbols in the notation font).
#include <cstdio>
#include <string>
#include <vector>

#include "Environment.h"
#include "abc/UserSymbols.h"
#include "draw/DrawContext.h"
#include "draw/DrawTunes.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutListing.h"
#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"
#include "platform/canvas/PageOutput.h"

namespace tunora::cli {
namespace {

bool ParseDpi(const Args& a, int& dpi) {
  if (!a.Has("--dpi")) return true;
  std::string text = a.Get("--dpi");
  if (text.empty() || text.size() > 4) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 20 || v > 1200) return false;
  dpi = v;
  return true;
}

void PrintFiles(const PageOutput& out) {
  std::string text;
  for (const std::string& f : out.Files()) text += f + "\n";
  WriteOut(text);
}

// Draws tunes of a file on pages of a size with the application's settings; false
// when a page could not be started.
bool DrawTunes(Canvas& canvas, Environment& env, const TuneFile& file,
               const std::vector<const TuneRecord*>& tunes, PaperSize size) {
  UserSymbols fileSymbols;
  if (file.headerText) fileSymbols.LoadFromText(*file.headerText);
  StderrSink sink;
  DrawJob job;
  job.pageWidth = size.width;
  job.pageHeight = size.height;
  job.sink = &sink;
  job.env = &env.formatEnv;
  job.programSymbols = &UserSymbols::Application();
  job.fileSymbols = &fileSymbols;
  SymbolMap symbols(env.settings.fonts.musicalSymbols);
  return tunora::DrawTunes(canvas, tunes, FormatSettings::Application(),
                           LayoutParams::Application(), symbols, job) > 0;
}

// The paper, the environment and the tune file of a drawing command; false after a
// message on bad usage or unreadable input.
bool LoadForDrawing(const Args& a, const std::string& path, PaperKind& paper, Environment& env,
                    TuneFile& file) {
  paper = PaperKind::kA4;
  if (a.Has("--paper") && !PaperKindFromName(a.Get("--paper"), paper)) {
    Fail("--paper takes a4, letter, a5 or legal");
    return false;
  }
  return LoadEnvironment(a, env) && LoadTuneFile(path, env, file);
}

int Layout(const Args& a) {
  const char* usage = "usage: tunora-cli layout FILE N [--paper a4|letter|a5|legal]";
  if (a.positional.size() != 2) return Fail(usage);
  PaperKind paper;
  Environment env;
  TuneFile file;
  if (!LoadForDrawing(a, a.positional[0], paper, env, file)) return 1;
  int n = 0;
  if (!ParsePosition(a.positional[1], 1, file.TuneCount(), n)) {
    return Fail("no tune " + a.positional[1] + " in " + a.positional[0] + " (it has " +
                std::to_string(file.TuneCount()) + ")");
  }
  if (!InitGraphics(env.programDir)) {
    std::fprintf(stderr, "tunora-cli: the notation font was not found; symbols may be missing\n");
  }
  std::unique_ptr<Canvas> measure = OpenMeasuringCanvas();
  ListingCanvas listing(*measure);
  bool ok = DrawTunes(listing, env, file, {file.TuneAt(n)},
                      PaperInUnits(paper, FormatSettings::Application().unit));
  WriteOut(listing.Listing());
  return ok ? 0 : Fail("a page could not be started");
}

int Render(const Args& a) {
  const char* usage =
      "usage: tunora-cli render FILE [N | --all] -o OUT.pdf|OUT.svg|OUT.png [--paper a4|letter] "
      "[--dpi D]";
  std::vector<std::string> words;
  std::string outPath;
  if (!TakeOutput(a, words, outPath) || words.empty() || words.size() > 2) return Fail(usage);
  if (words.size() == 2 && a.Has("--all")) return Fail(usage);
  PageFormat format;
  if (!PageFormatOfPath(outPath, format)) return Fail("the output must end in .pdf, .svg or .png");
  int dpi = 150;
  if (!ParseDpi(a, dpi)) return Fail("--dpi takes a number from 20 to 1200");
  PaperKind paper;
  Environment env;
  TuneFile file;
  if (!LoadForDrawing(a, words[0], paper, env, file)) return 1;
  std::vector<const TuneRecord*> tunes;
  if (words.size() == 2) {
    int n = 0;
    if (!ParsePosition(words[1], 1, file.TuneCount(), n)) {
      return Fail("no tune " + words[1] + " in " + words[0] + " (it has " +
                  std::to_string(file.TuneCount()) + ")");
    }
    tunes.push_back(file.TuneAt(n));
  } else {
    for (size_t i = 1; i <= file.TuneCount(); ++i)
      tunes.push_back(file.TuneAt(static_cast<int>(i)));
  }
  if (tunes.empty()) return NoTunes(words[0]);

  if (!InitGraphics(env.programDir)) {
    std::fprintf(stderr, "tunora-cli: the notation font was not found; symbols may be missing\n");
  }
  const FormatSettings& fs = FormatSettings::Application();
  PaperSize size = PaperInUnits(paper, fs.unit);
  PageSetup setup;
  setup.format = format;
  setup.path = outPath;
  setup.pageWidth = size.width;
  setup.pageHeight = size.height;
  setup.unitsPerInch = fs.UnitsPerInch();
  setup.dpi = dpi;
  std::string error;
  std::unique_ptr<PageOutput> out = OpenPageOutput(setup, error);
  if (!out) return Fail(error);

  bool ok = DrawTunes(out->GetCanvas(), env, file, tunes, size);
  if (!out->Finish(error)) return Fail(error);
  PrintFiles(*out);
  return ok ? 0 : Fail("a page could not be started");
}

int Symbols(const Args& a) {
  std::vector<std::string> words;
  std::string outPath;
  if (!TakeOutput(a, words, outPath) || !words.empty()) {
    return Fail("usage: tunora-cli symbols -o CHART.png|CHART.svg|CHART.pdf [--dpi D]");
  }
  PageFormat format;
  if (!PageFormatOfPath(outPath, format)) return Fail("the output must end in .pdf, .svg or .png");
  int dpi = 150;
  if (!ParseDpi(a, dpi)) return Fail("--dpi takes a number from 20 to 1200");
  Environment env;
  if (!LoadEnvironment(a, env)) return 1;
  if (!InitGraphics(env.programDir)) {
    std::fprintf(stderr, "tunora-cli: the notation font was not found; symbols may be missing\n");
  }
  const FormatSettings& fs = FormatSettings::Application();
  SymbolMap symbols(env.settings.fonts.musicalSymbols);

  // Four columns of cells in centimetre units: number, glyph on its baseline, name.
  constexpr int kColumns = 4;
  constexpr int32_t kCellW = 6000, kCellH = 1800, kMargin = 800;
  const int rows = (SymbolMap::kCount + kColumns - 1) / kColumns;
  PageSetup setup;
  setup.format = format;
  setup.path = outPath;
  setup.pageWidth = 2 * kMargin + kColumns * kCellW;
  setup.pageHeight = 2 * kMargin + rows * kCellH + 1000;
  setup.unitsPerInch = 2540;
  setup.dpi = dpi;
  std::string error;
  std::unique_ptr<PageOutput> out = OpenPageOutput(setup, error);
  if (!out) return Fail(error);
  Canvas& cv = out->GetCanvas();
  CanvasFont music;
  music.face = fs.notationFont.face;
  music.height = fs.notationFont.size * 2540 / 72;
  music.symbol = true;
  CanvasFont text;
  text.face = "DejaVu Sans";
  text.height = 9 * 2540 / 72;
  CanvasFont title = text;
  title.height = 14 * 2540 / 72;
  title.bold = true;
  cv.DrawText(title, kMargin, -kMargin, "Music symbols of \"" + music.face + "\"");
  for (int s = 0; s < SymbolMap::kCount; ++s) {
    int col = s % kColumns, row = s / kColumns;
    int32_t x = kMargin + col * kCellW;
    int32_t top = -(kMargin + 600 + row * kCellH);
    int32_t baseline = top - kCellH * 11 / 20;
    char label[16];
    std::snprintf(label, sizeof label, "%d", s);
    cv.DrawText(text, x, baseline, label);
    if (SymbolMap::IsHeading(s)) {
      cv.DrawText(text, x + 600, baseline, SymbolMap::Name(s));
      continue;
    }
    // A thin line marks the baseline the glyph is drawn on.
    cv.DrawLine(x + 500, baseline, x + 2100, baseline, 3);
    cv.DrawChar(music, x + 900, baseline, symbols.Char(s));
    std::snprintf(label, sizeof label, "0x%02X", symbols.Char(s));
    CanvasFont small = text;
    small.height = text.height * 4 / 5;
    cv.DrawText(small, x + 2300, baseline + 250, label);
    cv.DrawText(small, x + 2300, baseline - 150, SymbolMap::Name(s));
  }
  if (!out->Finish(error)) return Fail(error);
  PrintFiles(*out);
  return 0;
}

const Register kRender({"render",
                        "render FILE [N | --all] -o OUT.pdf|OUT.svg|OUT.png [--paper a4|letter] "
                        "[--dpi D]",
                        {"--all"},
                        {"--paper", "--dpi", "--output"},
                        Render});
const Register kLayout({"layout", "layout FILE N [--paper a4|letter]", {}, {"--paper"}, Layout});
const Register kSymbols(
    {"symbols", "symbols -o CHART.png [--dpi D]", {}, {"--dpi", "--output"}, Symbols});

}  // namespace
}  // namespace tunora::cli
