#include "libraries/core/read/LibArchiveSource.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/LhaHeader.h"
#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/RarFileCrc.h"
#include "libraries/core/read/SevenZipCoders.h"
#include "libraries/core/read/SignatureScan.h"
#include "libraries/core/read/Utf8Locale.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

void SetupLha(struct archive* a) {
  archive_read_support_format_lha(a);
  // libarchive stops the whole walk at a name it cannot make text, and
  // most LHA names are Shift-JIS without saying so. As Latin-1 every byte
  // is a character and every name reads; the real name is then taken from
  // the header's own bytes (LhaHeader).
  archive_read_set_format_option(a, "lha", "hdrcharset", "ISO-8859-1");
}
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
void SetupSevenZip(struct archive* a) { archive_read_support_format_7zip(a); }
void SetupTar(struct archive* a) {
  archive_read_support_format_tar(a);
  for (const Compression& compression : Compressions()) compression.readFilter(a);
}

// Where an archive of a format may start inside an executable whose stub is
// larger than libarchive's own search reaches: the signature, how far before
// it the archive starts, and a quick check of the bytes at that start.
struct SfxMark {
  std::string_view signature;
  std::int64_t lead;
  bool (*plausible)(const PositionalFile&, std::int64_t start);
};

bool AnyStart(const PositionalFile&, std::int64_t) { return true; }

// An LHA header: a "-lh?-" or "-lz?-" method at offset 2 and a header
// level 0-3 at 20.
bool LhaStart(const PositionalFile& file, std::int64_t start) {
  unsigned char head[21];
  if (!file.ReadExactly(start, head, sizeof head)) return false;
  return head[2] == '-' && head[3] == 'l' && (head[4] == 'h' || head[4] == 'z') && head[6] == '-' && head[20] <= 3;
}

// A 7z start header: the signature, two version bytes, then the CRC-32 of
// the 20 bytes after it (where the header database lies). Six bytes are
// easily met in a stub; a matching CRC is not.
bool SevenZipStart(const PositionalFile& file, std::int64_t start) {
  unsigned char head[32];
  if (!file.ReadExactly(start, head, sizeof head)) return false;
  return Crc32(head + 12, 20) == Le32(head + 8);
}

// Where libarchive's header for the entry Next gave last lies in the file.
struct HeaderPlace {
  struct archive* reader;
  const PositionalFile& file;
  std::int64_t base;  // where the archive starts
};

// LHA: the real name from the header's own bytes (libarchive's is read as
// Latin-1 here), and what libarchive leaves out of its entry.
void FixLhaEntry(const HeaderPlace& place, Entry& entry) {
  const la_int64_t position = archive_read_header_position(place.reader);
  if (position < 0) return;
  const auto facts = ReadLhaHeaderFacts(place.file, place.base + position);
  if (!facts) return;
  entry.packedSize = facts->packedSize;
  entry.crc = facts->crc;
  entry.osType = facts->osType;
  if (facts->path.empty()) return;
  entry.path = facts->path;
  if (entry.kind != EntryKind::kSymlink) return;
  // A link stores "name|target" as its name.
  if (const auto bar = entry.path.find('|'); bar != std::string::npos) {
    entry.linkTarget = entry.path.substr(bar + 1);
    entry.path.resize(bar);
  }
}

// RAR: the file's CRC, which libarchive does not give.
void FixRarEntry(const HeaderPlace& place, Entry& entry) {
  if (entry.kind != EntryKind::kFile || !entry.size) return;
  if (const la_int64_t position = archive_read_header_position(place.reader); position >= 0)
    entry.crc = RarFileCrc(place.file, place.base, position, *entry.size);
}

// A cabinet parts its names with '\'; libarchive turns it into '/' only in
// names it could make text. As text now, any '\' left parts names.
void FixCabEntry(const HeaderPlace&, Entry& entry) {
  std::replace(entry.path.begin(), entry.path.end(), '\\', '/');
  // libarchive makes the read-only attribute r-xr-xr-x; cabextract writes
  // such a file r--r--r--.
  if (entry.permissions && (*entry.permissions & 0222) == 0) {
    entry.permissions = 0444;
    entry.readOnly = true;
  }
}

bool IsExecutable(const PositionalFile& file) { return file.IsExecutable(); }

// Each format libarchive reads for us, with its quirks in one place.
struct LibArchiveFormat {
  Format format;
  void (*setup)(struct archive*);
  // Where one may start inside a stub larger than libarchive's own search
  // reaches; none: ZIP is found from its end, tar by its probe (TarProbe.h).
  std::optional<SfxMark> sfxMark{};
  // Whether the file may be a self-extractor, whose archive is looked for.
  bool (*executable)(const PositionalFile& file) = &IsExecutable;
  // What libarchive's entry lacks or has wrong for this format.
  void (*fixEntry)(const HeaderPlace& place, Entry& entry) = nullptr;
  // The whole directory is checked before the first entry: an empty
  // archive has proved itself (ZIP, 7z).
  bool emptyProvesItself = false;
  // The first header must read even at the file's start: all headers sit
  // in one block at the end, so one that does not read leaves nothing (7z).
  bool firstHeaderMustRead = false;
  // Skipping data crosses folders and fails: data passed over is read and
  // thrown away once data is read at all (CAB).
  bool readPassedData = false;
  // Folders may need coders libarchive lacks, and encrypted data is passed
  // over only by opening afresh (7z).
  bool checksCoders = false;
};

