#include "libraries/core/ListingSource.h"

#include "libraries/core/ArjReader.h"
#include "libraries/core/PackedTarSource.h"

namespace dv {

std::unique_ptr<EntrySource> OpenListingSource(std::shared_ptr<const ArchiveFile> file, Format format) {
  if (format == Format::kTar) {
    if (auto packed = OpenPackedTarSource(file)) return packed;
  }
  if (format == Format::kArj) return OpenArjSource(std::move(file), ArjVolumes::kThisFile);
  return OpenSource(std::move(file), format);
}

}  // namespace dv
