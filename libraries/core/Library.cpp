#include "libraries/core/Library.h"

#include <mutex>
#include <new>

#include "libraries/core/ErrorCodes.h"
#include "libraries/core/Registry.h"
#include "libraries/core/TarProbe.h"

namespace dv {
namespace {

// No exception may cross into a caller that knows only the C interface;
// running out of memory fails the call instead.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

struct Owner {
  std::mutex mutex;
  bool set = false;
  HWND window = nullptr;
};

Owner& TheOwner() {
  static Owner owner;
  return owner;
}

}  // namespace

int RunCommand(LPSTR output, DWORD size) {
  if (output != nullptr && size > 0) output[0] = '\0';
  return kErrorNotSupported;
}

HARC OpenArchive(LPCSTR path, Format format) {
  return Guarded<HARC>(0, [&]() -> HARC {
    auto listing = Listing::Open(path, format);
    return listing ? RegisterListing(std::move(listing)) : 0;
  });
}

int CloseArchive(HARC handle) {
  return Guarded(kOk, [&] {
    UnregisterListing(handle);
    return kOk;
  });
}

int FindFirst(HARC handle, LPCSTR wildcard, ENTRYINFO* record) {
  return Guarded(kListEnd, [&] {
    const auto listing = FindListing(handle);
    return listing ? listing->FindFirst(wildcard, record) : kListEnd;
  });
}

int FindNext(HARC handle, ENTRYINFO* record) {
  return Guarded(kListEnd, [&] {
    const auto listing = FindListing(handle);
    return listing ? listing->FindNext(record) : kListEnd;
  });
}

int CheckArchive(LPCSTR path, Format format) {
  return Guarded(FALSE, [&] {
    const auto listing = Listing::Open(path, format);
    return listing && listing->ReadsToEnd() ? TRUE : FALSE;
  });
}

BOOL SetOwnerWindow(HWND window) {
  Owner& owner = TheOwner();
  std::lock_guard lock(owner.mutex);
  owner.set = true;
  owner.window = window;
  return TRUE;
}

BOOL KillOwnerWindow(HWND window) {
  Owner& owner = TheOwner();
  std::lock_guard lock(owner.mutex);
  if (!owner.set || owner.window != window) return FALSE;
  owner.set = false;
  owner.window = nullptr;
  return TRUE;
}

int GetTarArchiveType(LPCSTR path) {
  return Guarded<int>(kTarUnreadable, [&] {
    const auto file = ArchiveFile::Open(path);
    return file ? ProbeTarType(file) : kTarUnreadable;
  });
}

}  // namespace dv
