// The undo history of a tune file: a long random run of the list's operations
// (insert, delete, paste, move, renumber, undo, redo) from a fixed seed, each
// step checked against the texts the file had before it.
#include <gtest/gtest.h>

#include <random>

#include "tunefile/ListLogic.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

// Tunes written in ways the canonical writer would change (a space after X:, LF
// line ends, a file header, text after a tune, header comments, words), so a tune
// that comes back as a copy instead of itself shows in the saved bytes.
const std::string kOriginal =
    "% session tunes\n\n"
    "X: 1\nT:The Kesh\nR:jig\nK:G\n|:GAG GAB|ABA ABd:|\n\n"
    "X:2\nT:Drowsy Maggie\nC: Trad.\nM:4/4\nK:Edor\n|:E2BE dEBE:|\n\nplayed after the Kesh\n"
    "X:3\nT:Cooley's\n%%MIDI program 73\nK:Edor\nD2|EBBA B2EB|\n\n"
    "X:4\nT:Out on the Ocean\nK:G\nBA|GE~E2 GEDE|\nW:words here\n\n"
    "X:5\nT:Tam Lin\nK:Dmix\nA,2DA, FA,DA,|\n\n"
    "X:9\nT:Road to Lisdoonvarna\nK:Edor\nE2B B2A|\n";

