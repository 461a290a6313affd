#include <gtest/gtest.h>

#include "editor/TuneForm.h"
#include "tunefile/Fields.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

TuneRecord Parse(std::string_view text) {
  TuneRecord r;
  TuneFile::ParseTune(r, text, false);
  return r;
}

TuneForm DefaultForm() {
  return TuneForm(std::string(kDefaultFieldOrder), std::string(kDefaultFieldExpanded));
}

std::string Letters(const TuneForm& f) {
  std::string s;
  for (const FormLine& l : f.lines) s += l.letter;
  return s;
}

// Filling: display order, values, expanded flags.
TEST(TuneForm, FillsInDisplayOrderWithExpandedFlags) {
  TuneRecord r = Parse(
      "X:12\r\nT:First\r\nT:Second\r\nM:6/8\r\nC:Someone\r\nN:one\r\nN:two\r\nR:jig\r\n"
      "K:G\r\nabc|\r\n");
  TuneForm f = DefaultForm();
  f.Fill(r);
  EXPECT_EQ(Letters(f), "XTRCNMK");
  EXPECT_EQ(f.lines[0].value, "12");
  EXPECT_EQ(f.lines[1].value, "First\r\nSecond");
  EXPECT_EQ(f.lines[4].value, "one\r\ntwo");
  // Only T is expanded by default.
  for (const FormLine& l : f.lines) EXPECT_EQ(l.expanded, l.letter == 'T') << l.letter;

  // The expanded index: X 0, T 1, K after the order, others their place + 2.
  TuneForm g("CR",
             "1010"
             "1");
  EXPECT_EQ(g.ExpandedIndex('X'), 0);
  EXPECT_EQ(g.ExpandedIndex('T'), 1);
  EXPECT_EQ(g.ExpandedIndex('C'), 2);
  EXPECT_EQ(g.ExpandedIndex('R'), 3);
  EXPECT_EQ(g.ExpandedIndex('K'), 4);
  EXPECT_EQ(g.ExpandedIndex('N'), -1);
  g.Fill(r);
  EXPECT_EQ(Letters(g), "XTCRMNK");  // M and N are not in the order but kept
  EXPECT_TRUE(g.lines[0].expanded);
  EXPECT_FALSE(g.lines[1].expanded);
  EXPECT_TRUE(g.lines[2].expanded);
  EXPECT_FALSE(g.lines[3].expanded);
  EXPECT_TRUE(g.lines.back().expanded);
}

TEST(TuneForm, FieldsOutsideTheOrderAreNotLost) {
  // I:, m: and Y: are not in the default order; a form without them would
  // drop them at the next save.
  std::string text = "X:1\r\nT:A\r\nI:abc-version 2.1\r\nm:~n2=n>n\r\nY:why\r\nK:D\r\nabc\r\n";
  TuneRecord r = Parse(text);
  TuneForm f = DefaultForm();
  f.Fill(r);
  EXPECT_EQ(Letters(f), "XTmIYK");
  TuneRecord back = Parse(f.Rebuild(r.body, ""));
  EXPECT_EQ(back.FieldText('I'), "abc-version 2.1");
  EXPECT_EQ(back.FieldText('m'), "~n2=n>n");
  EXPECT_EQ(back.FieldText('Y'), "why");
}

TEST(TuneForm, LabelsAndEditors) {
  EXPECT_EQ(FormLabel('C'), "C: Comp.");
  EXPECT_EQ(FormLabel('E'), "E: ");
  EXPECT_EQ(FormLabel('u'), "u: Def.Pl.");
  EXPECT_EQ(FormLabel('?'), "?:");
  EXPECT_EQ(EditorKindFor('X'), FieldEditorKind::kSingleLine);
  EXPECT_EQ(EditorKindFor('P'), FieldEditorKind::kSingleLine);
  EXPECT_EQ(EditorKindFor('R'), FieldEditorKind::kRhythm);
  EXPECT_EQ(EditorKindFor('T'), FieldEditorKind::kMultiLine);
  EXPECT_EQ(EditorKindFor('N'), FieldEditorKind::kMultiLine);
  EXPECT_EQ(LineCountOf("a\r\nb\r\nc"), 3);
  EXPECT_EQ(LineCountOf(""), 1);
}

