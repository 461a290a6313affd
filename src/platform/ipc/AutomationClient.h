// The client side of the automation interface: finds the running Tunora of this
// user by its socket and sends it one command string. Plain POSIX sockets, so the
// command-line program can use it without Qt.
#pragma once

#include <cstdint>
#include <string>

namespace tunora {

// The socket of this user's Tunora: $XDG_RUNTIME_DIR/tunora.sock, or, without a
// runtime folder, tunora-UID/tunora.sock in the temporary folder (made private).
std::string AutomationSocketPath();

enum class SendResult { kAnswered, kNoProgram, kNoAnswer };

// Sends text and waits up to timeoutMs for the answer. kNoProgram when no Tunora
// listens; kNoAnswer when it did not answer in time or answered nonsense.
SendResult SendAutomation(const std::string& socketPath, const std::string& text, int timeoutMs,
                          uint16_t& status);

// Runs `tunora --dde` and `tunora-cli dde`: sends the text, prints "44 ok" on
// standard output (or a reason on standard error) and returns the exit status:
// 0 success, 1 failure, 2 when no Tunora answers.
int RunAutomationClient(const std::string& text);

}  // namespace tunora
