#include "unlha32/unlha32.h"

#include <cstddef>
#include <string>
#include <utility>

#include "platform/winapi/Library.h"
#include "platform/winapi/MessageBox.h"

namespace {
struct TUnlhaNames {
  const char* exported;
  const char* stub;
};

constexpr TUnlhaNames kNames[] = {
#define DV_UNLHA_NAMES(name, stubName, Result, parameters, arguments) {#name, stubName},
    DV_UNLHA_FUNCTIONS(DV_UNLHA_NAMES)
#undef DV_UNLHA_NAMES
};

// Entry indices, in table order, by export name.
enum TUnlhaIndex : std::size_t {
#define DV_UNLHA_INDEX(name, stubName, Result, parameters, arguments) k##name,
  DV_UNLHA_FUNCTIONS(DV_UNLHA_INDEX)
#undef DV_UNLHA_INDEX
      kEntryCount
};
static_assert(kEntryCount == 41 && std::size(kNames) == kEntryCount);

// The stub of entry `Index`: same parameters as the library's function, so a
// call through the table looks the same whichever it reaches.
template <std::size_t Index, class Result, class... Arguments>
Result WINAPI Stub(Arguments...) {
  ReportNotLoaded(kNames[Index].stub);
  return 0;
}

template <std::size_t Index, class Result, class... Arguments>
constexpr void PutStub(Result(WINAPI*& entry)(Arguments...)) {
  entry = &Stub<Index, Result, Arguments...>;
}

// Leaves the stub in place when the library lacks the name.
template <std::size_t Index, class Result, class... Arguments>
void Bind(HMODULE library, Result(WINAPI*& entry)(Arguments...)) {
  if (FARPROC address = GetProcAddress(library, kNames[Index].exported))
    // Through the generic function type: the system's FARPROC has a return type of its own.
    entry = reinterpret_cast<Result(WINAPI*)(Arguments...)>(reinterpret_cast<void (*)()>(address));
}

constexpr TUnlhaTable StubTable() {
  TUnlhaTable table{};
#define DV_UNLHA_PUT_STUB(name, stubName, Result, parameters, arguments) PutStub<k##name>(table.name);
  DV_UNLHA_FUNCTIONS(DV_UNLHA_PUT_STUB)
#undef DV_UNLHA_PUT_STUB
  return table;
}

// Constant-initialised, so the entries are stubs before any set-up code of
// any module runs.
constinit TUnlhaTable g_table = StubTable();
constinit HMODULE g_library = nullptr;
constinit bool g_loaded = false;
}  // namespace

const TUnlhaTable& UnlhaTable() { return g_table; }
bool UnlhaLoaded() { return g_loaded; }
HMODULE UnlhaLibrary() { return g_library; }

void ReportNotLoaded(const char* name) {
  const std::string text = std::string(name) + ": LHA.DLL not loaded" + ".";
  MessageBoxA(nullptr, text.c_str(), "PANIC!!", MB_ICONERROR | MB_OK);
}

void UnlhaTableSetUp() {
  UnlhaTableTearDown();
  HMODULE library = LoadLibraryByName("UNLHA32.DLL");
  // Windows reports a failed load as a handle below 32; our handles are
  // pointers, null on failure and never below 32 otherwise, so null is the
  // whole test. Nothing is reported: the stubs speak when called.
  if (library == nullptr) return;
  g_library = library;
#define DV_UNLHA_BIND(name, stubName, Result, parameters, arguments) Bind<k##name>(library, g_table.name);
  DV_UNLHA_FUNCTIONS(DV_UNLHA_BIND)
#undef DV_UNLHA_BIND
  g_loaded = true;
}

void UnlhaTableTearDown() {
  g_table = StubTable();  // no entry may point into a released library
  g_loaded = false;
  if (HMODULE library = std::exchange(g_library, nullptr)) FreeLibrary(library);
}

namespace {
// Module set-up at process start, tear-down at process end: the library is
// loaded before the program's entry runs and released after it returns.
struct TUnlhaModule {
  TUnlhaModule() { UnlhaTableSetUp(); }
  ~TUnlhaModule() { UnlhaTableTearDown(); }
  TUnlhaModule(const TUnlhaModule&) = delete;
  TUnlhaModule& operator=(const TUnlhaModule&) = delete;
} g_module;
}  // namespace
