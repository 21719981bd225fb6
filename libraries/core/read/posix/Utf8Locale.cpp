#include "libraries/core/read/Utf8Locale.h"

#include <locale.h>

namespace dv {
namespace {

// Made once per load of the library and freed when it is unloaded, so a
// program that loads and unloads it again and again does not pile them up.
// C.UTF-8 is built into glibc; only a broken system lacks it, and then the
// thread's locale is left as it is.
class Utf8Holder {
 public:
  Utf8Holder() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
  ~Utf8Holder() {
    if (locale_ != nullptr) freelocale(locale_);
  }
  Utf8Holder(const Utf8Holder&) = delete;
  Utf8Holder& operator=(const Utf8Holder&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_;
};

locale_t Utf8() {
  static const Utf8Holder holder;
  return holder.get();
}

}  // namespace

ScopedUtf8Locale::ScopedUtf8Locale() {
  if (const locale_t utf8 = Utf8()) previous_ = uselocale(utf8);
}

ScopedUtf8Locale::~ScopedUtf8Locale() {
  if (previous_ != nullptr) uselocale(static_cast<locale_t>(previous_));
}

}  // namespace dv
