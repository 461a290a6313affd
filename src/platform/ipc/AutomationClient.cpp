#include "platform/ipc/AutomationClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "automation/AutomationCommand.h"

namespace tunora {

namespace {

// How long a command string may take in the program: a list or an import of many
// files runs while the client waits.
constexpr int kClientTimeoutMs = 10 * 60 * 1000;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

std::string AutomationSocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/tunora.sock";
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  dir += "/tunora-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  // A folder that someone else made, or that others can enter, is not used.
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 077) != 0) {
    return "";
  }
  return dir + "/tunora.sock";
}

SendResult SendAutomation(const std::string& socketPath, const std::string& text, int timeoutMs,
                          uint16_t& status) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.empty() || socketPath.size() >= sizeof(address.sun_path)) {
    return SendResult::kNoProgram;
  }
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return SendResult::kNoProgram;
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    return SendResult::kNoProgram;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // The request with its terminating NUL; a NUL inside the text would end it early.
  std::string request = text.substr(0, text.find('\0'));
  request.push_back('\0');
  size_t sent = 0;
  while (sent < request.size()) {
    pollfd p{fd.get(), POLLOUT, 0};
    if (poll(&p, 1, RemainingMs(deadline)) <= 0) return SendResult::kNoAnswer;
    ssize_t n = send(fd.get(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return SendResult::kNoAnswer;
    sent += static_cast<size_t>(n);
  }
  std::string reply;
  while (reply.find('\n') == std::string::npos && reply.size() < 64) {
    pollfd p{fd.get(), POLLIN, 0};
    int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return SendResult::kNoAnswer;
    char buffer[64];
    ssize_t n = recv(fd.get(), buffer, sizeof(buffer), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reply.append(buffer, static_cast<size_t>(n));
  }
  return ParseAutomationReply(reply.substr(0, reply.find('\n')), status) ? SendResult::kAnswered
                                                                         : SendResult::kNoAnswer;
}

int RunAutomationClient(const std::string& text) {
  uint16_t status = 0;
  switch (SendAutomation(AutomationSocketPath(), text, kClientTimeoutMs, status)) {
    case SendResult::kAnswered:
      std::printf("%s\n", AutomationStatusText(status).c_str());
      return (status & 0x8000u) ? 0 : 1;
    case SendResult::kNoProgram: std::fprintf(stderr, "Tunora is not running\n"); return 2;
    case SendResult::kNoAnswer: break;
  }
  std::fprintf(stderr, "Tunora did not answer\n");
  return 2;
}

}  // namespace tunora
