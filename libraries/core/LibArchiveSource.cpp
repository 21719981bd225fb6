#include "libraries/core/LibArchiveSource.h"

#include <archive.h>
#include <archive_entry.h>

#include <cctype>
#include <cstring>
#include <string_view>

#include "libraries/core/LhaHeader.h"
#include "libraries/core/LibArchiveReader.h"
#include "libraries/core/SignatureScan.h"
#include "libraries/core/Utf8Locale.h"

namespace dv {
namespace {

void SetupLha(struct archive* a) { archive_read_support_format_lha(a); }
void SetupZip(struct archive* a) {
  // The seekable reader takes the central directory whenever there is one
  // (and outbids the streaming one); the streaming one still lists the local
  // headers of an archive whose end was cut off.
  archive_read_support_format_zip_seekable(a);
  archive_read_support_format_zip_streamable(a);
}
void SetupCab(struct archive* a) { archive_read_support_format_cab(a); }
void SetupRar(struct archive* a) {
  archive_read_support_format_rar(a);
  archive_read_support_format_rar5(a);
}
void SetupTar(struct archive* a) {
  archive_read_support_format_tar(a);
  archive_read_support_filter_gzip(a);
  archive_read_support_filter_compress(a);
  archive_read_support_filter_bzip2(a);
}

LibArchiveReader::Setup SetupFor(LibArchiveKind kind) {
  switch (kind) {
    case LibArchiveKind::kLha: return &SetupLha;
    case LibArchiveKind::kZip: return &SetupZip;
    case LibArchiveKind::kCab: return &SetupCab;
    case LibArchiveKind::kRar: return &SetupRar;
    case LibArchiveKind::kTar: return &SetupTar;
  }
  return &SetupTar;
}

// Where an archive of the kind may start inside an executable whose stub is
// larger than libarchive's own search reaches: the signature, how far before
// it the archive starts, and a quick check of the bytes at that start.
struct SfxMark {
  std::string_view signature;
  std::int64_t lead;
  bool (*plausible)(const ArchiveFile&, std::int64_t start);
};

bool AnyStart(const ArchiveFile&, std::int64_t) { return true; }

// An LHA header: a "-lh?-" or "-lz?-" method at offset 2 and a header
// level 0-3 at 20.
bool LhaStart(const ArchiveFile& file, std::int64_t start) {
  unsigned char head[21];
  if (!file.ReadExactly(start, head, sizeof head)) return false;
  return head[2] == '-' && head[3] == 'l' && (head[4] == 'h' || head[4] == 'z') && head[6] == '-' && head[20] <= 3;
}

const SfxMark* SfxMarkFor(LibArchiveKind kind) {
  using namespace std::string_view_literals;
  static const SfxMark lha{"-l"sv, 2, &LhaStart};
  static const SfxMark cab{"MSCF\0\0\0\0"sv, 0, &AnyStart};
  static const SfxMark rar{"Rar!\x1a\x07"sv, 0, &AnyStart};
  switch (kind) {
    case LibArchiveKind::kLha: return &lha;
    case LibArchiveKind::kCab: return &cab;
    case LibArchiveKind::kRar: return &rar;
    default: return nullptr;  // ZIP is found from its end; tar never has a stub
  }
}

class LibArchiveSource final : public EntrySource {
 public:
  LibArchiveSource(std::shared_ptr<const ArchiveFile> file, LibArchiveKind kind)
      : file_(std::move(file)), kind_(kind), setup_(SetupFor(kind)) {}

  bool OpenAt(std::int64_t base) {
    base_ = base;
    return Rewind();
  }

  bool Rewind() override {
    ScopedUtf8Locale utf8;
    state_ = ReadResult::kEntry;
    return reader_.Open(file_, base_, LibArchiveReader::kNoLimit, setup_);
  }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    if (reader_.get() == nullptr) return state_ = ReadResult::kBroken;
    ScopedUtf8Locale utf8;
    struct archive_entry* header = nullptr;
    if (const ReadResult result = NextArchiveHeader(reader_.get(), header); result != ReadResult::kEntry)
      return state_ = result;
    Fill(header, entry);
    return ReadResult::kEntry;
  }

  DataResult ReadData(const DataSink& sink) override {
    if (state_ != ReadResult::kEntry || reader_.get() == nullptr) return DataResult::kBroken;
    ScopedUtf8Locale utf8;
    bool fatal = false;
    const DataResult result = CopyArchiveData(reader_.get(), sink, fatal);
    if (fatal) state_ = ReadResult::kBroken;
    return result;
  }

 private:
  void Fill(struct archive_entry* header, Entry& entry) const {
    FillEntryFromHeader(reader_.get(), header, entry);
    if (kind_ == LibArchiveKind::kLha) FillFromLhaHeader(entry);
  }

  void FillFromLhaHeader(Entry& entry) const {
    const la_int64_t position = archive_read_header_position(reader_.get());
    if (position < 0) return;
    const auto facts = ReadLhaHeaderFacts(*file_, base_ + position);
    if (!facts) return;
    entry.packedSize = facts->packedSize;
    entry.crc = facts->crc;
    entry.osType = facts->osType;
  }

  std::shared_ptr<const ArchiveFile> file_;
  LibArchiveKind kind_;
  LibArchiveReader::Setup setup_;
  LibArchiveReader reader_;
  std::int64_t base_ = 0;
  ReadResult state_ = ReadResult::kEntry;
};

// Inside an executable a signature proves nothing: the stub's code and data
// may hold any bytes. A start counts only when its first header reads, or,
// for ZIP, whose reader starts from a checked end record, when that record
// says the archive is empty.
bool FirstHeaderReads(LibArchiveSource& source, LibArchiveKind kind) {
  Entry first;
  switch (source.Next(first)) {
    case ReadResult::kEntry: break;
    case ReadResult::kEnd:
      if (kind != LibArchiveKind::kZip) return false;
      break;
    case ReadResult::kBroken: return false;
  }
  return source.Rewind();
}

// Tries each place where the signature shows, past a false start that
// libarchive's own search may have taken; candidates whose first header does
// not read are passed over.
std::unique_ptr<EntrySource> OpenInsideExecutable(const std::shared_ptr<const ArchiveFile>& file,
                                                  LibArchiveKind kind) {
  const SfxMark* mark = SfxMarkFor(kind);
  if (mark == nullptr) return nullptr;
  SignatureScan scan(*file, 0, kSfxWindow + mark->lead, mark->signature);
  for (int tries = 0; tries < kSfxCandidateLimit;) {
    const auto hit = scan.Next();
    if (!hit) break;
    const std::int64_t start = *hit - mark->lead;
    if (start <= 0 || !mark->plausible(*file, start)) continue;
    ++tries;
    auto source = std::make_unique<LibArchiveSource>(file, kind);
    if (source->OpenAt(start) && FirstHeaderReads(*source, kind)) return source;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<EntrySource> OpenLibArchiveSource(std::shared_ptr<const ArchiveFile> file, LibArchiveKind kind) {
  auto source = std::make_unique<LibArchiveSource>(file, kind);
  const bool executable = file->IsExecutable();
  // A file that starts with the format is taken as it is: a damaged header
  // ends its listing rather than its opening.
  if (source->OpenAt(0) && (!executable || FirstHeaderReads(*source, kind))) return source;
  return executable ? OpenInsideExecutable(file, kind) : nullptr;
}

}  // namespace dv
