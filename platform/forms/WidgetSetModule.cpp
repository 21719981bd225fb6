#include "platform/forms/WidgetSetModule.h"

#include <dlfcn.h>

#include <string>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/Exception.h"
#include "platform/winapi/Library.h"

namespace {
TWidgetSetFactory g_linked = nullptr;

std::string ModulePath() {
  char executable[4096];
  if (GetModuleFileNameA(nullptr, executable, sizeof executable) == 0) return kWidgetSetModule;  // the loader's search
  return ExtractFilePath(executable) + kWidgetSetModule;
}

TWidgetSetFactory LoadModule() {
  const std::string path = ModulePath();
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = ::dlerror();
    throw Exception("The window system cannot be loaded: " + std::string(why != nullptr ? why : path));
  }
  auto factory = reinterpret_cast<TWidgetSetFactory>(::dlsym(module, kWidgetSetEntry));
  if (factory == nullptr) {
    ::dlclose(module);
    throw Exception("The window system cannot be loaded: " + path + " has no " + kWidgetSetEntry);
  }
  return factory;
}
}  // namespace

void LinkWidgetSet(TWidgetSetFactory factory) { g_linked = factory; }

TWidgetSetFactory LinkedWidgetSet() { return g_linked; }

TWidgetSetFactory WidgetSetFactory() {
  if (g_linked != nullptr) return g_linked;
  static const TWidgetSetFactory loaded = LoadModule();
  return loaded;
}
