// The listening side of FindWindowA, SetForegroundWindow and WM_COPYDATA
// across processes: a shown window waits on its class's per-user socket, and
// another instance asks it things there, a line each; what a request means
// is the program's business.
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
  explicit WindowServer(std::function<std::string(const std::string&)> answer) : answer_(std::move(answer)) {}

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
          const std::function<std::string(const std::string&)> answer = answer_;  // it may free this server
          const std::string reply = answer ? answer(request.toStdString()) : std::string("unknown");
          socket->write((reply + "\n").c_str());
          socket->flush();
        }
      };
      QObject::connect(socket, &QLocalSocket::readyRead, socket, answer);
      answer();  // what came before the connection was taken
    }
  }

  std::function<std::string(const std::string&)> answer_;
  QLocalServer server_;
};
}  // namespace

std::unique_ptr<TPeerObject> ListenWithQt(const std::string& socketPath,
                                          std::function<std::string(const std::string&)> answer) {
  if (socketPath.empty()) return nullptr;
  auto server = std::make_unique<WindowServer>(std::move(answer));
  if (!server->Listen(QString::fromUtf8(socketPath.c_str()))) return nullptr;
  return server;
}
