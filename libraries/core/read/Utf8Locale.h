// libarchive turns names stored as UTF-16, CP932 and the like into the
// calling thread's locale, and fails the whole header when that locale cannot
// hold them (the C locale holds only ASCII). Reading under a UTF-8 locale on
// this thread alone gives every such name as UTF-8, whatever the host
// program's locale; names stored without a known charset stay raw bytes.
#pragma once

#include <locale.h>

namespace dv {

class ScopedUtf8Locale {
 public:
  ScopedUtf8Locale();
  ~ScopedUtf8Locale();
  ScopedUtf8Locale(const ScopedUtf8Locale&) = delete;
  ScopedUtf8Locale& operator=(const ScopedUtf8Locale&) = delete;

 private:
  locale_t previous_ = nullptr;
};

}  // namespace dv
