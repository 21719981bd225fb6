#include "libraries/core/read/Formats.h"

#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/read/PackedTarSource.h"
#include "libraries/core/read/PlainCompressedSource.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/ThreadedUnpacking.h"
#include "libraries/core/read/arj/ArjReader.h"
#include "libraries/core/read/sevenzip/SevenZipListing.h"
#include "libraries/core/read/zip/ZipCentralDirectory.h"

namespace dv {
namespace {

std::unique_ptr<EntrySource> OpenTarFamily(std::shared_ptr<const PositionalFile> file) {
  // The probe decides between a tar and a plain compressed file, so both
  // readers agree with what TarGetArchiveType says about the same file.
  const TarFind found = FindTarArchive(file);
  const TarType type = found.type;
  const Compression* compression = CompressionOfType(type);
  if (compression != nullptr && type == compression->plainType) return OpenPlainCompressedSource(std::move(file), type);
  if (type != kTarPlain && compression == nullptr) return nullptr;
  // The threaded path (a bzip2 or xz file of several blocks) reads the file
  // from its first byte; one behind a stub takes libarchive's filter.
  if (found.start == 0) {
    if (auto threads = OpenThreadedUnpacking(file)) {
      if (auto packed = OpenPackedTarSource(file, std::move(threads))) return packed;
    }
  }
  return OpenLibArchiveSourceAt(std::move(file), Format::kTar, found.start);
}

}  // namespace

std::unique_ptr<EntrySource> OpenSource(std::shared_ptr<const PositionalFile> file, Format format, ReadFor purpose) {
  if (purpose == ReadFor::kListing && format == Format::kTar) {
    if (auto packed = OpenPackedTarSource(file)) return packed;
  }
  switch (format) {
    case Format::kZip: {
      // libarchive's own reader keeps every entry of the directory; it is
      // left for a directory that does not read.
      if (auto directory = OpenZipCentralDirectory(file)) return directory;
      break;
    }
    case Format::kArj:
      return OpenArjSource(std::move(file),
                           purpose == ReadFor::kListing ? ArjVolumes::kListVolumes : ArjVolumes::kFollow);
    case Format::kTar: return OpenTarFamily(std::move(file));
    case Format::kSevenZip:
      // libarchive's reader unpacks every solid folder on its way through the
      // entries; a listing needs the header alone.
      if (purpose == ReadFor::kListing) {
        if (auto header = OpenSevenZipListing(file)) return header;
      }
      break;
    case Format::kLha:
    case Format::kCab:
    case Format::kRar: break;
  }
  return OpenLibArchiveSource(std::move(file), format);
}

bool BeginsAsFormat(const PositionalFile& file, Format format) {
  return format == Format::kTar && BeginsAsCompressedFile(file);
}

}  // namespace dv
