#include "draw/StaffLayout.h"

#include "draw/TuneDrawer.h"

namespace tunora {

using namespace staff;

NoteShape ShapeOfLength(uint32_t ticks) {
  if (ticks == 0) return {4, 0};
  if (ticks >= 3072) {
    // A longa (four whole notes), dotted when it is six.
    return {0, ticks >= 4608 ? 1 : 0, true};
  }
  // The largest plain value not longer than the length, with dots when they fit.
  static const uint32_t kValues[9] = {1536, 768, 384, 192, 96, 48, 24, 12, 6};
  for (int b = 0; b < 9; ++b) {
    uint32_t v = kValues[b];
    if (ticks >= v || b == 8) {
      NoteShape s{b, 0};
      uint32_t total = v, add = v / 2;
      while (s.dots < 3 && add > 0 && total + add <= ticks) {
        total += add;
        add /= 2;
        ++s.dots;
      }
      if (total != ticks) s.dots = ticks == v + v / 2 ? 1 : s.dots;
      return s;
    }
  }
  return {4, 0};
}

int StaffStep(int p) {
  static const int t[12] = {-2, -2, -1, -1, 0, 1, 1, 2, 2, 3, 3, 4};
  int rel = p - 60;
  int octave = rel >= 0 ? rel / 12 : -((-rel + 11) / 12);
  int pc = ((p % 12) + 12) % 12;
  return t[pc] + 7 * octave;
}

ClefInfo ClefOf(int clef) {
  switch (clef) {
    case 2: return {SYM_F_CLEF, 6, 12};  // bass
    case 3: return {SYM_C_CLEF, 4, 6};   // alto
    case 4: return {SYM_C_CLEF, 6, 8};   // tenor
    case 5: return {SYM_C_CLEF, 0, 2};   // soprano
    case 6: return {SYM_F_CLEF, 4, 10};  // baritone
    default: return {SYM_G_CLEF, 2, 0};  // treble
  }
}

int ClefFromText(const std::string& text) {
  std::string lower;
  for (char c : text) lower += Lower(c);
  struct Name {
    const char* word;
    int clef;
  };
  static const Name kNames[] = {{"treble", 1},
                                {"bass", 2},
                                {"alto", 3},
                                {"tenor", 4},
                                {"soprano", 5},
                                {"baritone", 6},
                                {"f4", 2},
                                {"c3", 3},
                                {"c4", 4},
                                {"g2", 1},
                                {"perc", kClefPercussion}};
  for (const Name& n : kNames) {
    if (ContainsWord(lower, n.word)) return n.clef;
  }
  return 0;
}

std::vector<int> KeySignatureSteps(int shift, bool sharps, int count) {
  int delta = ((shift % 7) + 7) % 7;
  if (delta > 3) delta -= 7;
  std::vector<int> steps;
  for (int i = 0; i < count && i < 7; ++i) {
    int s = (sharps ? kTrebleSharpSteps[i] : kTrebleFlatSteps[i]) + delta;
    if (sharps && s > (delta > 0 ? 8 : 9)) s -= 7;
    if (!sharps && s > 8) s -= 7;
    steps.push_back(s);
  }
  return steps;
}

bool DrawTuneMusic(DrawContext& dc, const TuneRecord& tune) {
  TuneDrawer drawer(dc);
  return drawer.Draw(tune);
}

}  // namespace tunora
