#include "libraries/core/read/TarProbe.h"

#include <archive.h>
#include <archive_entry.h>
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/SignatureScan.h"
#include "libraries/core/read/bzip2/Bzip2BlockFinder.h"

namespace dv {
namespace {

// Only the filter of the outer layer: what it unpacks is looked at as data.
LibArchiveReader::Setup RawSetup(const Compression& compression) {
  return [&compression](struct archive* a) {
    archive_read_support_format_raw(a);
    compression.readFilter(a);
  };
}

// Whether the header at `start` is whole. Never for a compression whose data
// cut inside its first block gives not one byte (bzip2): what it holds
// cannot be known; nor for one that unpacks as far as it goes (compress).
bool HeaderWhole(const PositionalFile& file, std::int64_t start, const Compression* compression) {
  return compression != nullptr && compression->headerWhole != nullptr && compression->headerWhole(file, start);
}

// How the gzip or xz data at `start` unpacks within the probe's input
// limit: its first bytes (up to a tar block), and whether the data fails on
// the way rather than only running out.
struct Head {
  std::string bytes;
  bool damaged = false;
};

template <typename Step>
Head UnpackWith(const PositionalFile& file, std::int64_t start, Step step) {
  Head head;
  unsigned char in[4096];
  char out[16384];
  for (std::int64_t at = start; at - start < kTarProbeInputLimit;) {
    const std::int64_t got = file.ReadAt(at, in, sizeof in);
    if (got <= 0) break;
    at += got;
    std::size_t used = 0;
    while (used < static_cast<std::size_t>(got)) {
      std::size_t produced = 0;
      const std::size_t before = used;
      const int result = step(in + used, static_cast<std::size_t>(got) - used, out, sizeof out, used, produced);
      if (result == 0 && used == before && produced == 0) return head;  // no progress: nothing more comes
      if (head.bytes.size() < 512) head.bytes.append(out, std::min<std::size_t>(produced, 512 - head.bytes.size()));
      if (result < 0) {
        head.damaged = true;
        return head;
      }
      if (result > 0) return head;  // the stream ended whole
    }
  }
  return head;
}

// Nothing for a packing with no decoder here.
std::optional<Head> UnpackHead(const PositionalFile& file, std::int64_t start, const Compression& compression) {
  // A step: from `in` past `used` into `out`; -1 on damage, 1 at the
  // stream's end, else 0.
  if (compression.plainType == kGzipOnly) {
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) return std::nullopt;
    const Head head = UnpackWith(file, start,
                                 [&](const unsigned char* in, std::size_t size, char* out, std::size_t room,
                                     std::size_t& used, std::size_t& produced) {
                                   stream.next_in = const_cast<Bytef*>(in);
                                   stream.avail_in = static_cast<uInt>(size);
                                   stream.next_out = reinterpret_cast<Bytef*>(out);
                                   stream.avail_out = static_cast<uInt>(room);
                                   const int status = inflate(&stream, Z_NO_FLUSH);
                                   used += size - stream.avail_in;
                                   produced = room - stream.avail_out;
                                   return status == Z_STREAM_END ? 1 : status == Z_OK || status == Z_BUF_ERROR ? 0 : -1;
                                 });
    inflateEnd(&stream);
    return head;
  }
  if (compression.plainType == kXzOnly) {
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&stream, UINT64_MAX, 0) != LZMA_OK) return std::nullopt;
    const Head head =
        UnpackWith(file, start,
                   [&](const unsigned char* in, std::size_t size, char* out, std::size_t room, std::size_t& used,
                       std::size_t& produced) {
                     stream.next_in = in;
                     stream.avail_in = size;
                     stream.next_out = reinterpret_cast<std::uint8_t*>(out);
                     stream.avail_out = room;
                     const lzma_ret status = lzma_code(&stream, LZMA_RUN);
                     used += size - stream.avail_in;
                     produced = room - stream.avail_out;
                     return status == LZMA_STREAM_END ? 1 : status == LZMA_OK || status == LZMA_BUF_ERROR ? 0 : -1;
                   });
    lzma_end(&stream);
    return head;
  }
  return std::nullopt;
}

// A file the filter refused to open after taking its header: its data ends
// or fails before the filter's first buffer is full. Cut short, it is still
// a file of that compression, taken as a plain compressed one (whose
// unpacking then fails) unless what it holds is known to be a tar, or
// cannot be known at all (HeaderWhole): that stays refused, as a cut tar
// always was, and so does data that is damaged rather than cut. A
// compression with no decoder here: libarchive's reason tells.
bool CutShortButPlain(const PositionalFile& file, std::int64_t start, const Compression& compression,
                      const std::string& reason) {
  if (!HeaderWhole(file, start, &compression)) return false;
  const auto head = UnpackHead(file, start, compression);
  if (!head) return reason.find("Truncated") != std::string::npos;
  if (head->damaged) return false;
  if (head->bytes.size() < 512) return true;
  unsigned char block[512];
  std::memcpy(block, head->bytes.data(), sizeof block);
  return !IsTarHeader(block);
}

