// The server side of the automation interface: a QLocalServer on this user's
// socket (readable by the user only). Each connection sends one command string
// ended by a NUL byte and gets back the status word in decimal and a line feed.
// Requests run one after another on the GUI thread; a client that sends nothing,
// or too much, is dropped after a while without holding anything up.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace tunora {

class AutomationServer : public QObject {
  Q_OBJECT

 public:
  // Runs one command string and gives the status word.
  using Handler = std::function<uint16_t(const std::string& text)>;

  // How long a client may take to send its request.
  static constexpr int kRequestTimeoutMs = 5000;

  explicit AutomationServer(Handler handler, QObject* parent = nullptr);
  ~AutomationServer() override;

  enum class Start { kListening, kOtherInstance, kFailed };
  // Listens on path. A socket left by a program that is gone is replaced; one that
  // answers belongs to another running Tunora (kOtherInstance).
  Start Listen(const QString& path);
  QString Path() const { return path_; }
  QString Error() const { return error_; }

 private:
  struct Pending {
    QPointer<QLocalSocket> socket;
    std::string text;
  };
  void Accept();
  void Read(QLocalSocket* socket);
  void RunQueue();

  Handler handler_;
  QLocalServer* server_ = nullptr;
  QString path_;
  QString error_;
  std::deque<Pending> queue_;
  bool running_ = false;
};

}  // namespace tunora