// Rebuilding: tags repeated for every line of a value, several titles, words.
TEST(TuneForm, RebuildsMultiLineValuesTitlesAndWords) {
  TuneForm f = DefaultForm();
  f.lines = {{'X', "3"}, {'T', "One\r\nTwo\r\nThree"}, {'N', "first\r\nsecond"}, {'K', "D"}};
  std::string text = f.Rebuild("abc|def|\r\n", "la la\r\nlee");
  EXPECT_EQ(text,
            "X:3\r\nT:One\r\nT:Two\r\nT:Three\r\nN:first\r\nN:second\r\nK:D\r\n"
            "abc|def|\r\nW:la la\r\nW:lee\r\n");
  TuneRecord r = Parse(text);
  ASSERT_EQ(r.titles.size(), 3u);
  EXPECT_EQ(r.titles[2], "Three");
  EXPECT_EQ(r.FieldText('N'), "first\r\nsecond");
  EXPECT_EQ(r.words.value_or(""), "la la\r\nlee");
  // Empty words add nothing; a body without its last line break gets one, so
  // the words cannot join the music.
  EXPECT_EQ(f.Rebuild("abc", "w\r\n\r\n"),
            "X:3\r\nT:One\r\nT:Two\r\nT:Three\r\nN:first\r\nN:second\r\nK:D\r\nabc\r\nW:w\r\n");
  EXPECT_EQ(f.Rebuild("", ""), f.HeaderText());
}

// Cleaning on store.
TEST(TuneForm, CleaningRules) {
  EXPECT_EQ(CleanFieldValue('T', " One  \r\n Two\r\n\r\n\r\nThree \r\n\r\n"),
            "One  \r\nTwo\r\nThree");
  EXPECT_EQ(CleanFieldValue('T', "A\nB"), "A\r\nB");               // line breaks from an edit box
  EXPECT_EQ(CleanFieldValue('T', "  Two blanks"), " Two blanks");  // only one blank goes
  EXPECT_EQ(CleanFieldValue('X', " 42 \r\n"), "42");
  EXPECT_FALSE(CleanFieldValue('X', ""));
  EXPECT_FALSE(CleanFieldValue('X', "4a"));
  EXPECT_FALSE(CleanFieldValue('X', "-1"));
  EXPECT_EQ(CleanFieldValue('C', "\t Someone \r\n"), "Someone");
  EXPECT_EQ(CleanFieldValue('N', "  a\r\n  b  "), "a\r\n  b");
}

TEST(TuneForm, StoringValues) {
  TuneForm f = DefaultForm();
  f.lines = {{'X', "1"}, {'T', "Tune"}, {'C', "Me"}, {'M', "6/8"}, {'K', "G"}};
  EXPECT_EQ(f.Store(0, "x1"), TuneForm::StoreResult::kRejected);
  EXPECT_EQ(f.lines[0].value, "1");
  EXPECT_EQ(f.Store(0, " 7 "), TuneForm::StoreResult::kChanged);
  EXPECT_EQ(f.lines[0].value, "7");
  EXPECT_EQ(f.Store(2, "Me  "), TuneForm::StoreResult::kUnchanged);
  // Emptying K or M keeps the line, any other field goes.
  EXPECT_EQ(f.Store(3, " "), TuneForm::StoreResult::kChanged);
  EXPECT_EQ(f.lines[3].value, "");
  EXPECT_EQ(f.Store(4, ""), TuneForm::StoreResult::kChanged);
  EXPECT_EQ(f.Store(1, "  "), TuneForm::StoreResult::kChanged);
  EXPECT_EQ(f.lines[1].value, "");
  EXPECT_EQ(f.Store(2, "\r\n"), TuneForm::StoreResult::kRemoved);
  EXPECT_EQ(Letters(f), "XTMK");
  EXPECT_EQ(f.Rebuild("", ""), "X:7\r\nT:\r\nM:\r\nK:\r\n");
}

// Insert placement.
TEST(TuneForm, InsertPlacement) {
  TuneForm f = DefaultForm();
  f.lines = {{'X', "1"}, {'T', "Tune"}};
  // X current, only X and T: an empty K line first, the new line between T and K.
  int at = f.InsertPlaceholder(0);
  EXPECT_EQ(at, 2);
  EXPECT_EQ(Letters(f), "XT?K");
  EXPECT_EQ(f.lines[3].value, "");
  EXPECT_TRUE(f.ChoosePlaceholder(at, 'C', "Someone"));
  EXPECT_EQ(Letters(f), "XTCK");
  // T current with more lines: right after T, no second K.
  at = f.InsertPlaceholder(1);
  EXPECT_EQ(at, 2);
  EXPECT_EQ(Letters(f), "XT?CK");
  f.DropPlaceholder(at);
  EXPECT_EQ(Letters(f), "XTCK");
  // Another line current: before it, so K stays last.
  EXPECT_EQ(f.InsertPlaceholder(3), 3);
  EXPECT_EQ(Letters(f), "XTC?K");
  f.DropPlaceholder(3);
  // No current line: before the last K.
  EXPECT_EQ(f.InsertPlaceholder(-1), 3);
  f.DropPlaceholder(3);
  // The chooser lists FieldOrder letters without a line, never E or I.
  TuneForm g("CEIR", "");
  g.lines = {{'X', "1"}, {'T', "t"}, {'C', "c"}, {'K', ""}};
  EXPECT_EQ(g.ChooserLetters(), "R");
  g.lines.insert(g.lines.begin() + 3, {'R', "reel"});
  EXPECT_EQ(g.ChooserLetters(), "");
  EXPECT_EQ(g.InsertPlaceholder(0), -1);
  EXPECT_EQ(Letters(g), "XTCRK");
}

