#include "automation/AutomationCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tunora {
namespace {

// Records the commands it is given; "quit" stops, "fail" fails, "count" sets the result.
struct Recorder : AutomationHost {
  std::vector<AutomationCommand> run;
  std::vector<std::string> messages;
  int between = 0;
  bool Execute(const AutomationCommand& c, AutomationState& state) override {
    run.push_back(c);
    if (c.name == "quit") state.stop = true;
    if (c.name == "tunecount") state.result = c.args[0] == "L" ? 300 & 0xFF : 300 >> 8;
    if (c.name == "debug") state.debug = !state.debug;
    return c.name != "saveas" || !c.args.empty();
  }
  void Message(const std::string& text) override { messages.push_back(text); }
  void BetweenCommands() override { ++between; }
};

struct Outcome {
  AutomationOutcome outcome;
  Recorder host;
};

Outcome Exec(const std::string& text, bool debug = true) {
  Outcome r;
  AutomationState state;
  state.debug = debug;
  r.outcome = RunAutomation(text, r.host, state);
  return r;
}

TEST(AutomationCommand, ReadsQuotedDigitAndSkipsUnquotedArguments) {
  Outcome r = Exec(R"([open("/a b/x,(y)].abc", 12 ,/plain/path.abc, "z")][tune("12")][play])");
  ASSERT_TRUE(r.outcome.ok);
  ASSERT_EQ(r.host.run.size(), 3u);
  EXPECT_EQ(r.host.run[0].args, (std::vector<std::string>{"/a b/x,(y)].abc", "12", "z"}));
  EXPECT_EQ(r.host.run[1].args, std::vector<std::string>{"12"});
  EXPECT_EQ(r.host.run[2].name, "play");
  EXPECT_EQ(r.host.between, 2);  // window events run between commands, not after the last
  // An unquoted path is no argument at all: open has nothing to open.
  Outcome unquoted = Exec("[open(/music/reels.abc)]");
  ASSERT_EQ(unquoted.host.run.size(), 1u);
  EXPECT_TRUE(unquoted.host.run[0].args.empty());
}

TEST(AutomationCommand, SyntaxErrorsFailTheRestButKeepWhatRan) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"([new][tune("1"))", "DDE: Missing ]"},
      {R"([new][open(a"b,"c)])", "DDE: Missing \""},
      {R"([new][open(abc])", "DDE: Missing )"},
      {R"([new][open("a" "b")])", "DDE: Missing ) or ,"},
      {R"([new][open("a")", "DDE: Missing ]"},
      {R"([new][list("1","2","3","4","5","6","7","8","9","10","11")])", "DDE: Too many arguments"},
  };
  for (const auto& [text, message] : cases) {
    Outcome r = Exec(text);
    EXPECT_FALSE(r.outcome.ok) << text;
    EXPECT_EQ(r.outcome.Status() & 0x8000, 0) << text;
    ASSERT_EQ(r.host.run.size(), 1u) << text;  // [new] stays done
    EXPECT_EQ(r.host.messages, std::vector<std::string>{message}) << text;
  }
  // Ten arguments are allowed.
  EXPECT_TRUE(Exec(R"([list("1","2","3","4","5","6","7","8","9","10")])").outcome.ok);
}

TEST(AutomationCommand, QuitStopsLaterCommands) {
  Outcome r = Exec(R"([quit][open("/x.abc")])");
  EXPECT_TRUE(r.outcome.ok);
  ASSERT_EQ(r.host.run.size(), 1u);
  EXPECT_EQ(r.host.run[0].name, "quit");
}

TEST(AutomationCommand, TextBeforeTheFirstCommandIgnoresTheString) {
  Outcome r = Exec(R"(open [open("/x.abc")])");
  EXPECT_TRUE(r.host.run.empty());
  EXPECT_FALSE(r.outcome.ok);
  // Text between commands is skipped.
  EXPECT_EQ(Exec(R"([new] and then [new])").host.run.size(), 2u);
}

TEST(AutomationCommand, UnknownOrMisfittingCommandsFailQuietlyAndTheStringGoesOn) {
  Outcome r = Exec(R"([Open("x")][saveas][new("1")][new])");
  EXPECT_TRUE(r.outcome.ok);
  EXPECT_EQ(r.host.messages,
            (std::vector<std::string>{"DDE: [Open] Bad command", "DDE: [Open(\"x\")] Failed",
                                      "DDE: [saveas] Failed", "DDE: [new(\"1\")] Failed"}));
  ASSERT_EQ(r.host.run.size(), 1u);  // only the last [new] fits its table row
  // Without debug nothing is said; debug itself turns the messages on.
  EXPECT_TRUE(Exec("[bogus]", false).host.messages.empty());
  EXPECT_EQ(Exec("[debug][bogus]", false).host.messages.size(), 2u);
}

TEST(AutomationCommand, StatusWordCarriesTheResultsLowByte) {
  // A tune count of 300: low byte 44, high byte 1.
  EXPECT_EQ(Exec(R"([tunecount("L")])").outcome.Status(), 0x8000 | 44);
  EXPECT_EQ(Exec(R"([tunecount("H")])").outcome.Status(), 0x8000 | 1);
  EXPECT_EQ(AutomationStatusText(0x8000 | 44), "44 ok");
  EXPECT_EQ(AutomationStatusText(0), "0 failed");
}

TEST(AutomationCommand, Transport) {
  std::string buffer("[new]\0[home]\0[pa", 16);
  std::string request;
  ASSERT_TRUE(TakeAutomationRequest(buffer, request));
  EXPECT_EQ(request, "[new]");
  ASSERT_TRUE(TakeAutomationRequest(buffer, request));
  EXPECT_EQ(request, "[home]");
  EXPECT_FALSE(TakeAutomationRequest(buffer, request));
  EXPECT_EQ(AutomationOpenCommand("/m/a b.abc"), "[open(\"/m/a b.abc\")]");
  EXPECT_EQ(AutomationOpenCommand("/m/a\"b.abc"), "");  // cannot be carried
}

}  // namespace
}  // namespace tunora
