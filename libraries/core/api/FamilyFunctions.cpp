#include "libraries/core/api/FamilyFunctions.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>

#include "contract/ResultCodes.h"
#include "libraries/core/api/CallerText.h"
#include "libraries/core/api/CommandRunner.h"
#include "libraries/core/api/Registry.h"
#include "libraries/core/read/TarProbe.h"

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
  std::optional<HWND> window;  // registered, possibly as a null window
};

Owner& TheOwner() {
  static Owner owner;
  return owner;
}

}  // namespace

int RunCommand(CommandLanguage language, Format format, LPCSTR line, LPSTR output, DWORD size) {
  const CommandResult result = Guarded(CommandResult{kErrorCannotCreate, "out of memory"}, [&] {
    // No line at all is refused as such, not as an empty one.
    const std::string text = FromCaller(line);
    return RunCommandLine(language, format, line != nullptr ? text.c_str() : nullptr);
  });
  if (output != nullptr && size > 0) {
    const std::string report = Guarded(std::string(), [&] { return ToCaller(result.report); });
    const std::size_t length = std::min<std::size_t>(report.size(), size - 1);
    std::memcpy(output, report.data(), length);
    output[length] = '\0';
  }
  return result.code;
}

HARC OpenArchive(LPCSTR path, Format format) {
  return Guarded<HARC>(0, [&]() -> HARC {
    auto listing = Listing::Open(FromCaller(path).c_str(), format);
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
    return listing ? listing->FindFirst(FromCaller(wildcard).c_str(), record) : kListEnd;
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
    const auto listing = Listing::Open(FromCaller(path).c_str(), format);
    // ARJ's check unpacks each entry too, against its CRC: our own reader
    // does it at little cost, within the one volume given. The formats read
    // through libarchive keep to their headers.
    return listing && listing->ReadsToEnd(format == Format::kArj) ? TRUE : FALSE;
  });
}

BOOL SetOwnerWindow(HWND window) {
  Owner& owner = TheOwner();
  std::lock_guard lock(owner.mutex);
  owner.window = window;
  return TRUE;
}

BOOL KillOwnerWindow(HWND window) {
  Owner& owner = TheOwner();
  std::lock_guard lock(owner.mutex);
  if (owner.window != window) return FALSE;
  owner.window.reset();
  return TRUE;
}

BOOL ClearOwnerWindow() {
  Owner& owner = TheOwner();
  std::lock_guard lock(owner.mutex);
  owner.window.reset();
  return TRUE;
}

int GetTarArchiveType(LPCSTR path) {
  return Guarded<int>(kTarUnreadable, [&] {
    const auto file = PositionalFile::Open(FromCaller(path).c_str());
    return file ? ProbeTarType(file) : kTarUnreadable;
  });
}

}  // namespace dv