TEST(TuneForm, CopyAndCut) {
  EXPECT_EQ(FieldText('N', "a\r\nb"), "N:a\r\nN:b\r\n");
  TuneForm f = DefaultForm();
  f.lines = {{'X', "1"}, {'T', "t"}, {'C', "c"}, {'K', "G"}};
  EXPECT_FALSE(f.Cut(0));
  EXPECT_FALSE(f.Cut(1));
  EXPECT_FALSE(f.Cut(3));
  EXPECT_TRUE(f.Cut(2));
  EXPECT_EQ(Letters(f), "XTK");
}

TEST(TuneForm, PastedFields) {
  EXPECT_TRUE(SplitPastedFields("just words").empty());
  EXPECT_TRUE(SplitPastedFields("m:not upper").empty());
  auto one = SplitPastedFields(" \r\n\tC:Someone\r\n");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].letter, 'C');
  EXPECT_EQ(one[0].value, "Someone");
  // A copied block of fields comes back field by field; free lines continue
  // the field before them.
  auto many = SplitPastedFields("O:Ireland\nH:Long story\nmore of it\nu:~ = !roll!\n");
  ASSERT_EQ(many.size(), 3u);
  EXPECT_EQ(many[1].letter, 'H');
  EXPECT_EQ(many[1].value, "Long story\r\nmore of it");
  EXPECT_EQ(many[2].letter, 'u');
}

TEST(TuneForm, SettingFieldsWithAppend) {
  TuneForm f = DefaultForm();
  f.lines = {{'X', "1"}, {'T', "t"}, {'N', "first"}, {'K', "G"}};
  EXPECT_EQ(f.SetField('N', "second", true), 2);
  EXPECT_EQ(f.lines[2].value, "first\r\nsecond");
  EXPECT_EQ(f.SetField('T', "Other title", true), 1);
  EXPECT_EQ(f.lines[1].value, "t\r\nOther title");
  // A missing field goes before the last K line.
  EXPECT_EQ(f.SetField('C', " Me ", true), 3);
  EXPECT_EQ(Letters(f), "XTNCK");
  // Single-value fields are replaced: a second K: line would be read as music.
  EXPECT_EQ(f.SetField('K', "Dmix", true), 4);
  EXPECT_EQ(f.lines[4].value, "Dmix");
  EXPECT_EQ(f.SetField('X', "12", true), 0);
  EXPECT_EQ(f.lines[0].value, "12");
  EXPECT_EQ(f.SetField('X', "twelve", true), -1);
  EXPECT_EQ(f.lines[0].value, "12");
  // Without a K line the new field goes to the end; the flag comes from the settings.
  TuneForm g("NC",
             "00"
             "10");
  g.lines = {{'X', "1"}, {'T', "t"}};
  EXPECT_EQ(g.SetField('N', "n", false), 2);
  EXPECT_TRUE(g.lines[2].expanded);
}

TEST(TuneForm, SettingFieldsInRawText) {
  std::string raw = "X:1\r\nT:Tune\r\nC:Old\r\nC:Older\r\n% note\r\nK:G\r\nabc|\r\nC:body\r\n";
  EXPECT_EQ(SetRawField(raw, 'C', "New", false),
            "X:1\r\nT:Tune\r\nC:New\r\n% note\r\nK:G\r\nabc|\r\nC:body\r\n");
  EXPECT_EQ(SetRawField(raw, 'C', "Third", true),
            "X:1\r\nT:Tune\r\nC:Old\r\nC:Older\r\nC:Third\r\n% note\r\nK:G\r\nabc|\r\nC:body\r\n");
  EXPECT_EQ(SetRawField(raw, 'O', "Ireland\r\nCork", true),
            "X:1\r\nT:Tune\r\nC:Old\r\nC:Older\r\n% note\r\nO:Ireland\r\nO:Cork\r\nK:G\r\n"
            "abc|\r\nC:body\r\n");
  EXPECT_EQ(SetRawField(raw, 'K', "D", true),
            "X:1\r\nT:Tune\r\nC:Old\r\nC:Older\r\n% note\r\nK:D\r\nabc|\r\nC:body\r\n");
  EXPECT_EQ(SetRawField(raw, 'X', "x", false), raw);
  // No K: line: after the last header line; a missing last line break is added.
  EXPECT_EQ(SetRawField("X:1\nT:t", 'R', "reel", false), "X:1\r\nT:t\r\nR:reel\r\n");
}

}  // namespace
}  // namespace tunora
