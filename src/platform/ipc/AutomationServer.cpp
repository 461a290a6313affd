#include "platform/ipc/AutomationServer.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include "automation/AutomationCommand.h"

namespace tunora {

namespace {
constexpr const char* kBuffer = "tunoraRequest";
}

AutomationServer::AutomationServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

AutomationServer::~AutomationServer() {
  if (server_ != nullptr) server_->close();  // removes the socket file
}

AutomationServer::Start AutomationServer::Listen(const QString& path) {
  path_ = path;
  // Two programs starting at once must not both decide the socket is stale.
  QLockFile lock(path + QStringLiteral(".lock"));
  lock.setStaleLockTime(10000);
  if (!lock.tryLock(3000)) {
    error_ = QStringLiteral("cannot lock %1").arg(path);
    return Start::kFailed;
  }
  const QFileInfo info(path);
  if (info.isSymLink() || info.isFile() || info.isDir()) {
    // Something that is no socket is not ours to replace.
    error_ = QStringLiteral("%1 is not a socket").arg(path);
    return Start::kFailed;
  }
  if (info.exists()) {
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000)) {
      probe.abort();
      return Start::kOtherInstance;
    }
    // Nobody listens: a program that ended without removing it.
    QLocalServer::removeServer(path);
  }
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    error_ = server_->errorString();
    delete server_;
    server_ = nullptr;
    return Start::kFailed;
  }
  connect(server_, &QLocalServer::newConnection, this, &AutomationServer::Accept);
  return Start::kListening;
}

void AutomationServer::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    // A client that never finishes its request is dropped.
    QTimer::singleShot(kRequestTimeoutMs, socket, [socket] {
      if (!socket->property("tunoraTaken").toBool()) socket->abort();
    });
    Read(socket);
  }
}

void AutomationServer::Read(QLocalSocket* socket) {
  if (socket->property("tunoraTaken").toBool()) {
    socket->readAll();  // anything after the request is not read
    return;
  }
  std::string buffer = socket->property(kBuffer).toByteArray().toStdString();
  QByteArray data = socket->readAll();
  buffer.append(data.constData(), static_cast<size_t>(data.size()));
  std::string request;
  if (TakeAutomationRequest(buffer, request)) {
    socket->setProperty(kBuffer, QVariant());
    socket->setProperty("tunoraTaken", true);
    queue_.push_back({QPointer<QLocalSocket>(socket), std::move(request)});
    // Never run inside a command already running: the queue goes on afterwards.
    if (!running_) QTimer::singleShot(0, this, &AutomationServer::RunQueue);
    return;
  }
  if (buffer.size() > kMaxAutomationRequest) {
    socket->abort();
    return;
  }
  socket->setProperty(kBuffer, QByteArray::fromStdString(buffer));
}

void AutomationServer::RunQueue() {
  if (running_) return;
  running_ = true;
  while (!queue_.empty()) {
    Pending next = std::move(queue_.front());
    queue_.pop_front();
    uint16_t status = handler_ ? handler_(next.text) : 0;
    if (!next.socket.isNull() && next.socket->state() == QLocalSocket::ConnectedState) {
      next.socket->write(QByteArray::number(status) + '\n');
      next.socket->flush();
      next.socket->disconnectFromServer();
    }
  }
  running_ = false;
}

}  // namespace tunora
