#include "libraries/core/read/PlainCompressedSource.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/ThreadedUnpacking.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() > tail.size() &&
         std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                    });
}

// A gzip member of nothing: header, an empty block and the trailer.
constexpr std::int64_t kSmallestGzip = 20;

// Whether a gzip member (its three first bytes, which a trailer's bytes
// seldom are) begins too near the end to be whole: the last four bytes are
// then no trailer of any member.
bool EndsInsideAMember(const PositionalFile& file) {
  for (std::int64_t at = std::max<std::int64_t>(1, file.size() - kSmallestGzip + 1); at + 3 <= file.size(); ++at)
    if (MemberMayStartAt(file, at, kGzipOnly)) return true;
  return false;
}

// The one entry, read from the file's name and, for gzip, its header and
// trailer, for the others what they keep of the original size, if anything
// (UnpackedSize.h); the compressed data itself is never unpacked.
Entry DescribeFile(const PositionalFile& file, TarType type) {
  const Compression& compression = *CompressionOfType(type);
  Entry entry;
  const std::string& path = file.path();
  entry.path = NameWithoutCompressionExtension(path.substr(path.find_last_of('/') + 1));
  entry.packedSize = static_cast<std::uint64_t>(file.size());
  entry.modified = file.modified();
  entry.method = compression.name;
  if (type == kGzipOnly) {
    unsigned char header[10], trailer[4];
    // MTIME, bytes 4-7 of the header; 0 means the compressor recorded none.
    if (file.ReadExactly(0, header, sizeof header) && Le32(header + 4) != 0) entry.modified = Le32(header + 4);
    // ISIZE, the last 4 bytes: the original size modulo 2^32; none when the
    // file ends in a member that has begun and cannot be whole.
    if (file.size() >= kSmallestGzip && !EndsInsideAMember(file) &&
        file.ReadExactly(file.size() - 4, trailer, sizeof trailer))
      entry.size = Le32(trailer);
  }
  if (compression.unpackedSize != nullptr) entry.size = compression.unpackedSize(file);
  return entry;
}

class PlainCompressedSource final : public EntrySource {
 public:
  PlainCompressedSource(std::shared_ptr<const PositionalFile> file, TarType type)
      : file_(std::move(file)), type_(type), entry_(DescribeFile(*file_, type)) {}
  bool Rewind() override {
    given_ = false;
    return true;
  }
  ReadResult Next(Entry& entry) override {
    if (given_) return ReadResult::kEnd;
    given_ = true;
    entry = entry_;
    return ReadResult::kEntry;
  }
  DataResult ReadData(const DataSink& sink) override {
    if (!given_) return DataResult::kBroken;
    if (const auto threaded = OpenThreadedUnpacking(file_)) return CopyUnpacked(*threaded, sink);
    LibArchiveReader reader;
    struct archive_entry* header = nullptr;
    if (!reader.Open(file_, 0, LibArchiveReader::kNoLimit, RawUnpackSetup(type_)) ||
        archive_read_next_header(reader.get(), &header) != ARCHIVE_OK)
      return DataResult::kBroken;
    bool fatal = false;  // the reader is this call's own and goes with it
    const DataResult result = CopyArchiveData(reader.get(), sink, fatal);
    // libarchive ends the data where the bytes after a member are no whole
    // member header; those that begin one are a member cut short.
    if (result == DataResult::kDone && MemberMayStartAt(*file_, archive_filter_bytes(reader.get(), -1), type_))
      return DataResult::kBroken;
    return result;
  }

 private:
  std::shared_ptr<const PositionalFile> file_;
  TarType type_;
  Entry entry_;
  bool given_ = false;
};

}  // namespace

std::string NameWithoutCompressionExtension(const std::string& fileName) {
  // Each extension of each compression: a tar's becomes ".tar", a plain
  // file's goes.
  const auto renamed = [&fileName](std::string_view extensions,
                                   std::string_view replacement) -> std::optional<std::string> {
    for (std::size_t at = 0; at < extensions.size();) {
      const std::size_t end = std::min(extensions.find(' ', at), extensions.size());
      const std::string_view extension = extensions.substr(at, end - at);
      if (!extension.empty() && EndsWithNoCase(fileName, extension))
        return fileName.substr(0, fileName.size() - extension.size()) + std::string(replacement);
      at = end + 1;
    }
    return std::nullopt;
  };
  for (const Compression& compression : Compressions()) {
    if (auto name = renamed(compression.tarExtensions, ".tar")) return *name;
    if (auto name = renamed(compression.plainExtensions, "")) return *name;
  }
  return fileName;
}

std::unique_ptr<EntrySource> OpenPlainCompressedSource(std::shared_ptr<const PositionalFile> file, TarType type) {
  if (RawUnpackSetup(type) == nullptr) return nullptr;  // no plain compressed type
  return std::make_unique<PlainCompressedSource>(std::move(file), type);
}

}  // namespace dv
