#include "platform/forms/WidgetSetModule.h"

#include <dlfcn.h>

#include <string>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Files.h"
#include "platform/winapi/LibraryFolders.h"

namespace {
TWidgetSetFactory g_linked = nullptr;

// Found where the archiver libraries are, so that an installed program finds
// it in its private folder; else the loader's own search.
std::string ModulePath() {
  for (const std::string& folder : LibrarySearchFolders()) {
    const std::string path = IncludeTrailingPathDelimiter(folder) + kWidgetSetModule;
    if (FileExists(path)) return path;
  }
  return kWidgetSetModule;
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
