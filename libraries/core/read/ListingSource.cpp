#include "libraries/core/read/ListingSource.h"

#include "libraries/core/read/arj/ArjReader.h"
#include "libraries/core/read/PackedTarSource.h"

namespace dv {

std::unique_ptr<EntrySource> OpenListingSource(std::shared_ptr<const ArchiveFile> file, Format format) {
  if (format == Format::kTar) {
    if (auto packed = OpenPackedTarSource(file)) return packed;
  }
  if (format == Format::kArj) return OpenArjSource(std::move(file), ArjVolumes::kThisFile);
  return OpenSource(std::move(file), format);
}

}  // namespace dv