// Unpacks the first block. False when the filter does not take the file;
// `tar` tells whether one unpacked layer down there is a tar header.
bool UnpackFirstBlock(std::shared_ptr<const PositionalFile> file, std::int64_t start, const Compression& compression,
                      bool& tar) {
  LibArchiveReader reader;
  tar = false;
  if (!reader.Open(file, start, kTarProbeInputLimit, RawSetup(compression)))
    return CutShortButPlain(*file, start, compression, reader.openError());
  // One filter alone is the file itself: the magic bytes were there but the
  // unpacker refused the header after them, so the file is no such file.
  // Two filters means one unpacking layer over the file itself; a second
  // layer (a .gz inside a .gz) holds compressed data, not a tar.
  const int filters = archive_filter_count(reader.get());
  if (filters < 2) return false;
  if (filters != 2) return true;
  struct archive_entry* header = nullptr;
  if (archive_read_next_header(reader.get(), &header) != ARCHIVE_OK) return true;
  unsigned char block[512];
  std::size_t filled = 0;
  while (filled < sizeof block) {
    const la_ssize_t count = archive_read_data(reader.get(), block + filled, sizeof block - filled);
    if (count <= 0) break;
    filled += static_cast<std::size_t>(count);
  }
  tar = filled == sizeof block && IsTarHeader(block);
  return true;
}

bool IsOctal(unsigned char c) { return c >= '0' && c <= '7'; }

// A numeric field as the tar reader takes it: base-256 (led by 0x80 or
// 0xFF) or empty (led by NUL), or octal digits led by spaces and padded
// with spaces or NULs.
bool NumberFieldReads(const unsigned char* field, std::size_t length) {
  if (field[0] == 0x80 || field[0] == 0xFF || field[0] == '\0') return true;
  std::size_t i = 0;
  while (i < length && field[i] == ' ') ++i;
  while (i < length && IsOctal(field[i])) ++i;
  for (; i < length; ++i)
    if (field[i] != ' ' && field[i] != '\0') return false;
  return true;
}

// The type of what starts at `start`.
TarType ProbeAt(const std::shared_ptr<const PositionalFile>& file, std::int64_t start) {
  const Compression* compression = CompressionAt(*file, start);
  if (compression == nullptr) {
    unsigned char block[512];
    return file->ReadExactly(start, block, sizeof block) && IsTarHeader(block) ? kTarPlain : kTarOther;
  }
  bool tar = false;
  if (!UnpackFirstBlock(file, start, *compression, tar)) return kTarOther;
  return tar ? compression->tarType : compression->plainType;
}

// Where a tar-family archive may start inside an executable: a signature,
// how far into the archive it lies, and a cheap look at the start before a
// full try.
struct SfxSign {
  std::string_view signature;
  std::int64_t lead;
  bool (*plausible)(const PositionalFile&, std::int64_t start);
  bool cheap;  // `plausible` already decides: no try to count
};

bool TarHeaderAt(const PositionalFile& file, std::int64_t start) {
  unsigned char block[512];
  return file.ReadExactly(start, block, sizeof block) && IsTarHeader(block);
}

// Passes over the occurrences of several signatures in file order.
class SfxCandidates {
 public:
  SfxCandidates(const PositionalFile& file, std::span<const SfxSign> signs) : signs_(signs) {
    for (const SfxSign& sign : signs) {
      scans_.emplace_back(file, 0, kSfxWindow + sign.lead, sign.signature);
      next_.push_back(scans_.back().Next());
    }
  }
  SfxCandidates(const SfxCandidates&) = delete;
  SfxCandidates& operator=(const SfxCandidates&) = delete;

  // The earliest archive start left and its sign; nothing once all are used.
  std::optional<std::pair<std::int64_t, const SfxSign*>> Next() {
    const auto startOf = [this](std::size_t i) { return *next_[i] - signs_[i].lead; };
    std::size_t earliest = signs_.size();
    for (std::size_t i = 0; i < signs_.size(); ++i)
      if (next_[i] && (earliest == signs_.size() || startOf(i) < startOf(earliest))) earliest = i;
    if (earliest == signs_.size()) return std::nullopt;
    const std::int64_t start = startOf(earliest);
    next_[earliest] = scans_[earliest].Next();
    return std::pair{start, &signs_[earliest]};
  }

 private:
  std::span<const SfxSign> signs_;
  std::deque<SignatureScan> scans_;  // a SignatureScan keeps a reference to the file and never moves
  std::vector<std::optional<std::int64_t>> next_;
};

// A tar header, and each compression that is looked for in a stub.
std::vector<SfxSign> SfxSigns() {
  using namespace std::string_view_literals;
  std::vector<SfxSign> signs{{"ustar"sv, 257, &TarHeaderAt, true}};
  for (const Compression& compression : Compressions())
    if (!compression.stubSignature.empty())
      signs.push_back({compression.stubSignature, compression.stubLead, compression.stubPlausible, false});
  return signs;
}

