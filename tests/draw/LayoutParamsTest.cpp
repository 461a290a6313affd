#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "app/Settings.h"
#include "draw/LayoutParams.h"

namespace tunora {
namespace {

TEST(LayoutParams, MissingSectionGivesDefaultsAndZeroOffsets) {
  IniFile ini;
  ini.Parse("[Preferences]\r\nLayoutFile=layout.cfg\r\n");
  LayoutParams p;
  p[LP_LineSpacing] = 1;
  p[LayoutParams::kAboveBase + 7] = 9;
  p.Load(ini);
  EXPECT_EQ(p, LayoutParams());
  EXPECT_EQ(p.Get(LP_LineSpacing), 210);
  EXPECT_EQ(p.Get(LP_StemLength), 700);
  EXPECT_EQ(p.Get(LP_BracketHeight), 400);
  for (int s = 0; s < LayoutParams::kSymbols; ++s) {
    EXPECT_EQ(p.Above(s) + p.Below(s) + p.Horizontal(s), 0);
  }
  EXPECT_EQ(LayoutParams::kValueCount, 515);
}

TEST(LayoutParams, SaveAndLoadKeepEveryValue) {
  LayoutParams p;
  for (int i = 0; i < LayoutParams::kValueCount; ++i) p[i] = i * 3 - 700;
  IniFile ini;
  p.Save(ini);
  EXPECT_EQ(ini.GetInt("Music", "TieArcPercent", 0), 33 * 3 - 700);
  EXPECT_EQ(ini.GetInt("Music", "SymbolVerticalAbove0", 0), 50 * 3 - 700);
  EXPECT_EQ(ini.GetInt("Music", "SymbolHorizontal154", 0), 514 * 3 - 700);
  EXPECT_EQ(ini.Keys("Music").size(), 515u);
  LayoutParams q;
  q.Load(ini);
  EXPECT_EQ(p, q);
  q.Reset();
  EXPECT_EQ(q, LayoutParams());
}

TEST(LayoutParams, ScaleHalvesLengthsOnlyAndTruncates) {
  LayoutParams p;
  p[LP_Rest8Vpos] = 37;
  p[LayoutParams::kBelowBase + 3] = -5;
  p.ScaleLayout(50);
  EXPECT_EQ(p.Get(LP_LineSpacing), 105);
  EXPECT_EQ(p.Get(LP_GraceNotePercent), 50);
  EXPECT_EQ(p.Get(LP_TieArcPercent), 10);
  EXPECT_EQ(p.Get(LP_Rest8Vpos), 37);
  EXPECT_EQ(p.Below(3), -2);  // toward zero
  EXPECT_EQ(p.Get(LP_BracketTextVpos), 0);
  LayoutParams q;
  q.ScaleLayout(33);
  EXPECT_EQ(q.Get(LP_LineThickness), 6);
  EXPECT_EQ(q.Get(LP_SpaceAfterGraceNote), 0);
  EXPECT_EQ(q.Get(LP_BeamSpacing), 19);  // 60 * 33 / 100
  LayoutParams r;
  r.ScaleLayout(100);
  EXPECT_EQ(r, LayoutParams());
}

TEST(LayoutParams, ConnectedHookLoadsTheMusicSection) {
  LayoutParams p;
  SettingsDataHooks hooks;
  ConnectLayoutParams(hooks, p);
  IniFile ini;
  ini.Parse("[Music]\r\nLineSpacing=250\r\nSymbolVerticalBelow109=-40\r\n");
  hooks.loadMusicSection(ini);
  EXPECT_EQ(p.Get(LP_LineSpacing), 250);
  EXPECT_EQ(p.Below(109), -40);
  EXPECT_EQ(p.Below(200), 0);  // out of range reads as no offset
}

}  // namespace
}  // namespace tunora
