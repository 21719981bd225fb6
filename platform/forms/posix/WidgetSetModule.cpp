#include "platform/forms/WidgetSetModule.h"

#include <dlfcn.h>

#include <string>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/winapi/Library.h"

namespace {
TWidgetSetFactory g_linked = nullptr;

#ifndef DOVANEL_WIDGET_SET_MODULE
#error "the build defines DOVANEL_WIDGET_SET_MODULE, the module's file name"
#endif
// The module that holds the Qt widget set, kept with the archiver libraries.
constexpr const char* kWidgetSetModule = DOVANEL_WIDGET_SET_MODULE;

// Found where the archiver libraries are, so that an installed program finds
// it in its private folder; else the loader's own search. Loaded here rather
// than by LoadLibraryByName, whose last try would hide why a module that
// was found did not load.
std::string ModulePath() {
  const std::vector<std::string> found = LibraryFilesNamed(kWidgetSetModule);
  return found.empty() ? std::string(kWidgetSetModule) : found.front();
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