// Only a tar counts: compressed data alone may be any part of the stub.
bool IsSfxTar(TarType type) {
  if (type == kTarPlain) return true;
  const Compression* compression = CompressionOfType(type);
  return compression != nullptr && type == compression->tarType && !compression->stubSignature.empty();
}

TarFind FindInsideExecutable(const std::shared_ptr<const PositionalFile>& file) {
  static const std::vector<SfxSign> kSigns = SfxSigns();
  // Even a cheap look reads the file: a stub full of "ustar" gets a bound too.
  constexpr int kLookLimit = 1024;
  SfxCandidates candidates(*file, kSigns);
  for (int tries = 0, looks = 0; tries < kSfxCandidateLimit && looks < kLookLimit; ++looks) {
    const auto candidate = candidates.Next();
    if (!candidate) break;
    const auto [start, sign] = *candidate;
    if (start <= 0 || !sign->plausible(*file, start)) continue;
    if (!sign->cheap) ++tries;
    if (const TarType type = ProbeAt(file, start); IsSfxTar(type)) return {type, start};
  }
  return {};
}

}  // namespace

bool IsTarHeader(const unsigned char (&block)[512]) {
  constexpr std::size_t kSumAt = 148, kSumLength = 8, kTypeAt = 156;
  unsigned long unsignedSum = 0;
  long signedSum = 0;
  for (std::size_t i = 0; i < sizeof block; ++i) {
    const bool inField = i >= kSumAt && i < kSumAt + kSumLength;
    unsignedSum += inField ? ' ' : block[i];
    signedSum += inField ? ' ' : static_cast<signed char>(block[i]);
  }
  // The field holds only octal digits, spaces and NULs; its number is the
  // digits after any leading spaces.
  for (std::size_t i = kSumAt; i < kSumAt + kSumLength; ++i)
    if (!IsOctal(block[i]) && block[i] != ' ' && block[i] != '\0') return false;
  std::size_t i = kSumAt;
  while (i < kSumAt + kSumLength && block[i] == ' ') ++i;
  unsigned long stored = 0;
  for (; i < kSumAt + kSumLength && IsOctal(block[i]); ++i) stored = stored * 8 + (block[i] - '0');
  // An all-zero block (the end marker) sums to the spaces alone: no header.
  if (block[0] == '\0') return false;
  if (stored != unsignedSum && static_cast<long>(stored) != signedSum) return false;
  // What libarchive's tar reader also demands before it takes a header, so
  // that a file this calls a tar always opens as one: a type letter or
  // digit (or NUL), and numbers it can read in mode, uid, gid, size, mtime
  // and the device numbers.
  const unsigned char type = block[kTypeAt];
  const bool letterOrDigit =
      (type >= '0' && type <= '9') || (type >= 'A' && type <= 'Z') || (type >= 'a' && type <= 'z');
  if (type != '\0' && !letterOrDigit) return false;
  constexpr std::pair<std::size_t, std::size_t> kNumbers[] = {{100, 8},  {108, 8}, {116, 8}, {124, 12},
                                                              {136, 12}, {329, 8}, {337, 8}};
  for (const auto& [at, length] : kNumbers)
    if (!NumberFieldReads(block + at, length)) return false;
  return true;
}

LibArchiveReader::Setup RawUnpackSetup(TarType type) {
  const Compression* compression = CompressionOfType(type);
  if (compression == nullptr || type != compression->plainType) return nullptr;
  return RawSetup(*compression);
}

TarFind FindTarArchive(const std::shared_ptr<const PositionalFile>& file) {
  const TarType atStart = ProbeAt(file, 0);
  if (atStart != kTarOther || !file->IsExecutable()) return {atStart, 0};
  return FindInsideExecutable(file);
}

TarType ProbeTarType(const std::shared_ptr<const PositionalFile>& file) { return FindTarArchive(file).type; }

bool MemberMayStartAt(const PositionalFile& file, std::int64_t at, TarType type) {
  static constexpr unsigned char kGzipStart[] = {0x1F, 0x8B, 0x08};
  static constexpr unsigned char kBzip2Start[] = {'B', 'Z', 'h'};
  std::span<const unsigned char> start;
  if (type == kGzipOnly)
    start = kGzipStart;
  else if (type == kBzip2Only)
    start = kBzip2Start;
  else
    return false;
  unsigned char head[4] = {};
  const std::int64_t got = file.ReadAt(at, head, sizeof head);
  if (got <= 0) return false;
  const auto compared = std::min<std::size_t>(static_cast<std::size_t>(got), start.size());
  if (!std::equal(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(compared), head)) return false;
  // bzip2's fourth byte is the level.
  return type != kBzip2Only || got < 4 || (head[3] >= '1' && head[3] <= '9');
}

bool BeginsAsCompressedFile(const PositionalFile& file) {
  const Compression* compression = CompressionAt(file, 0);
  if (compression != nullptr && compression->plainType == kBzip2Only) return Bzip2StreamLevelAt(file, 0).has_value();
  return HeaderWhole(file, 0, compression);
}

}  // namespace dv
