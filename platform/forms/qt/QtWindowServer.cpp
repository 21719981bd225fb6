// The listening side of FindWindowA/SetForegroundWindow across processes: a
// shown window waits on its class's per-user socket, and another instance
// asks it to come to the front there.
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/forms/qt/QtWidgetSet.h"

namespace {
bool SomeoneAnswers(const QString& path) {
  QLocalSocket probe;
  probe.connectToServer(path);
  const bool answered = probe.waitForConnected(200);
  probe.abort();
  return answered;
}

class WindowServer : public TPeerObject {
 public:
  WindowServer(std::function<void()> asked) : asked_(std::move(asked)) {}

  bool Listen(const QString& name) {
    if (SomeoneAnswers(name)) return false;
    QLocalServer::removeServer(name);
    if (!server_.listen(name)) return false;
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { Serve(); });
    return true;
  }

 private:
  void Serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      auto answer = [this, socket] {
        while (socket->canReadLine()) {
          const QByteArray request = socket->readLine().trimmed();
          if (request == "foreground") {
            asked_();
            socket->write("ok\n");
          } else {
            socket->write("unknown\n");
          }
          socket->flush();
        }
      };
      QObject::connect(socket, &QLocalSocket::readyRead, socket, answer);
      answer();  // what came before the connection was taken
    }
  }

  std::function<void()> asked_;
  QLocalServer server_;
};
}  // namespace

std::unique_ptr<TPeerObject> ListenWithQt(const std::string& socketPath, std::function<void()> asked) {
  if (socketPath.empty()) return nullptr;
  auto server = std::make_unique<WindowServer>(std::move(asked));
  if (!server->Listen(QString::fromUtf8(socketPath.c_str()))) return nullptr;
  return server;
}
