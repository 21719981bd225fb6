// The language a test runs in. The suites run in the C locale (the test
// main), whose texts are English; a test that needs another language names
// one of the locales the build makes for the tests (ja_JP.UTF-8,
// en_US.UTF-8), found through LOCPATH, so no system locale need be installed.
#pragma once

#include <clocale>
#include <string>

#include "tests/support/Scoped.h"

#ifndef DOVANEL_TEST_LOCALES
#error "the build defines DOVANEL_TEST_LOCALES"
#endif

inline const char* TestLocalesFolder() { return DOVANEL_TEST_LOCALES; }

// This process's messages in `locale` for the scope; the C locale's after.
class ScopedMessagesLocale {
 public:
  explicit ScopedMessagesLocale(const char* locale) : path_("LOCPATH", TestLocalesFolder()) {
    chosen_ = std::setlocale(LC_MESSAGES, locale) != nullptr;
  }
  ~ScopedMessagesLocale() { std::setlocale(LC_MESSAGES, "C"); }
  ScopedMessagesLocale(const ScopedMessagesLocale&) = delete;
  ScopedMessagesLocale& operator=(const ScopedMessagesLocale&) = delete;

  // False when the locale could not be loaded (the test then means nothing).
  bool Chosen() const { return chosen_; }

 private:
  ScopedEnvironment path_;
  bool chosen_ = false;
};
