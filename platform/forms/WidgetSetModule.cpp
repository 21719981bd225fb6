#include "platform/forms/WidgetSetModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/rtl/Exception.h"

namespace {
TWidgetSetFactory g_linked = nullptr;

std::string ModulePath() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return kWidgetSetModule;  // the loader's own search
  return (executable.parent_path() / kWidgetSetModule).string();
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
