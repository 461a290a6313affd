// User-defined symbol tables: definition lines, loading, saving and the settings hooks.
#include <gtest/gtest.h>

#include "support/Scratch.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "abc/UserSymbols.h"
#include "app/Settings.h"

namespace tunora {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

namespace fs = std::filesystem;

constexpr int U = UserSymbols::kDrawTable;
constexpr int u = UserSymbols::kPlayTable;

TEST(UserSymbolsTest, DefinitionLines) {
  UserSymbols s;
  EXPECT_TRUE(s.AddDefinition(U, " T = !trill!"));
  EXPECT_TRUE(s.AddDefinition(U, "~=!roll!"));
  EXPECT_FALSE(s.AddDefinition(U, " a = x"));    // a note letter, no symbol
  EXPECT_FALSE(s.AddDefinition(U, "H !coda!"));  // no =
  EXPECT_FALSE(s.AddDefinition(3, "H=!coda!"));  // no such table
  EXPECT_EQ(s.Get(U, 'T'), "!trill!");
  EXPECT_EQ(s.Get(U, '~'), "!roll!");
  EXPECT_EQ(s.Get(u, 'T'), "");
  EXPECT_EQ(s.Get(U, 'H'), "");
  s.AddDefinition(U, "T = !turn!\r\n");
  EXPECT_EQ(s.Get(U, 'T'), "!turn!");  // replaced, line end not kept
  // Every symbol character and no other.
  for (int c = 0; c < 128; ++c) {
    bool allowed = c == '~' || (c >= 'H' && c <= 'Z') || (c >= 'h' && c <= 'w');
    EXPECT_EQ(UserSymbols::IsSymbolChar(static_cast<unsigned char>(c)), allowed) << c;
  }
}

TEST(UserSymbolsTest, LoadFromTextPicksTheTableByTag) {
  UserSymbols s;
  s.LoadFromText("% user symbols\r\nU: T = !trill!\r\nu: T = !roll!\nX: 1\nU:W=!wedge!");
  EXPECT_EQ(s.Get(U, 'T'), "!trill!");
  EXPECT_EQ(s.Get(u, 'T'), "!roll!");
  EXPECT_EQ(s.Get(U, 'W'), "!wedge!");
  s.AddFromFieldText(u, "H = !fermata!\r\nJ=!slide!");
  EXPECT_EQ(s.Get(u, 'H'), "!fermata!");
  EXPECT_EQ(s.Get(u, 'J'), "!slide!");
  EXPECT_EQ(s.Get(U, 'H'), "");
}

TEST(UserSymbolsTest, CopyReplacesOnlyDefinedEntries) {
  UserSymbols app, tune;
  app.LoadFromText("U: T = !trill!\r\nU: H = !coda!");
  tune.LoadFromText("U: H = !segno!");
  app.CopyFrom(tune);
  EXPECT_EQ(app.Get(U, 'T'), "!trill!");
  EXPECT_EQ(app.Get(U, 'H'), "!segno!");
  app.Clear();
  EXPECT_TRUE(app.Empty());
}

TEST(UserSymbolsTest, TextAndFileRoundTrip) {
  UserSymbols s;
  s.LoadFromText("u: T = !roll!\r\nU: T = !trill!\r\nU: H = !coda!\r\n");
  EXPECT_EQ(s.AsText(), "U: H = !coda!\r\nU: T = !trill!\r\nu: T = !roll!\r\n");
  ScratchDir dir;
  std::string path = dir.Dir() + "userdef.abc";
  std::string error;
  ASSERT_TRUE(s.SaveToFile(path, error)) << error;
  EXPECT_EQ(ReadFile(path), s.AsText());
  UserSymbols back;
  ASSERT_TRUE(back.LoadFromFile(path));
  EXPECT_EQ(back.AsText(), s.AsText());
  UserSymbols missing;
  EXPECT_FALSE(missing.LoadFromFile(dir.Dir() + "nothing.abc"));
  EXPECT_TRUE(missing.Empty());
}

TEST(UserSymbolsTest, SettingsLoadAndSaveTheSet) {
  ScratchDir home;
  std::ofstream(home.Dir() + "userdef.abc", std::ios::binary) << "U: T = !trill!\r\n";
  UserSymbols set;
  set.LoadFromText("U: H = !stale!");
  SettingsDataHooks hooks;
  ConnectUserSymbols(hooks, set);
  Settings s;
  CollectingSink sink;
  LoadSettings(home.Dir(), s, sink, hooks);
  EXPECT_EQ(set.Get(U, 'T'), "!trill!");
  EXPECT_EQ(set.Get(U, 'H'), "");  // the file replaces what was there
  set.AddDefinition(u, "R = !roll!");
  EXPECT_TRUE(SaveSettings(home.Dir(), s, sink, hooks));
  EXPECT_EQ(ReadFile(home.Dir() + "userdef.abc"), "u: R = !roll!\r\nU: T = !trill!\r\n");
}

}  // namespace
}  // namespace tunora
