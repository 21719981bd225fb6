// Text as it crosses the exports: a calling program speaks its own code page
// (on Windows its ANSI code page, CP932 for a Japanese one, or UTF-8 when its
// manifest asks for it); inside, names and lines are UTF-8. Everything that
// comes in through an export, and every name or report that goes out, passes
// here. (api/posix/ and api/win32/ each know what their callers speak.)
#pragma once

#include <string>

namespace dv {

// The caller's text (null as "") as UTF-8.
std::string FromCaller(const char* text);
// UTF-8 text as the caller speaks it; a character its code page lacks
// becomes '?'.
std::string ToCaller(const std::string& text);

}  // namespace dv
