// The automation command: sends a command string to this user's running Tunora
// and prints its answer, "44 ok" or "0 failed".
#include <string>

#include "Command.h"
#include "platform/ipc/AutomationClient.h"

namespace tunora::cli {
namespace {

int Dde(const Args& a) {
  if (a.positional.size() != 1) return Fail("usage: tunora-cli dde 'COMMANDS'");
  return RunAutomationClient(a.positional[0]);
}

const Register kDde(
    {"dde", "dde 'COMMANDS'   (exit 0 ok, 1 failed, 2 no Tunora answers)", {}, {}, Dde});

}  // namespace
}  // namespace tunora::cli
