#include "libraries/core/ListingSource.h"

#include "libraries/core/PackedTarSource.h"

namespace dv {

std::unique_ptr<EntrySource> OpenListingSource(std::shared_ptr<const ArchiveFile> file, Format format) {
  if (format == Format::kTar) {
    if (auto packed = OpenPackedTarSource(file)) return packed;
  }
  return OpenSource(std::move(file), format);
}

}  // namespace dv
