// Windows has no gettext: the catalogue of the user's interface language is
// read whole from locale\LANG\LC_MESSAGES\dovanel.mo beside the program, the
// same file the Linux install carries. No catalogue there: English.
#include "platform/rtl/Translate.h"

#include <string>

#include "platform/rtl/MoCatalogue.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace {
std::string ProgramFolder() {
  wchar_t buffer[32768];
  const DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
  if (length == 0 || length >= 32768) return {};
  std::string path = Narrow(std::wstring(buffer, length));
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// "ja" for Japanese: the two-letter name of the user's interface language.
std::string InterfaceLanguage() {
  wchar_t name[16];
  const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  const int length = GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, name, 16);
  return length > 1 ? Narrow(std::wstring(name, static_cast<std::size_t>(length - 1))) : std::string();
}

struct Catalogue {
  std::string folder;
  TMoCatalogue texts;
};

const Catalogue& Loaded() {
  static const Catalogue catalogue = [] {
    Catalogue made;
    made.folder = ProgramFolder() + "\\locale";
    const std::string language = InterfaceLanguage();
    if (!language.empty()) made.texts.Load(made.folder + "\\" + language + "\\LC_MESSAGES\\dovanel.mo");
    return made;
  }();
  return catalogue;
}
}  // namespace

const char* CatalogueFolder() { return Loaded().folder.c_str(); }

// The language is the user's interface language, asked when a text is first looked up.
void ChooseMessageLanguage() {}

const char* Translate(const char* english) {
  const char* translated = Loaded().texts.Find(english);
  return translated != nullptr && *translated != '\0' ? translated : english;
}
