#include "libraries/core/read/Utf8Locale.h"

namespace dv {

// On Windows the readers take names from libarchive as wide strings, which
// no locale touches: nothing to change.
ScopedThreadLocale::ScopedThreadLocale(ThreadLocale) {}
ScopedThreadLocale::~ScopedThreadLocale() = default;

}  // namespace dv
