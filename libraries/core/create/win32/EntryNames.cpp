#include "libraries/core/create/EntryNames.h"

#include <archive_entry.h>

#include "platform/rtl/win32/WideText.h"

namespace dv {

// Without it the writer would want the names in the C library's locale.
const char* ZipNameOption() { return "zip:hdrcharset=UTF-8"; }

// As wide text, which the writers convert to the charset of their format
// here: narrow names would be read in the C library's locale, which takes
// each byte for a character (and cannot hold most of them).
void SetStoredPath(struct archive_entry* header, const std::string& path) {
  archive_entry_copy_pathname_w(header, Wide(path).c_str());
}

void SetStoredLinkTarget(struct archive_entry* header, const std::string& target) {
  archive_entry_copy_symlink_w(header, Wide(target).c_str());
}

}  // namespace dv
