// The tune file and its undo history: a long random run of the list's operations
// (insert, delete, paste, move, renumber, undo, redo, save and reload) from a fixed
// seed, each step checked against the texts the file had before it and against what
// the operation must do to the tunes (none lost or doubled, numbers as expected).
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "support/Scratch.h"

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

// A tune as the list's operations must keep it: number, titles, music and words.
using Tunes = std::map<std::string, int>;
std::string Identity(const TuneRecord& t, bool withNumber) {
  std::string id = withNumber ? std::to_string(t.number) + "\x01" : "";
  for (const std::string& title : t.titles) id += title + "\x02";
  // A new tune's one empty music line is written as none.
  return id + (t.body == "\r\n" ? "" : t.body) + "\x03" + t.words.value_or("");
}
Tunes TunesOf(const TuneFile& f, bool withNumber = true) {
  Tunes m;
  for (int p = 1; p <= static_cast<int>(f.TuneCount()); ++p)
    ++m[Identity(*f.TuneAt(p), withNumber)];
  return m;
}
Tunes TunesAt(const TuneFile& f, const std::vector<int>& positions, bool withNumber = true) {
  Tunes m;
  for (int p : positions) ++m[Identity(*f.TuneAt(p), withNumber)];
  return m;
}
// a with b's tunes added (sign 1) or taken away (sign -1); every count stays positive.
Tunes Plus(Tunes a, const Tunes& b, int sign) {
  for (const auto& [id, k] : b)
    if ((a[id] += sign * k) == 0) a.erase(id);
  return a;
}

TEST(TuneHistory, RandomOperationsUndoAndRedoToTheSameBytes) {
  std::mt19937 rng(15151);
  test::ScratchDir scratch("tunora-history-");
  const std::string path = scratch.File("tunes.abc");
  int operations = 0, undone = 0, redone = 0, refused = 0, trimmedRounds = 0, reloads = 0;
  for (int round = 0; round < 60; ++round) {
    auto file = std::make_unique<TuneFile>();
    file->SplitTunes(kOriginal, true, 0, false);
    ASSERT_EQ(file->WriteFile(), kOriginal);
    // The texts along the history: states[cur] is the file now, the ones before
    // it what Undo gives back, the ones after it what Redo gives.
    std::vector<std::string> states{kOriginal};
    size_t cur = 0;
    bool trimmed = false;
    const int length = round % 8 == 0 ? 400 : Pick(rng, 10, 90);
    for (int i = 0; i < length; ++i) {
      TuneFile& f = *file;
      const int n = static_cast<int>(f.TuneCount());
      const std::vector<const TuneRecord*> lines = Records(f);
      const Tunes before = TunesOf(f), unnumbered = TunesOf(f, false);
      Tunes expected;  // the tunes the operation must leave
      std::string name;
      const int op = Pick(rng, 0, 9);
      if (op == 0) {
        const int after = Pick(rng, 0, n);
        f.InsertTune(after);
        name = "Insert Tune";
        expected = Plus(before, TunesAt(f, {after + 1}), 1);
      } else if (op == 1 && n > 0) {
        const std::vector<int> gone = Some(rng, n);
        expected = Plus(before, TunesAt(f, gone), -1);
        f.DeleteTunes(gone);
        name = "Delete";
      } else if (op == 2 && n > 0) {
        const std::vector<int> copied = Some(rng, n);
        const Tunes copies = TunesAt(f, copied, false);
        const int pasted = f.Paste(Pick(rng, 0, n), f.CopyText(copied));
        ASSERT_EQ(pasted, static_cast<int>(copied.size()));
        // The copies come in beside the originals (numbered anew), which keep their numbers.
        expected = TunesOf(f);
        ASSERT_EQ(TunesOf(f, false), Plus(unnumbered, copies, 1));
        for (const auto& [id, k] : before) {
          auto kept = expected.find(id);
          ASSERT_TRUE(kept != expected.end() && kept->second >= k) << "a tune lost its number";
        }
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
        // The tunes stay what they were; only one numbered 1 takes the number after the
        // tune it now follows, as an inserted one does.
        ASSERT_EQ(TunesOf(f, false), unnumbered);
        const Tunes now = TunesOf(f);
        for (const auto& [id, k] : before) {
          auto kept = now.find(id);
          ASSERT_TRUE(id.rfind("1\x01", 0) == 0 || (kept != now.end() && kept->second >= k))
              << "a moved tune lost its number";
        }
        expected = now;
      } else if (op == 4 && n > 0) {
        const int start = Pick(rng, 1, 12);
        bool changes = false;
        for (int p = 1; p <= n; ++p) changes = changes || f.TuneAt(p)->number != start + p - 1;
        if (!changes) continue;  // nothing to undo
        f.Renumber(start);
        for (int p = 1; p <= n; ++p) ASSERT_EQ(f.TuneAt(p)->number, start + p - 1);
        name = "Renumber";
        ASSERT_EQ(TunesOf(f, false), unnumbered);
        expected = TunesOf(f);
      } else if (op == 5 || op == 6) {
        if (!f.CanUndo()) continue;
        // Now and then a tune is open in an editor: a step that would take it
        // out is refused whole, any other goes ahead and leaves it in the list.
        const TuneRecord* open =
            n > 0 && Pick(rng, 0, 2) == 0 ? f.TuneAt(Pick(rng, 1, n)) : nullptr;
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
      } else if (op == 7 || op == 8) {
        if (!f.CanRedo()) continue;
        ListChange c = f.Redo();
        ASSERT_TRUE(c.done);
        ExpectListFollows(lines, c, f);
        ASSERT_EQ(f.WriteFile(), states[++cur]);
        ++redone;
        continue;
      } else if (op == 9) {
        // Saved and loaded again, the file holds the same tunes and writes the same bytes;
        // now and then the loaded one takes over (a reload starts a new history).
        std::string error;
        ASSERT_TRUE(f.Save(path, error)) << error;
        auto loaded = std::make_unique<TuneFile>();
        ASSERT_TRUE(loaded->Load(path, error)) << error;
        ASSERT_EQ(test::ReadFile(path), f.WriteFile());
        ASSERT_EQ(loaded->WriteFile(), f.WriteFile()) << "step " << i << " of round " << round;
        ASSERT_EQ(TunesOf(*loaded), before);
        for (int p = 1; p <= n; ++p)
          ASSERT_EQ(Identity(*loaded->TuneAt(p), true), Identity(*f.TuneAt(p), true)) << p;
        if (Pick(rng, 0, 3) == 0) {
          file = std::move(loaded);
          states = {file->WriteFile()};
          cur = 0;
          trimmed = true;  // undoing all now ends at the reloaded file
          ++reloads;
        }
        continue;
      } else {
        continue;
      }
      ++operations;
      ASSERT_EQ(TunesOf(f), expected) << name << ": a tune was lost, doubled or renumbered";
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
      ASSERT_EQ(TunesOf(f), before);
      ASSERT_TRUE(f.Redo().done);
      ASSERT_EQ(f.WriteFile(), states[cur]) << "step " << i << " of round " << round;
    }
    TuneFile& f = *file;
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
  EXPECT_GT(operations, 1800);
  EXPECT_GT(undone, 700);
  EXPECT_GT(redone, 150);
  EXPECT_GT(refused, 20);
  EXPECT_GT(reloads, 20);
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
