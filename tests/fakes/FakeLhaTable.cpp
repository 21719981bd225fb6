// An instrumented UNLHA32.DLL exporting every function of the LHA function
// table, generated from the table's own list (a variant hides some names at
// link time). Each call is recorded as "Name(arg, ...)": text arguments in
// double quotes, pointers in hex (never dereferenced), numbers in decimal; it
// returns the configured commandResult (0 by default).
//
// When DOVANEL_FAKE_LOAD_LOG names a file, loading the library appends "load"
// and releasing it appends "unload", one per line, so a test can see when a
// whole process loads and releases it.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "contract/LibraryFunctions.h"
#include "tests/fakes/FakeConfig.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
struct FakeState {
  std::string log;
  FakeConfig config;
};

FakeState& State() {
  static FakeState state;
  return state;
}

std::string Argument(const char* text) { return text == nullptr ? "null" : "\"" + std::string(text) + "\""; }

std::string Argument(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(pointer));
  return pointer == nullptr ? "0" : text;
}

// An output buffer: its address, not its (unwritten) contents.
std::string Argument(char* buffer) { return Argument(static_cast<const void*>(buffer)); }

// Formatted by hand: std::to_string would bring a unique symbol, which keeps
// the library loaded for good and so hides whether it is ever released.
template <class Number>
requires std::is_integral_v<Number> std::string Argument(Number number) {
  char text[32];
  if constexpr (std::is_signed_v<Number>) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(number));
  } else {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(number));
  }
  return text;
}

template <class Result>
struct FakeCall {
  const char* name;

  template <class... Arguments>
  Result operator()(Arguments... arguments) const {
    std::string line = name;
    line += '(';
    [[maybe_unused]] const char* separator = "";  // unread when there are no arguments
    ((line += separator, line += Argument(arguments), separator = ", "), ...);
    line += ")\n";
    State().log += line;
    return static_cast<Result>(State().config.commandResult);
  }
};

void AppendToLoadLog(const char* line) {
  const char* path = std::getenv("DOVANEL_FAKE_LOAD_LOG");
  if (path == nullptr || *path == '\0') return;
  if (std::FILE* file = std::fopen(path, "a")) {
    std::fprintf(file, "%s\n", line);
    std::fclose(file);
  }
}

struct LoadRecorder {
  LoadRecorder() { AppendToLoadLog("load"); }
  ~LoadRecorder() { AppendToLoadLog("unload"); }
  LoadRecorder(const LoadRecorder&) = delete;
  LoadRecorder& operator=(const LoadRecorder&) = delete;
} g_loadRecorder;
}  // namespace

FAKE_EXPORT FakeConfig* FakeConfiguration() { return &State().config; }
FAKE_EXPORT const char* FakeLog() { return State().log.c_str(); }
FAKE_EXPORT void FakeClear() { State() = FakeState(); }

#define FAKE_LHA_EXPORT(name, stubName, Result, parameters, arguments) \
  FAKE_EXPORT Result WINAPI name parameters { return FakeCall<Result>{#name} arguments; }
DV_UNLHA_FUNCTIONS(FAKE_LHA_EXPORT)
#undef FAKE_LHA_EXPORT
