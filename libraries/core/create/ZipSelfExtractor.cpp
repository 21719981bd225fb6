#include "libraries/core/create/ZipSelfExtractor.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/zip/ZipLayout.h"
#include "libraries/core/util/DiskFiles.h"
#include "libraries/core/util/FileIo.h"
#include "libraries/core/util/LittleEndian.h"
#include "libraries/core/util/UniqueFd.h"

namespace dv {
namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::uint32_t kFull32 = 0xFFFFFFFFu;

// A value written over `width` bytes at `at`.
struct Patch {
  std::int64_t at;
  std::uint64_t value;
  std::size_t width;  // 4 or 8
};

void Apply(const Patch& patch, std::int64_t blockAt, std::span<unsigned char> block) {
  unsigned char bytes[8];
  StoreLe64(bytes, patch.value);
  for (std::size_t i = 0; i < patch.width; ++i) {
    const std::int64_t where = patch.at + static_cast<std::int64_t>(i) - blockAt;
    if (where >= 0 && where < static_cast<std::int64_t>(block.size()))
      block[static_cast<std::size_t>(where)] = bytes[i];
  }
}

// The local header offset of a central record, as the patch that would
// write it again.
std::optional<Patch> LocalOffsetPatch(const unsigned char* record, const CentralRecordShape& shape) {
  const auto place = LocalOffsetOf(record, shape);
  if (!place) return std::nullopt;
  return Patch{static_cast<std::int64_t>(place->at), place->value, place->width};
}

// The patch's value moved by `shift`; nothing when that does not fit its
// field (a 32-bit field then would need a ZIP64 one it does not have).
std::optional<Patch> Moved(Patch patch, std::int64_t shift) {
  const std::uint64_t limit = patch.width == 4 ? kFull32 - 1 : std::numeric_limits<std::int64_t>::max();
  const auto distance = static_cast<std::uint64_t>(shift);
  if (distance > limit || patch.value > limit - distance) return std::nullopt;
  patch.value += distance;
  return patch;
}

struct Adjustment {
  ZipDirectory directory;
  std::int64_t shift = 0;
  std::vector<Patch> endPatches;  // of the records after the directory, at file offsets
  std::uint64_t entries = 0;
};

struct Refusal {
  int code;
  std::string why;
};

bool LocalHeaderAt(const PositionalFile& file, std::uint64_t at, std::int64_t before) {
  unsigned char signature[4];
  return at < static_cast<std::uint64_t>(before) && file.ReadExactly(static_cast<std::int64_t>(at), signature, 4) &&
         Le32(signature) == kZipLocalSignature;
}

// Reads and checks everything the adjustment will write.
std::optional<Refusal> Plan(const PositionalFile& file, Adjustment& plan) {
  const auto directory = FindZipDirectory(file);
  if (!directory) return Refusal{kErrorNotAnArchive, "no ZIP archive in"};
  plan.directory = *directory;
  // The stub's length: how far the directory is from where its end record
  // says it is.
  if (directory->storedStart > static_cast<std::uint64_t>(directory->start))
    return Refusal{kErrorBrokenArchive, "the directory lies before its recorded place in"};
  plan.shift = directory->start - static_cast<std::int64_t>(directory->storedStart);
  const std::int64_t shift = plan.shift;
  const auto distance = static_cast<std::uint64_t>(shift);
  if (directory->zip64 && directory->storedZip64End + distance != static_cast<std::uint64_t>(*directory->zip64EndAt))
    return Refusal{kErrorBrokenArchive, "the ZIP64 end record is not where its locator says in"};

  Refusal problem{kErrorBrokenArchive, "damaged archive in"};
  const auto checked = WalkCentralRecords(
      file, *directory, [&](const unsigned char* record, const CentralRecordShape& shape, std::int64_t) {
        const auto stored = LocalOffsetPatch(record, shape);
        const auto moved = stored ? Moved(*stored, shift) : std::nullopt;
        if (stored && !moved) problem = {kErrorNotSupported, "an offset would not fit its field in"};
        ++plan.entries;
        return moved && LocalHeaderAt(file, moved->value, directory->start);
      });
  if (!checked) return problem;

  // The end record's offset, unless it leaves the offset to the ZIP64 record.
  unsigned char end[kZipEndSize];
  if (!file.ReadExactly(directory->endAt, end, sizeof end)) return Refusal{kErrorBrokenArchive, "cannot read"};
  if (const Patch offset{directory->endAt + 16, Le32(end + 16), 4}; offset.value != kFull32) {
    // Too large a value is left to the ZIP64 record, when there is one.
    const auto moved = Moved(offset, shift);
    if (!moved && !directory->zip64) return Refusal{kErrorNotSupported, "an offset would not fit its field in"};
    plan.endPatches.push_back(moved ? *moved : Patch{offset.at, kFull32, 4});
  }
  if (directory->zip64) {
    plan.endPatches.push_back({*directory->zip64EndAt + 48, static_cast<std::uint64_t>(directory->start), 8});
    plan.endPatches.push_back({*directory->locatorAt + 8, static_cast<std::uint64_t>(*directory->zip64EndAt), 8});
  }
  for (const Patch& patch : plan.endPatches)
    if (patch.at < directory->end()) return Refusal{kErrorBrokenArchive, "end records inside the directory of"};
  return std::nullopt;
}

// Output gathered into blocks.
class BlockWriter {
 public:
  explicit BlockWriter(int fd) : fd_(fd) { buffer_.reserve(kBlock); }
  bool Write(const unsigned char* data, std::size_t size) {
    if (buffer_.size() + size > kBlock && !Flush()) return false;
    if (size >= kBlock) return WriteAll(fd_, data, size);
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
  }
  bool Flush() {
    const bool written = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
  }

