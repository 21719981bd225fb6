// glibc's gettext, with the catalogues found relative to the program: the
// installed tree's share/locale, or the build's own catalogues for a program
// run from the build tree (or copied out of it).
#include "platform/rtl/Translate.h"

#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <clocale>

#include <string>

#ifndef DOVANEL_LOCALE_FROM_BIN
#error "the build defines DOVANEL_LOCALE_FROM_BIN and DOVANEL_BUILD_LOCALE_DIR"
#endif

namespace {
const char* const kDomain = "dovanel";

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramFolder() {
  std::string buffer(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  buffer.resize(static_cast<std::size_t>(length));
  return buffer.substr(0, buffer.rfind('/'));
}

std::string FindCatalogueFolder() {
  const std::string installed = ProgramFolder() + "/" DOVANEL_LOCALE_FROM_BIN;
  return IsFolder(installed) ? installed : DOVANEL_BUILD_LOCALE_DIR;
}

// Bound once, before the first lookup. The texts are UTF-8 whatever the
// locale's character set, as every other text of the program.
const std::string& BoundFolder() {
  static const std::string folder = [] {
    std::string found = FindCatalogueFolder();
    ::bindtextdomain(kDomain, found.c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    return found;
  }();
  return folder;
}
}  // namespace

const char* CatalogueFolder() { return BoundFolder().c_str(); }

void ChooseMessageLanguage() { std::setlocale(LC_MESSAGES, ""); }

const char* Translate(const char* english) {
  BoundFolder();
  return ::dgettext(kDomain, english);
}
