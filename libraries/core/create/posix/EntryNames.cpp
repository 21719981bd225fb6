#include "libraries/core/create/EntryNames.h"

#include <archive_entry.h>

namespace dv {

// Under the UTF-8 locale the ZIP writer flags a name that is not ASCII.
const char* ZipNameOption() { return nullptr; }

// As bytes: the writers take them under the UTF-8 locale the caller set, and
// a name that is no UTF-8 text stays the bytes it was on disk.
void SetStoredPath(struct archive_entry* header, const std::string& path) {
  archive_entry_set_pathname(header, path.c_str());
}

void SetStoredLinkTarget(struct archive_entry* header, const std::string& target) {
  archive_entry_set_symlink(header, target.c_str());
}

}  // namespace dv
