// Windows reaches a long path through the wide calls' "\\?\" prefix
// (WidePath), so every path is usable as it is.
#include "platform/rtl/PathAccess.h"

TPathAccess::TPathAccess(const std::string& path) : usable_(path) {}

TPathAccess::~TPathAccess() = default;
