// Where engines send what the user must be told. The desktop program shows a
// message box; the command-line program prints to standard error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Message(std::string_view text) = 0;
};

// Keeps the messages; for tests and for callers that show them later.
class CollectingSink : public MessageSink {
 public:
  void Message(std::string_view text) override { messages.emplace_back(text); }
  std::vector<std::string> messages;
};

}  // namespace tunora
