#include "libraries/core/read/Utf8Locale.h"

#include <locale.h>

namespace dv {
namespace {

// Made once per load of the library and freed when it is unloaded, so a
// program that loads and unloads it again and again does not pile them up.
// C.UTF-8 is built into glibc; only a broken system lacks it, and then the
// thread's locale is left as it is.
class LocaleHolder {
 public:
  explicit LocaleHolder(const char* name) : locale_(newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) {}
  ~LocaleHolder() {
    if (locale_ != nullptr) freelocale(locale_);
  }
  LocaleHolder(const LocaleHolder&) = delete;
  LocaleHolder& operator=(const LocaleHolder&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_;
};

locale_t Utf8() {
  static const LocaleHolder holder("C.UTF-8");
  return holder.get();
}

locale_t Plain() {
  static const LocaleHolder holder("C");
  return holder.get();
}

}  // namespace

ScopedThreadLocale::ScopedThreadLocale(ThreadLocale locale) {
  if (const locale_t chosen = locale == ThreadLocale::kUtf8 ? Utf8() : Plain()) previous_ = uselocale(chosen);
}

ScopedThreadLocale::~ScopedThreadLocale() {
  if (previous_ != nullptr) uselocale(static_cast<locale_t>(previous_));
}

}  // namespace dv
