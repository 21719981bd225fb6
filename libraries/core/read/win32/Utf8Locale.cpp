#include "libraries/core/read/Utf8Locale.h"

namespace dv {

// On Windows the readers take names from libarchive as wide strings, which
// no locale touches: nothing to change.
ScopedUtf8Locale::ScopedUtf8Locale() = default;
ScopedUtf8Locale::~ScopedUtf8Locale() = default;
ScopedCLocale::ScopedCLocale() = default;
ScopedCLocale::~ScopedCLocale() = default;

}  // namespace dv
