// An instrumented stand-in for an archiver library. Built once per library
// file name and variant (see CMakeLists.txt): it records every call with its
// arguments, lists the entries a test configures, and can leave exports out.
//
// Test side: FakeConfiguration() (the fake's FakeConfig, changed in place),
// FakeLog() (one call per line), FakeClear().
//
// In a program a test starts, where nothing can be configured: when
// DOVANEL_FAKE_HOLD names a FIFO, OpenArchive first waits for a byte from it,
// so that the test decides when the run goes on; when DOVANEL_FAKE_ENTRIES
// names a file, a listing gives its entries, one a line: "DATE TIME NAME",
// the DOS date and time words in hex.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contract/EntryInfo.h"
#include "tests/fakes/FakeConfig.h"

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#define FAKE_JOIN2(a, b) a##b
#define FAKE_JOIN(a, b) FAKE_JOIN2(a, b)
#define FAKE_NAME(suffix) FAKE_JOIN(FAKE_PREFIX, suffix)
#define FAKE_STRINGIFY2(x) #x
#define FAKE_STRINGIFY(x) FAKE_STRINGIFY2(x)

namespace {
struct FakeState {
  std::string log;
  FakeConfig config;
  std::size_t next = 0;
  bool open = false;
};

constexpr HARC kHandle = 0x4321;

FakeState& State() {
  static FakeState state;
  return state;
}

void Record(const std::string& line) {
  State().log += line;
  State().log += '\n';
}

std::string Pointer(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return p == nullptr ? "0" : text;
}

std::string Text(const char* s) { return s == nullptr ? "(null)" : s; }

void WaitWhileHeld() {
  const char* hold = std::getenv("DOVANEL_FAKE_HOLD");
  if (hold == nullptr) return;
  const int fifo = ::open(hold, O_RDONLY | O_CLOEXEC);
  if (fifo < 0) return;
  char go = 0;
  while (::read(fifo, &go, 1) < 0 && errno == EINTR) {
  }
  ::close(fifo);
}

void LoadEntriesFromEnvironment() {
  const char* path = std::getenv("DOVANEL_FAKE_ENTRIES");
  if (path == nullptr || !State().config.entries.empty()) return;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return;
  char line[1024];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    unsigned date = 0, time = 0;
    int consumed = 0;
    if (std::sscanf(line, "%x %x %n", &date, &time, &consumed) < 2 || consumed == 0) continue;
    std::string name = line + consumed;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    State().config.entries.push_back({name, static_cast<std::uint16_t>(date), static_cast<std::uint16_t>(time)});
  }
  std::fclose(file);
}

int Fill(ENTRYINFO* entry) {
  FakeState& state = State();
  if (!state.open || entry == nullptr || state.next >= state.config.entries.size()) return -1;
  const FakeEntry& e = state.config.entries[state.next++];
  std::memset(entry, 0, sizeof *entry);
  entry->wDate = e.date;
  entry->wTime = e.time;
  std::snprintf(entry->szFileName, sizeof entry->szFileName, "%s", e.name.c_str());
  return 0;
}

int RunCommand(const char* which, HWND window, LPCSTR line, LPSTR output, DWORD size) {
  Record(std::string(which) + "(window=" + Pointer(window) + ", line=[" + Text(line) +
         "], buffer=" + (output == nullptr ? "null" : "set") + ", size=" + std::to_string(size) + ")");
  FakeState& state = State();
  if (!state.config.watchPath.empty()) {
    FILE* watched = std::fopen(state.config.watchPath.c_str(), "rb");
    Record("watch(" + state.config.watchPath + (watched != nullptr ? ")=present" : ")=absent"));
    if (watched != nullptr) std::fclose(watched);
  }
  if (!state.config.writePath.empty()) {
    if (FILE* written = std::fopen(state.config.writePath.c_str(), "wb")) {
      std::fwrite(state.config.writeBytes.data(), 1, state.config.writeBytes.size(), written);
      std::fclose(written);
    }
  }
  return state.config.commandResult;
}
}  // namespace

FAKE_EXPORT FakeConfig* FakeConfiguration() { return &State().config; }
FAKE_EXPORT const char* FakeLog() { return State().log.c_str(); }
FAKE_EXPORT void FakeClear() { State() = FakeState(); }

FAKE_EXPORT int WINAPI FAKE_COMMAND(HWND window, LPCSTR line, LPSTR output, DWORD size) {
  return RunCommand(FAKE_STRINGIFY(FAKE_COMMAND), window, line, output, size);
}

#ifdef FAKE_SECOND_COMMAND
FAKE_EXPORT int WINAPI FAKE_SECOND_COMMAND(HWND window, LPCSTR line, LPSTR output, DWORD size) {
  return RunCommand(FAKE_STRINGIFY(FAKE_SECOND_COMMAND), window, line, output, size);
}
#endif

FAKE_EXPORT HARC WINAPI FAKE_NAME(OpenArchive)(HWND window, LPCSTR path, DWORD mode) {
  char modeText[16];
  std::snprintf(modeText, sizeof modeText, "0x%X", static_cast<unsigned>(mode));
  Record("OpenArchive(window=" + Pointer(window) + ", path=" + Text(path) + ", mode=" + modeText + ")");
  WaitWhileHeld();
  LoadEntriesFromEnvironment();
  FakeState& state = State();
  if (!state.config.acceptOpen) return 0;
  state.open = true;
  state.next = 0;
  return kHandle;
}

FAKE_EXPORT int WINAPI FAKE_NAME(CloseArchive)(HARC archive) {
  Record("CloseArchive(" + std::to_string(archive) + ")");
  if (archive == kHandle) State().open = false;
  return 0;
}

FAKE_EXPORT int WINAPI FAKE_NAME(FindFirst)(HARC archive, LPCSTR wildcard, ENTRYINFO* entry) {
  Record("FindFirst(" + std::to_string(archive) + ", " + Text(wildcard) + ")");
  if (archive != kHandle) return -1;
  State().next = 0;
  // A copy: the hook may change the configuration it lives in.
  if (const std::function<void()> hook = State().config.whileListing) hook();
  return Fill(entry);
}

#ifndef FAKE_OMIT_FINDNEXT
FAKE_EXPORT int WINAPI FAKE_NAME(FindNext)(HARC archive, ENTRYINFO* entry) {
  Record("FindNext(" + std::to_string(archive) + ")");
  if (archive != kHandle) return -1;
  return Fill(entry);
}
#endif

FAKE_EXPORT int WINAPI FAKE_NAME(CheckArchive)(LPCSTR path, int mode) {
  Record("CheckArchive(" + Text(path) + ", " + std::to_string(mode) + ")");
  return 1;
}

#ifndef FAKE_OMIT_OWNER
FAKE_EXPORT BOOL WINAPI FAKE_NAME(SetOwnerWindowEx)(HWND window, void* procedure) {
  Record("SetOwnerWindowEx(" + Pointer(window) + ", " + Pointer(procedure) + ")");
  return State().config.ownerResult;
}

FAKE_EXPORT BOOL WINAPI FAKE_NAME(KillOwnerWindowEx)(HWND window) {
  Record("KillOwnerWindowEx(" + Pointer(window) + ")");
  return State().config.ownerResult;
}
#endif

#ifdef FAKE_ARCHIVE_TYPE
FAKE_EXPORT int WINAPI FAKE_NAME(GetArchiveType)(LPCSTR path) {
  Record("GetArchiveType(" + Text(path) + ")");
  return State().config.archiveType;
}
#endif