 private:
  int fd_;
  std::vector<unsigned char> buffer_;
};

// Copies [from, to) of the file with `patches` written over it.
bool CopyPatched(const PositionalFile& file, std::int64_t from, std::int64_t to, std::span<const Patch> patches,
                 BlockWriter& out) {
  std::vector<unsigned char> block(kBlock);
  for (std::int64_t at = from; at < to;) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(kBlock, to - at));
    if (!file.ReadExactly(at, block.data(), count)) return false;
    for (const Patch& patch : patches) Apply(patch, at, std::span(block.data(), count));
    if (!out.Write(block.data(), count)) return false;
    at += static_cast<std::int64_t>(count);
  }
  return true;
}

// A new file beside the target, removed unless it is moved over the target.
class Replacement {
 public:
  static std::optional<Replacement> Create(const std::string& target) {
    auto [folderName, finalName] = SplitPath(target);
    auto folder = Folder::Open(folderName);
    if (finalName.empty() || !folder) return std::nullopt;
    Replacement made(std::move(*folder), std::move(finalName));
    made.file_ = made.folder_.CreateUnique("." + made.finalName_ + ".", 0600, made.temporary_);
    if (!made.file_) return std::nullopt;
    return made;
  }
  Replacement(Replacement&&) = default;
  Replacement& operator=(Replacement&&) = delete;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  ~Replacement() {
    if (!temporary_.empty()) folder_.Remove(temporary_);
  }

  int fd() const { return file_.get(); }
  // Gives the new file `mode` and moves it over the target.
  bool Commit(mode_t mode) {
    if (!StampOpenFile(file_.get(), mode, std::nullopt, std::nullopt) || !file_.Close()) return false;
    if (!folder_.Replace(temporary_, finalName_)) return false;
    temporary_.clear();
    return true;
  }

 private:
  Replacement(Folder folder, std::string finalName) : folder_(std::move(folder)), finalName_(std::move(finalName)) {}
  Folder folder_;
  UniqueFd file_;
  std::string temporary_, finalName_;
};

bool WriteAdjusted(const PositionalFile& file, const Adjustment& plan, int fd) {
  BlockWriter out(fd);
  const ZipDirectory& directory = plan.directory;
  if (!CopyPatched(file, 0, directory.start, {}, out)) return false;
  std::vector<unsigned char> copy;
  const auto recordsEnd = WalkCentralRecords(
      file, directory, [&](const unsigned char* record, const CentralRecordShape& shape, std::int64_t) {
        const auto stored = LocalOffsetPatch(record, shape);
        const auto moved = stored ? Moved(*stored, plan.shift) : std::nullopt;
        if (!moved) return false;
        copy.assign(record, record + shape.Size());
        Apply(*moved, 0, copy);
        return out.Write(copy.data(), copy.size());
      });
  return recordsEnd && CopyPatched(file, *recordsEnd, file.size(), plan.endPatches, out) && out.Flush();
}

}  // namespace

CommandResult AdjustZipSelfExtractor(const Command& command) {
  const std::string& path = command.archive;
  const auto file = PositionalFile::Open(path.c_str());
  if (!file) return {kErrorArchiveNotFound, "cannot open " + path};
  Adjustment plan;
  if (const auto refused = Plan(*file, plan)) return {refused->code, refused->why + " " + path};
  const std::string checked = std::to_string(plan.entries) + " entries checked";
  if (plan.shift == 0) return {kOk, checked + ", offsets already count from the file's start"};
  const auto info = LookAt(path, true);
  if (!info) return {kErrorArchiveNotFound, "cannot open " + path};
  if ((info->mode & 0222) == 0) return {kErrorCannotCreate, "read-only, not adjusted: " + path};
  auto replacement = Replacement::Create(path);
  if (!replacement) return {kErrorCannotCreate, "cannot write beside " + path};
  if (!WriteAdjusted(*file, plan, replacement->fd()) || !replacement->Commit(info->mode))
    return {kErrorCannotCreate, "cannot write " + path};
  return {kOk, checked + ", offsets moved by " + std::to_string(plan.shift) + " bytes"};
}

}  // namespace dv
