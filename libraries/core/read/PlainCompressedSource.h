// A file of one compression alone (Compressions.h), no tar inside, listed as
// one entry: the file's name without the compression extension.
#pragma once

#include <memory>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/TarProbe.h"

namespace dv {

// `type` is the plain code of a compression, as ProbeTarType found.
std::unique_ptr<EntrySource> OpenPlainCompressedSource(std::shared_ptr<const PositionalFile> file, TarType type);

// "notes.txt.gz" -> "notes.txt", "backup.tgz" -> "backup.tar"; a name
// without a known extension stays as it is.
std::string NameWithoutCompressionExtension(const std::string& fileName);

}  // namespace dv
