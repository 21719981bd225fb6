#include "platform/forms/WindowServer.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <string>

#include "platform/forms/Application.h"
#include "platform/winapi/Window.h"

namespace {
bool SomeoneAnswers(const QString& path) {
  QLocalSocket probe;
  probe.connectToServer(path);
  const bool answered = probe.waitForConnected(200);
  probe.abort();
  return answered;
}
}  // namespace

TWindowServer::TWindowServer(HWND window) : window_(window) {
  const std::string path = WindowSocketPath(window->className);
  if (path.empty()) return;
  const QString name = QString::fromUtf8(path.c_str());
  if (SomeoneAnswers(name)) return;
  QLocalServer::removeServer(name);
  server_ = std::make_unique<QLocalServer>();
  if (!server_->listen(name)) {
    server_.reset();
    return;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] { Serve(); });
}

TWindowServer::~TWindowServer() = default;

bool TWindowServer::Listening() const { return server_ != nullptr && server_->isListening(); }

void TWindowServer::Serve() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto answer = [this, socket] {
      while (socket->canReadLine()) {
        const QByteArray request = socket->readLine().trimmed();
        if (request == "foreground") {
          HandleEventErrors([this] { SetForegroundWindow(window_); });
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