// clang-format off
const LibArchiveFormat kLibArchiveFormats[] = {
    {.format = Format::kLha, .setup = &SetupLha, .sfxMark = SfxMark{"-l", 2, &LhaStart}, .fixEntry = &FixLhaEntry},
    {.format = Format::kZip, .setup = &SetupZip, .emptyProvesItself = true},
    {.format = Format::kCab,
     .setup = &SetupCab,
     .sfxMark = SfxMark{std::string_view("MSCF\0\0\0\0", 8), 0, &AnyStart},
     .fixEntry = &FixCabEntry,
     .readPassedData = true},
    {.format = Format::kRar, .setup = &SetupRar, .sfxMark = SfxMark{"Rar!\x1a\x07", 0, &AnyStart},
     .fixEntry = &FixRarEntry},
    {.format = Format::kTar, .setup = &SetupTar},
    {.format = Format::kSevenZip,
     .setup = &SetupSevenZip,
     .sfxMark = SfxMark{kSevenZipSignature, 0, &SevenZipStart},
     .executable = &IsSevenZipExecutable,
     .emptyProvesItself = true,
     .firstHeaderMustRead = true,
     .checksCoders = true},
};
// clang-format on

// The row of `format`; nullptr for one libarchive does not read for us (ARJ).
const LibArchiveFormat* LibArchiveFormatOf(Format format) {
  for (const LibArchiveFormat& row : kLibArchiveFormats)
    if (row.format == format) return &row;
  return nullptr;
}

class LibArchiveSource final : public EntrySource {
 public:
  LibArchiveSource(std::shared_ptr<const PositionalFile> file, const LibArchiveFormat& format)
      : file_(std::move(file)), format_(format) {}

  bool OpenAt(std::int64_t base) {
    base_ = base;
    if (format_.checksCoders) undecodable_ = SevenZipUndecodableCoders(*file_, base);
    return Rewind();
  }

  bool Rewind() override {
    ScopedUtf8Locale utf8;
    state_ = ReadResult::kEntry;
    entryPending_ = false;
    given_ = 0;
    dataDecoded_ = false;
    return reader_.Open(file_, base_, LibArchiveReader::kNoLimit, format_.setup);
  }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    if (reader_.get() == nullptr) return state_ = ReadResult::kBroken;
    ScopedUtf8Locale utf8;
    if (!PassUntouchedData() || !PassEncryptedSevenZipData()) return state_ = ReadResult::kBroken;
    struct archive_entry* header = nullptr;
    if (const ReadResult result = NextArchiveHeader(reader_.get(), header); result != ReadResult::kEntry)
      return state_ = result;
    Fill(header, entry);
    MarkUndecodable(entry);
    entryPending_ = true;
    dataTouched_ = false;
    pendingEncrypted_ = entry.encrypted;
    ++given_;
    return ReadResult::kEntry;
  }

  DataResult ReadData(const DataSink& sink) override {
    if (state_ != ReadResult::kEntry || reader_.get() == nullptr) return DataResult::kBroken;
    ScopedUtf8Locale utf8;
    dataTouched_ = true;
    dataDecoded_ = true;
    bool fatal = false;
    const DataResult result = CopyArchiveData(reader_.get(), sink, fatal);
    if (fatal) state_ = ReadResult::kBroken;
    return result;
  }

  // libarchive's CAB reader puts off skipping until data is read, and then
  // fails when the skip crosses a folder: the entries of a later folder
  // could not be read once an earlier one was passed over. Reading their
  // data and throwing it away never crosses anything.
  void ExpectDataReads() override { discardPassedData_ = format_.readPassedData; }

 private:
  // Reads away the data of the entry Next gave last when nothing read it
  // and the reader must not skip it; false when that data fails.
  bool PassUntouchedData() {
    if (!discardPassedData_ || !entryPending_ || dataTouched_) return true;
    dataTouched_ = true;
    bool fatal = false;
    return CopyArchiveData(
               reader_.get(), [](const void*, std::size_t) { return true; }, fatal) == DataResult::kDone;
  }

  // libarchive passes over a 7z entry's data by decoding it once any data
  // has been decoded since the archive opened, and encrypted data does not
  // decode: the walk would end at an encrypted entry passed over. Opened
  // afresh and walked to that entry by headers alone, it passes the data by
  // its size.
  bool PassEncryptedSevenZipData() {
    if (!format_.checksCoders || !entryPending_ || dataTouched_ || !pendingEncrypted_ || !dataDecoded_) return true;
    const std::size_t reached = given_;
    if (!Rewind()) return false;
    struct archive_entry* header = nullptr;
    for (std::size_t i = 0; i < reached; ++i)
      if (NextArchiveHeader(reader_.get(), header) != ReadResult::kEntry) return false;
    given_ = reached;
    return true;
  }

  // An entry whose folder needs a coder libarchive lacks cannot be
  // unpacked; its method says which.
  void MarkUndecodable(Entry& entry) const {
    if (!undecodable_ || given_ >= undecodable_->size() || (*undecodable_)[given_].empty()) return;
    entry.dataReadable = false;
    entry.method = (*undecodable_)[given_];
  }

  void Fill(struct archive_entry* header, Entry& entry) const {
    FillEntryFromHeader(reader_.get(), header, entry);
    if (format_.fixEntry != nullptr) format_.fixEntry({reader_.get(), *file_, base_}, entry);
  }

  std::shared_ptr<const PositionalFile> file_;
  const LibArchiveFormat& format_;
  LibArchiveReader reader_;
  std::int64_t base_ = 0;
  ReadResult state_ = ReadResult::kEntry;
  bool discardPassedData_ = false;
  bool entryPending_ = false;                            // Next gave an entry since the reader opened
  bool dataTouched_ = false;                             // ReadData (or the discarding) began on it
  bool pendingEncrypted_ = false;                        // that entry's data is encrypted
  bool dataDecoded_ = false;                             // ReadData ran since the reader opened
  std::size_t given_ = 0;                                // entries Next gave since the reader opened
  std::optional<std::vector<std::string>> undecodable_;  // of a 7z, by entry (SevenZipCoders.h)
};

