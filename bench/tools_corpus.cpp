// The tune tools over the shared corpus of real tune files, as a report:
//  1. every tune transposed up and back down by several intervals: the pitches the
//     reader reads from the transposed text must be the original ones moved, and
//     after the way back the original ones;
//  2. Chordwise on the tunes that carry chords: the written chords removed (as
//     `tunora-cli tidy --remove chords` does), chords set again (as `tunora-cli
//     chordwise`), and the root of the first chord of each bar compared with the
//     written one; then the same with single weights changed, to show which part
//     of the scoring holds the figure back.
// Usage: tools_corpus [CORPUS_DIR]   (default: the shared corpus)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchCorpus.h"
#include "abc/AbcParser.h"
#include "base/MessageSink.h"
#include "play/ChordSymbol.h"
#include "play/StyleSet.h"
#include "tools/Chordwise.h"
#include "tools/Transpose.h"
#include "tools/TuneRewriter.h"
#include "tunefile/TuneFile.h"

namespace fs = std::filesystem;
using namespace tunora;

namespace {

// The root pitch class of the first chord of every bar, -1 for a bar without one.
std::vector<int> FirstRoots(const TuneTexts& t, const StyleSet& styles) {
  AbcParser reader;
  reader.Init(t.key, t.meter, t.unitLength, t.body, {}, false);
  std::vector<int> roots(1, -1);
  ChordSymbol chord;
  size_t pos = 0;
  bool first = true;
  for (;;) {
    TokenKind k = reader.NextToken(pos, first);
    first = false;
    if (k == TK_END) break;
    if (IsBarKind(k)) {
      roots.push_back(-1);
    } else if (k == TK_CHORD_SYMBOL) {
      std::string_view text = reader.TokenText();
      if (!text.empty() && text[0] == '/') continue;
      if (ReadChordSymbol(text, styles, chord) && roots.back() == -1)
        roots.back() = chord.root % 12;
    }
  }
  return roots;
}

struct Tally {
  long bars = 0;
  long matches = 0;
  long none = 0;           // bars that got no chord
  long interval[12] = {};  // misses by chosen root minus written root
  double Percent() const { return bars == 0 ? 0.0 : 100.0 * matches / bars; }
};

struct Tune {
  std::string name;
  std::string keyText;
  bool hasKey = false;
  std::string meter, unit, body;
  TuneTexts Texts() const {
    TuneTexts t;
    if (hasKey) t.key = keyText;
    t.meter = meter;
    t.unitLength = unit;
    t.body = body;
    return t;
  }
};

void Measure(const std::vector<Tune>& tunes, const std::vector<std::vector<int>>& written,
             const StyleSet& styles, const ChordwiseWeights& w, bool perBar, Tally& tally,
             long& errors) {
  for (size_t i = 0; i < tunes.size(); ++i) {
    ChordwiseEngine engine(w, styles.chordTypes, 0);
    engine.commonEqualsCut = true;
    engine.perBar = perBar;
    std::string body = tunes[i].body;
    std::string message;
    TuneTexts t = tunes[i].Texts();
    if (!engine.Run(t, body, message)) {
      ++errors;
      continue;
    }
    t.body = body;
    std::vector<int> set = FirstRoots(t, styles);
    const std::vector<int>& want = written[i];
    for (size_t b = 0; b < want.size(); ++b) {
      if (want[b] < 0) continue;
      ++tally.bars;
      if (b < set.size() && set[b] == want[b]) {
        ++tally.matches;
      } else if (b >= set.size() || set[b] < 0) {
        ++tally.none;
      } else {
        ++tally.interval[(set[b] - want[b] + 12) % 12];
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  fs::path root = argc > 1 ? fs::path(argv[1]) / "abc" : bench::CorpusAbcDir();
  if (root.empty() || !fs::is_directory(root)) {
    std::printf("tools_corpus: no corpus folder, nothing to report\n");
    return 0;
  }
  StyleSet styles;
  CollectingSink sink;
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  styles.LoadFromFile((exe.parent_path() / "abcstyle.cfg").string(), sink);
  if (styles.chordTypes.empty()) {
    std::fprintf(stderr, "no chord types (abcstyle.cfg beside the program)\n");
    return 1;
  }

  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());

  // 1. Transposition up and back.
  const int shifts[] = {1, 2, 5, 7, -3, -6, 16, -13};
  long tunesRead = 0, notes = 0, upWrong = 0, backWrong = 0, tunesWrong = 0;
  std::vector<Tune> chorded;
  std::vector<std::vector<int>> written;
  const auto t0 = std::chrono::steady_clock::now();
  for (const fs::path& f : files) {
    TuneFile file;
    std::string error;
    if (!file.Load(f.string(), error)) continue;
    for (size_t k = 1; k <= file.TuneCount(); ++k) {
      const TuneRecord& rec = *file.TuneAt(static_cast<int>(k));
      TuneTexts texts = TuneTextsOf(rec);
      std::vector<int> original = NotePitches(texts);
      ++tunesRead;
      bool wrong = false;
      for (int s : shifts) {
        RewriteResult up = TransposeTune(texts, s, styles);
        TuneTexts upTexts = texts;
        upTexts.body = up.body;
        if (up.keyText) upTexts.key = *up.keyText;
        std::vector<int> moved = NotePitches(upTexts);
        RewriteResult back = TransposeTune(upTexts, -s, styles);
        TuneTexts backTexts = upTexts;
        backTexts.body = back.body;
        if (back.keyText) backTexts.key = *back.keyText;
        std::vector<int> again = NotePitches(backTexts);
        notes += static_cast<long>(original.size());
        bool upOk = moved.size() == original.size();
        for (size_t i = 0; upOk && i < original.size(); ++i)
          upOk = original[i] >= 128 ? moved[i] == original[i]
                                    : moved[i] == TransposePitch(original[i], s);
        if (!upOk) ++upWrong;
        if (again != original) ++backWrong;
        if ((!upOk || again != original) && !wrong) {
          wrong = true;
          if (++tunesWrong <= 5)
            std::printf("transpose %+d differs: %s tune %zu\n", s, f.filename().c_str(), k);
        }
      }
      // Tunes with written chords, for the chord test.
      std::vector<int> roots = FirstRoots(texts, styles);
      long withChord = 0;
      for (int r : roots) withChord += r >= 0;
      if (withChord >= 4) {
        Tune t;
        t.name = f.filename().string();
        t.hasKey = texts.key.has_value();
        if (t.hasKey) t.keyText = std::string(*texts.key);
        t.meter = std::string(texts.meter);
        t.unit = std::string(texts.unitLength);
        t.body = rec.body;
        chorded.push_back(std::move(t));
        written.push_back(std::move(roots));
      }
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("Transposition: %ld tunes, %zu shifts each, %ld note readings\n", tunesRead,
              std::size(shifts), notes);
  std::printf(
      "  pitches moved wrongly: %ld transpositions; not back after the way back: %ld; "
      "tunes affected: %ld (%.1f s)\n",
      upWrong, backWrong, tunesWrong, seconds);

  // 2. Chordwise against the written chords.
  ChordwiseWeights base;
  Tally beat, bar;
  long errors = 0, errorsBar = 0;
  Measure(chorded, written, styles, base, false, beat, errors);
  Measure(chorded, written, styles, base, true, bar, errorsBar);
  std::printf("Chordwise: %zu tunes with chords (%ld not set: reading errors)\n", chorded.size(),
              errors);
  std::printf(
      "  first chord of the bar has the written root: per beat %.1f%% of %ld bars, "
      "per bar %.1f%%\n",
      beat.Percent(), beat.bars, bar.Percent());

  std::printf("  misses (per beat): no chord set %ld bars; chosen root above the written one by",
              beat.none);
  for (int i = 1; i < 12; ++i) std::printf(" %d:%ld", i, beat.interval[i]);
  std::printf(" semitones\n");

  struct Variant {
    const char* what;
    void (*apply)(ChordwiseWeights&);
  };
  const Variant variants[] = {
      {"WeightPossible 100 (tune-wide rank counts fully)",
       [](ChordwiseWeights& w) { w.weightPossible = 100; }},
      {"WeightPossible 0 (period notes only)", [](ChordwiseWeights& w) { w.weightPossible = 0; }},
      {"ProgressBySame 130", [](ChordwiseWeights& w) { w.progressBySame = 130; }},
      {"ProgressByFifthUp 120, ByFourthUp 120",
       [](ChordwiseWeights& w) {
         w.progressByFifthUp = 120;
         w.progressByFourthUp = 120;
       }},
      {"ProgressByMinorSecond 50, ByMajorSecond 70",
       [](ChordwiseWeights& w) {
         w.progressByMinorSecond = 50;
         w.progressByMajorSecond = 70;
       }},
      {"ProgressByThird 60 (relative and mediant chords)",
       [](ChordwiseWeights& w) { w.progressByThird = 60; }},
      {"SetChordFirst 150 (root in the melody)",
       [](ChordwiseWeights& w) { w.setChordFirst = 150; }},
      {"SetChordThird 60, SetChordFifth 80",
       [](ChordwiseWeights& w) {
         w.setChordThird = 60;
         w.setChordFifth = 80;
       }},
      {"SetChordOtherNote 0 (passing notes ignored)",
       [](ChordwiseWeights& w) { w.setChordOtherNote = 0; }},
      {"StrangeNonscale 20, StrangeInscale 50",
       [](ChordwiseWeights& w) {
         w.strangeNonscale = 20;
         w.strangeInscale = 50;
       }},
  };
  for (const Variant& v : variants) {
    ChordwiseWeights w;
    v.apply(w);
    Tally t, tb;
    long e = 0;
    Measure(chorded, written, styles, w, false, t, e);
    Measure(chorded, written, styles, w, true, tb, e);
    std::printf("  %-52s per beat %.1f%%, per bar %.1f%%\n", v.what, t.Percent(), tb.Percent());
  }
  return upWrong == 0 && backWrong == 0 ? 0 : 2;
}
