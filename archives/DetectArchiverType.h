// Which archive format a file is: by its name's extension (no file access),
// or by asking each format's library whether it opens the file.
#pragma once

#include <string>

#include "drivers/base/ArchiverType.h"

// Never raises; never answers atAutoDetect. A ".exe" name is always typed by content.
TArchiverType DetectArchiverType(const std::string& fileName, bool byExtension);
