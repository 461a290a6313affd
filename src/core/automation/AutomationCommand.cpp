#include "automation/AutomationCommand.h"
#include "base/Ascii.h"

#include <array>

namespace tunora {

namespace {

struct CommandRow {
  std::string_view name;
  uint8_t least;
  uint8_t most;
};

// Names compare exactly. play ignores its arguments; open with no path does nothing.
constexpr std::array<CommandRow, 23> kCommands = {{
    {"open", 0, 10},     {"chdir", 1, 1}, {"new", 0, 0},   {"close", 0, 1},  {"save", 0, 0},
    {"saveas", 1, 1},    {"tune", 1, 1},  {"last", 0, 0},  {"next", 0, 0},   {"home", 0, 0},
    {"tunecount", 1, 1}, {"play", 0, 10}, {"stop", 0, 0},  {"pause", 0, 0},  {"savemidi", 1, 10},
    {"list", 1, 10},     {"copy", 0, 0},  {"paste", 0, 0}, {"import", 2, 2}, {"minimize", 0, 0},
    {"restore", 0, 0},   {"quit", 0, 0},  {"debug", 0, 0},
}};

enum class Syntax { kOk, kMissingQuote, kMissingParen, kMissingParenOrComma, kTooMany };

// Reads the argument list of body (the text after "(" up to the command's "]").
Syntax ReadArguments(std::string_view body, std::vector<std::string>& args) {
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < body.size() && (body[i] == ' ' || body[i] == '\t')) ++i;
  };
  skipBlanks();
  if (i < body.size() && body[i] == ')') return Syntax::kOk;  // "name()"
  for (;;) {
    skipBlanks();
    if (i < body.size() && body[i] == '"') {
      size_t close = body.find('"', i + 1);
      if (close == std::string_view::npos) return Syntax::kMissingQuote;
      if (args.size() == kMaxAutomationArguments) return Syntax::kTooMany;
      args.emplace_back(body.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (i < body.size() && IsDigit(body[i])) {
      size_t start = i;
      while (i < body.size() && IsDigit(body[i])) ++i;
      if (args.size() == kMaxAutomationArguments) return Syntax::kTooMany;
      args.emplace_back(body.substr(start, i - start));
    } else {
      // An unquoted word: skipped up to the comma or parenthesis after it.
      size_t end = body.find_first_of(",)", i);
      if (end == std::string_view::npos) return Syntax::kMissingParen;
      i = end;
    }
    skipBlanks();
    if (i >= body.size()) return Syntax::kMissingParenOrComma;
    if (body[i] == ')') return Syntax::kOk;
    if (body[i] != ',') return Syntax::kMissingParenOrComma;
    ++i;
  }
}

const char* SyntaxMessage(Syntax s) {
  switch (s) {
    case Syntax::kMissingQuote: return "DDE: Missing \"";
    case Syntax::kMissingParen: return "DDE: Missing )";
    case Syntax::kMissingParenOrComma: return "DDE: Missing ) or ,";
    case Syntax::kTooMany: return "DDE: Too many arguments";
    case Syntax::kOk: break;
  }
  return "";
}

}  // namespace

bool AutomationArgumentRange(std::string_view name, size_t& least, size_t& most) {
  if (name.empty()) return false;
  for (const CommandRow& row : kCommands) {
    if (row.name == name) {
      least = row.least;
      most = row.most;
      return true;
    }
  }
  return false;
}

AutomationOutcome RunAutomation(std::string_view text, AutomationHost& host,
                                AutomationState& state) {
  state.stop = false;
  state.result = 0;
  AutomationOutcome outcome;
  auto say = [&](const std::string& message) {
    if (state.debug) host.Message(message);
  };
  // A string that does not begin with a command is not ours to run.
  if (text.empty() || text.front() != '[') return outcome;

  size_t pos = 0;
  while (pos < text.size()) {
    // pos is at "[": the command ends at the first "]" outside quotes.
    size_t end = pos + 1;
    bool quoted = false;
    while (end < text.size() && (quoted || text[end] != ']')) {
      if (text[end] == '"') quoted = !quoted;
      ++end;
    }
    if (end >= text.size()) {
      say("DDE: Missing ]");
      outcome.result = state.result;
      return outcome;
    }
    AutomationCommand command;
    std::string_view inside = text.substr(pos + 1, end - pos - 1);
    command.text = std::string(inside);
    size_t paren = inside.find('(');
    command.name = std::string(inside.substr(0, paren));
    if (paren != std::string_view::npos) {
      Syntax syntax = ReadArguments(inside.substr(paren + 1), command.args);
      if (syntax != Syntax::kOk) {
        say(SyntaxMessage(syntax));
        outcome.result = state.result;
        return outcome;
      }
    }

    size_t least = 0, most = 0;
    bool known = AutomationArgumentRange(command.name, least, most);
    if (!known) say("DDE: [" + command.name + "] Bad command");
    bool fits = known && command.args.size() >= least && command.args.size() <= most;
    if (!fits || !host.Execute(command, state)) say("DDE: [" + command.text + "] Failed");
    if (state.stop) break;

    size_t next = text.find('[', end + 1);
    if (next == std::string_view::npos) break;
    host.BetweenCommands();
    if (state.stop) break;
    pos = next;
  }
  outcome.ok = true;
  outcome.result = state.result;
  return outcome;
}

bool TakeAutomationRequest(std::string& buffer, std::string& request) {
  size_t nul = buffer.find('\0');
  if (nul == std::string::npos) return false;
  request.assign(buffer, 0, nul);
  buffer.erase(0, nul + 1);
  return true;
}

std::string AutomationStatusText(uint16_t status) {
  return std::to_string(status & 0xFFu) + ((status & 0x8000u) ? " ok" : " failed");
}

bool ParseAutomationReply(std::string_view reply, uint16_t& status) {
  while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.remove_suffix(1);
  if (reply.empty() || reply.size() > 5) return false;
  uint32_t value = 0;
  for (char c : reply) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > 0xFFFFu) return false;
  status = static_cast<uint16_t>(value);
  return true;
}

std::string AutomationOpenCommand(std::string_view path) {
  if (path.find('"') != std::string_view::npos || path.find('\0') != std::string_view::npos) {
    return "";
  }
  return "[open(\"" + std::string(path) + "\")]";
}

}  // namespace tunora
