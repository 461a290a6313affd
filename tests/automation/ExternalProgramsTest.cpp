#include "app/ExternalPrograms.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"

namespace tunora {
namespace {

std::string Expand(const std::string& line, const ExpandInput& input) {
  std::string out;
  EXPECT_EQ(ExpandExternalCommand(line, input, out), ExpandResult::kOk) << line;
  return out;
}

TEST(ExternalPrograms, FilePlaceholderSurvivesHostileNamesAsOneArgument) {
  const std::vector<std::string> names = {"/music/My Reels.abc", "/m/a\"; rm -rf ~; echo \".abc",
                                          "/m/$(touch x)`id`.abc", "/m/back\\slash 'single'.abc",
                                          "/m/semi;colon&amp|pipe>out.abc"};
  for (const std::string& name : names) {
    ExpandInput input;
    input.path = name;
    std::vector<std::string> words = SplitShellWords(Expand("abcm2ps -O %1.ps %1", input));
    ASSERT_EQ(words.size(), 4u) << name;
    EXPECT_EQ(words[0], "abcm2ps");
    EXPECT_EQ(words[2], name + ".ps");
    EXPECT_EQ(words[3], name);
  }
}

TEST(ExternalPrograms, Placeholders) {
  ExpandInput input;
  input.path = "/music/My Reels.abc";
  input.tuneNumber = "12";
  EXPECT_EQ(Expand("p %1 -e %2 100%% %x", input), "p \"/music/My Reels.abc\" -e 12 100% x");
  input.shortNames = true;  // the plain path, unquoted
  EXPECT_EQ(Expand("p %1", input), "p /music/My Reels.abc");
  input.prompt = [] { return std::optional<std::string>("typed text"); };
  EXPECT_EQ(SplitShellWords(Expand("p \"%?\"", input)),
            (std::vector<std::string>{"p", "typed text"}));
  input.prompt = [] { return std::optional<std::string>(); };
  std::string out;
  EXPECT_EQ(ExpandExternalCommand("p %? %1", input, out), ExpandResult::kCancelled);
}

TEST(ExternalPrograms, CommandLineLimit) {
  ExpandInput input;
  input.path = std::string(300, 'a');
  std::string out;
  // 499 characters fit (the buffer keeps one for its terminator); 500 do not.
  EXPECT_EQ(ExpandExternalCommand(std::string(499, 'x'), input, out), ExpandResult::kOk);
  EXPECT_EQ(ExpandExternalCommand(std::string(500, 'x'), input, out), ExpandResult::kTooLong);
  // A path that would not fit is not cut: the line does not run at all.
  EXPECT_EQ(ExpandExternalCommand(std::string(200, 'x') + " %1", input, out),
            ExpandResult::kTooLong);
  EXPECT_EQ(out, std::string(200, 'x') + " ");
}

TEST(ExternalPrograms, SplitsAsAShellWithoutExpanding) {
  EXPECT_EQ(SplitShellWords("  a  'b c'\"d\\\"e\" f\\ g $HOME `x` "),
            (std::vector<std::string>{"a", "b cd\"e", "f g", "$HOME", "`x`"}));
  EXPECT_EQ(SplitShellWords("'open"), std::vector<std::string>{"open"});
  EXPECT_TRUE(SplitShellWords(" \t").empty());
}

TEST(ExternalPrograms, SettingsAndTheRuleOfEntryOne) {
  ExternalPrograms programs;
  programs[0] = {"abc2ps %1", "Typeset", false, true};
  programs[2] = {"abc2midi %1 -o %2.mid", "MIDI", true, false};
  IniFile ini;
  SaveExternalPrograms(ini, programs);
  EXPECT_EQ(ini.GetString("ExternProgram", "Flags0", ""), "0100000000");
  EXPECT_EQ(ini.GetString("ExternProgram", "Flags2", ""), "1000000000");
  ExternalPrograms loaded;
  LoadExternalPrograms(ini, loaded);
  EXPECT_EQ(loaded, programs);
  EXPECT_EQ(ExternalProgramsProblem(programs), "");
  programs[0] = {};
  EXPECT_EQ(ExternalProgramsProblem(programs),
            "If you define external commands, you must start on number 1.");
}

}  // namespace
}  // namespace tunora
