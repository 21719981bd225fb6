#include "tests/windows/include/dlfcn.h"

#include <string>

#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

void* dlopen(const char* path, int) { return LoadLibraryW(WidePath(path).c_str()); }

void* dlsym(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

int dlclose(void* library) { return FreeLibrary(static_cast<HMODULE>(library)) ? 0 : -1; }

const char* dlerror() {
  thread_local std::string text;
  text = "system error " + std::to_string(GetLastError());
  return text.c_str();
}
