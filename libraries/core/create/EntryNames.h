// How a new entry's names (UTF-8 text, or on Linux bytes as a disk stores
// them) reach libarchive's writers on each system (create/posix/ and
// create/win32/).
#pragma once

#include <string>

struct archive_entry;

namespace dv {

// The writer option, where one is needed, that has the ZIP writer take the
// names as UTF-8 text (and flag them so); null where it does so already.
const char* ZipNameOption();

void SetStoredPath(struct archive_entry* header, const std::string& path);
void SetStoredLinkTarget(struct archive_entry* header, const std::string& target);

}  // namespace dv
