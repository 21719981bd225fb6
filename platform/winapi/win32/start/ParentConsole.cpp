// A window program has no console of its own. Started from one, it writes its
// report there, as the quiet run's lines and the usage must reach whoever
// started it: done before main, so that nothing is written before.
#include <cstdio>

#include "contract/WinTypes.h"

namespace {
// A stream the starter redirected (to a file or a pipe) is had already.
bool Redirected(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

struct TParentConsole {
  TParentConsole() {
    const bool output = Redirected(STD_OUTPUT_HANDLE), error = Redirected(STD_ERROR_HANDLE);
    if ((output && error) || !::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!output && std::freopen("CONOUT$", "w", stdout) != nullptr) std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!error && std::freopen("CONOUT$", "w", stderr) != nullptr) std::setvbuf(stderr, nullptr, _IONBF, 0);
  }
} g_parentConsole;
}  // namespace