int Pick(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// One to three distinct positions of a list of n tunes, ascending.
std::vector<int> Some(std::mt19937& rng, int n) {
  std::vector<int> p;
  for (int k = Pick(rng, 1, std::min(n, 3)); k > 0; --k) p.push_back(Pick(rng, 1, n));
  std::sort(p.begin(), p.end());
  p.erase(std::unique(p.begin(), p.end()), p.end());
  return p;
}

std::vector<const TuneRecord*> Records(const TuneFile& f) {
  std::vector<const TuneRecord*> r;
  for (int p = 1; p <= static_cast<int>(f.TuneCount()); ++p) r.push_back(f.TuneAt(p));
  return r;
}

// The positions a change reports are what a list of lines needs to follow it:
// the lines it keeps, with the reported ones taken out and put in, stand for the
// same tunes as the file.
void ExpectListFollows(std::vector<const TuneRecord*> lines, const ListChange& c,
                       const TuneFile& f) {
  for (auto p = c.removed.rbegin(); p != c.removed.rend(); ++p)
    lines.erase(lines.begin() + (*p - 1));
  for (int p : c.inserted) lines.insert(lines.begin() + (p - 1), nullptr);
  ASSERT_EQ(lines.size(), f.TuneCount());
  for (size_t k = 0; k < lines.size(); ++k) {
    if (lines[k] != nullptr) {
      ASSERT_EQ(lines[k], f.TuneAt(static_cast<int>(k + 1))) << k;
    }
  }
}

TEST(TuneHistory, RandomOperationsUndoAndRedoToTheSameBytes) {
  std::mt19937 rng(15151);
  int operations = 0, undone = 0, redone = 0, refused = 0, trimmedRounds = 0;
  for (int round = 0; round < 60; ++round) {
    TuneFile f;
    f.SplitTunes(kOriginal, true, 0, false);
    ASSERT_EQ(f.WriteFile(), kOriginal);
    // The texts along the history: states[cur] is the file now, the ones before
    // it what Undo gives back, the ones after it what Redo gives.
    std::vector<std::string> states{kOriginal};
    size_t cur = 0;
    bool trimmed = false;
    const int length = round % 8 == 0 ? 400 : Pick(rng, 10, 90);
    for (int i = 0; i < length; ++i) {
      const int n = static_cast<int>(f.TuneCount());
      const std::vector<const TuneRecord*> lines = Records(f);
      std::string name;
      const int op = Pick(rng, 0, 8);
      if (op == 0) {
        f.InsertTune(Pick(rng, 0, n));
        name = "Insert Tune";
      } else if (op == 1 && n > 0) {
        f.DeleteTunes(Some(rng, n));
        name = "Delete";
      } else if (op == 2 && n > 0) {
        f.Paste(Pick(rng, 0, n), f.CopyText(Some(rng, n)));
        name = "Paste";
      } else if (op == 3 && n > 0) {
        // A drag within the list, as the window does it: one step.
        std::vector<int> dragged = Some(rng, n);
        DropPlan plan = PlanDrop(dragged, dragged.front(), Pick(rng, 0, n), true, true);
        if (plan.nothing) continue;
        std::vector<TuneTransfer> tunes = TakeTunes(f, plan.tunes);
        UndoStep step(f, "Move");
        f.DeleteTunes(plan.tunes);
        PutTunes(f, plan.insertAfter, tunes);
        name = "Move";
      } else if (op == 4 && n > 0) {
        const int start = Pick(rng, 1, 12);
        bool changes = false;
        for (int p = 1; p <= n; ++p) changes = changes || f.TuneAt(p)->number != start + p - 1;
        if (!changes) continue;  // nothing to undo
        f.Renumber(start);
        name = "Renumber";
      } else if (op == 5 || op == 6) {
        if (!f.CanUndo()) continue;
        // Now and then a tune is open in an editor: a step that would take it
        // out is refused whole, any other goes ahead and leaves it in the list.
        const TuneRecord* open = n > 0 && Pick(rng, 0, 2) == 0 ? f.TuneAt(Pick(rng, 1, n)) : nullptr;
        ListChange c = f.Undo([&](const TuneRecord& t) { return &t == open; });
        if (c.refused != nullptr) {
          ASSERT_EQ(c.refused, open);
          ASSERT_FALSE(c.done);
          ASSERT_EQ(f.WriteFile(), states[cur]);
          ++refused;
          continue;
        }
        ASSERT_TRUE(c.done);
        if (open != nullptr) {
          ASSERT_NE(f.PositionOf(*open), 0);
        }
        ExpectListFollows(lines, c, f);
        ASSERT_EQ(f.WriteFile(), states[--cur]);
        ++undone;
        continue;
      } else if (op >= 7) {
        if (!f.CanRedo()) continue;
        ListChange c = f.Redo();
        ASSERT_TRUE(c.done);
        ExpectListFollows(lines, c, f);
        ASSERT_EQ(f.WriteFile(), states[++cur]);
        ++redone;
        continue;
      } else {
        continue;
      }
      ++operations;
      ASSERT_EQ(f.History().UndoName(), name);
      ASSERT_FALSE(f.CanRedo());
      states.resize(cur + 1);
      states.push_back(f.WriteFile());
      ++cur;
      if (states.size() > TuneHistory::kDepth + 1) {
        states.erase(states.begin());
        --cur;
        trimmed = true;
      }
      ASSERT_EQ(f.History().UndoCount(), cur);

      // Undo then Redo gives the same text back.
      const std::vector<const TuneRecord*> done = Records(f);
      ListChange back = f.Undo();
      ASSERT_TRUE(back.done);
      ExpectListFollows(done, back, f);
      ASSERT_EQ(f.WriteFile(), states[cur - 1]);
      ASSERT_TRUE(f.Redo().done);
      ASSERT_EQ(f.WriteFile(), states[cur]) << "step " << i << " of round " << round;
    }
    while (f.CanUndo()) {
      ASSERT_TRUE(f.Undo().done);
      ASSERT_EQ(f.WriteFile(), states[--cur]);
    }
    ASSERT_EQ(cur, 0u);
    if (trimmed) {
      ++trimmedRounds;
    } else {
      // Undoing everything gives the file as it was loaded, byte for byte.
      ASSERT_EQ(f.WriteFile(), kOriginal) << "round " << round;
    }
  }
  EXPECT_GT(operations, 2000);
  EXPECT_GT(undone, 800);
  EXPECT_GT(redone, 150);
  EXPECT_GT(refused, 20);
  EXPECT_GT(trimmedRounds, 0);
}

TEST(TuneHistory, StepsGroupAndLoadingStartsAfresh) {
  TuneFile f;
  f.SplitTunes(kOriginal, true, 0, false);
  // Steps opened inside a step belong to it; the outer name is the step's.
  {
    UndoStep step(f, "Drop");
    f.DeleteTunes({1, 2});
    f.Paste(3, f.CopyText({1}));
  }
  EXPECT_EQ(f.History().UndoCount(), 1u);
  EXPECT_EQ(f.History().UndoName(), "Drop");
  // What changes nothing is no step: a renumber to the numbers the tunes have,
  // a delete of nothing.
  f.Renumber(f.TuneAt(1)->number);
  const size_t before = f.History().UndoCount();
  f.Renumber(f.TuneAt(1)->number);
  f.DeleteTunes({});
  EXPECT_EQ(f.History().UndoCount(), before);
  ASSERT_TRUE(f.Undo().done);
  EXPECT_TRUE(f.CanRedo());
  f.SplitTunes(kOriginal, true, 0, false);
  EXPECT_FALSE(f.CanUndo() || f.CanRedo());
  f.InsertTune(0);
  f.ClearAll();
  EXPECT_FALSE(f.CanUndo());
}

}  // namespace
}  // namespace tunora