// Inside an executable a signature proves nothing: the stub's code and data
// may hold any bytes. A start counts only when its first header reads, or,
// for ZIP, whose reader starts from a checked end record, when that record
// says the archive is empty.
bool FirstHeaderReads(LibArchiveSource& source, const LibArchiveFormat& format) {
  Entry first;
  switch (source.Next(first)) {
    case ReadResult::kEntry: break;
    case ReadResult::kEnd:
      // ZIP and 7z check their whole directory before the first entry, so
      // an empty one has proved itself.
      if (!format.emptyProvesItself) return false;
      break;
    case ReadResult::kBroken:
    case ReadResult::kVolumeMissing: return false;
  }
  return source.Rewind();
}

// Tries each place where the signature shows, past a false start that
// libarchive's own search may have taken; candidates whose first header does
// not read are passed over.
std::unique_ptr<EntrySource> OpenInsideExecutable(const std::shared_ptr<const PositionalFile>& file,
                                                  const LibArchiveFormat& format) {
  if (!format.sfxMark) return nullptr;
  const SfxMark& mark = *format.sfxMark;
  SignatureScan scan(*file, 0, kSfxWindow + mark.lead, mark.signature);
  for (int tries = 0; tries < kSfxCandidateLimit;) {
    const auto hit = scan.Next();
    if (!hit) break;
    const std::int64_t start = *hit - mark.lead;
    if (start <= 0 || !mark.plausible(*file, start)) continue;
    ++tries;
    auto source = std::make_unique<LibArchiveSource>(file, format);
    if (source->OpenAt(start) && FirstHeaderReads(*source, format)) return source;
  }
  return nullptr;
}

}  // namespace

bool IsSevenZipExecutable(const PositionalFile& file) {
  char magic[4];
  return file.IsExecutable() || (file.ReadExactly(0, magic, 4) && std::string_view(magic, 4) == "\177ELF");
}

std::unique_ptr<EntrySource> OpenLibArchiveSource(std::shared_ptr<const PositionalFile> file, Format format) {
  const LibArchiveFormat* row = LibArchiveFormatOf(format);
  if (row == nullptr) return nullptr;
  auto source = std::make_unique<LibArchiveSource>(file, *row);
  const bool executable = row->executable(*file);
  // A file that starts with the format is taken as it is: a damaged header
  // ends its listing rather than its opening. A 7z keeps every header in one
  // block at its end, so one whose first header does not read (cut short,
  // or headers encrypted) has nothing to list at all.
  if (source->OpenAt(0) && (!(executable || row->firstHeaderMustRead) || FirstHeaderReads(*source, *row)))
    return source;
  return executable ? OpenInsideExecutable(file, *row) : nullptr;
}

std::unique_ptr<EntrySource> OpenLibArchiveSourceAt(std::shared_ptr<const PositionalFile> file, Format format,
                                                    std::int64_t start) {
  const LibArchiveFormat* row = LibArchiveFormatOf(format);
  if (row == nullptr) return nullptr;
  auto source = std::make_unique<LibArchiveSource>(std::move(file), *row);
  if (!source->OpenAt(start)) return nullptr;
  return source;
}

}  // namespace dv
