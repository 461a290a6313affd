// The command language other programs drive Tunora with: a string of bracketed
// commands, "[open("/music/reels.abc")][tune("12")][play]", each a name and at
// most ten arguments. A quoted argument is the text between two double quotes
// (no escapes); an argument that begins with a digit is its run of digits; any
// other word is skipped, neither stored nor counted. Anything before the first
// "[" makes the string ignored. The parser checks the syntax and the argument
// counts and hands each command to a host, which carries it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

inline constexpr size_t kMaxAutomationArguments = 10;

// What lasts between executes (debug) and what one execute collects.
struct AutomationState {
  bool debug = false;   // messages are shown only while this is on
  bool stop = false;    // set by a command: the rest of the string is not run
  uint32_t result = 0;  // the value commands return; its low byte is reported
};

struct AutomationCommand {
  std::string text;  // the text between the brackets, for messages
  std::string name;
  std::vector<std::string> args;
};

class AutomationHost {
 public:
  virtual ~AutomationHost() = default;
  // Carries out a known command whose argument count fits. False when it
  // failed ("DDE: [%s] Failed" follows in debug mode).
  virtual bool Execute(const AutomationCommand& command, AutomationState& state) = 0;
  // A message for the user (called only in debug mode).
  virtual void Message(const std::string& text) = 0;
  // Between two commands: lets waiting window events run.
  virtual void BetweenCommands() {}
};

struct AutomationOutcome {
  bool ok = false;      // the string was read without a syntax error
  uint32_t result = 0;  // the value the commands left
  // The status word: the low byte of the result, 0x8000 on success.
  uint16_t Status() const { return static_cast<uint16_t>((result & 0xFFu) | (ok ? 0x8000u : 0u)); }
};

// Reads and runs one command string. state.debug is kept and may be toggled by
// the host; stop and result start cleared.
AutomationOutcome RunAutomation(std::string_view text, AutomationHost& host,
                                AutomationState& state);

// The allowed argument counts of a command; false for an unknown name.
bool AutomationArgumentRange(std::string_view name, size_t& least, size_t& most);

// --- the transport --------------------------------------------------------------
// A client sends the command string ended by a NUL byte; the program answers
// with the status word in decimal and a line feed. Requests are bounded.
inline constexpr size_t kMaxAutomationRequest = 1u << 20;

// Takes one complete request (up to its NUL) from the front of buffer into
// request; false while the request is incomplete.
bool TakeAutomationRequest(std::string& buffer, std::string& request);
// "44 ok" / "0 failed" for a status word.
std::string AutomationStatusText(uint16_t status);
// The status word in an answer line ("32812\n"); false when it is not one.
bool ParseAutomationReply(std::string_view reply, uint16_t& status);
// The command that opens a file ("[open("PATH")]"); "" when the path holds a
// double quote, which the language cannot carry.
std::string AutomationOpenCommand(std::string_view path);

}  // namespace tunora
