// Any bytes as an automation command string: the parser must end, keep to ten
// arguments, hand over only arguments that stand in the text (quoted, or a run of
// digits), stop after a stop request and report the status in the documented bits.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "automation/AutomationCommand.h"

namespace {

struct Checker : tunora::AutomationHost {
  std::string_view text;
  size_t executed = 0;
  bool stopped = false;
  bool Execute(const tunora::AutomationCommand& c, tunora::AutomationState& state) override {
    if (stopped) std::abort();  // nothing runs after quit
    size_t least = 0, most = 0;
    if (!tunora::AutomationArgumentRange(c.name, least, most)) std::abort();
    if (c.args.size() < least || c.args.size() > most || c.args.size() > 10) std::abort();
    if (text.find("[" + c.text + "]") == std::string_view::npos) std::abort();
    for (const std::string& a : c.args) {
      bool digits = !a.empty() && a.find_first_not_of("0123456789") == std::string::npos;
      if (!digits && c.text.find("\"" + a + "\"") == std::string::npos) std::abort();
    }
    ++executed;
    if (c.name == "quit") state.stop = stopped = true;
    if (c.name == "debug") state.debug = !state.debug;
    state.result = static_cast<uint32_t>(executed * 0x1234567u);
    return (executed & 1) != 0;
  }
  void Message(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Checker host;
  host.text = text;
  tunora::AutomationState state;
  tunora::AutomationOutcome outcome = tunora::RunAutomation(text, host, state);
  if ((outcome.Status() & 0x7F00) != 0) std::abort();
  if (outcome.ok && (text.empty() || text.front() != '[')) std::abort();

  std::string buffer(text), request;
  size_t taken = 0;
  while (tunora::TakeAutomationRequest(buffer, request)) {
    if (request.find('\0') != std::string::npos) std::abort();
    if (++taken > size) std::abort();
  }
  uint16_t status = 0, again = 0;
  if (tunora::ParseAutomationReply(text, status) &&
      (!tunora::ParseAutomationReply(std::to_string(status) + "\n", again) || again != status))
    std::abort();
  return 0;
}
