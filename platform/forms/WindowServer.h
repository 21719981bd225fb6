// The listening side of FindWindowA/SetForegroundWindow across processes: a
// shown window waits on its class's per-user socket, and another instance
// asks it to come to the front there.
#pragma once

#include <memory>

#include "platform/winapi/WinTypes.h"

class QLocalServer;

class TWindowServer {
 public:
  // Listens for the window's class unless a live window of another process
  // already does; a socket left by a process that died is taken over.
  explicit TWindowServer(HWND window);
  ~TWindowServer();
  TWindowServer(const TWindowServer&) = delete;
  TWindowServer& operator=(const TWindowServer&) = delete;

  bool Listening() const;

 private:
  void Serve();
  HWND window_;
  std::unique_ptr<QLocalServer> server_;
};
