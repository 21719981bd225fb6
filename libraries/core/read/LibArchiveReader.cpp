#include "libraries/core/read/LibArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "libraries/core/read/NameText.h"

namespace dv {
namespace {
// libarchive names the format with the method: "lha -lh5-", "ZIP 2.0
// (deflation)", "CAB 1.3 (MSZIP)". RAR and tar carry none.
std::string MethodFromFormatName(const char* name) {
  if (name == nullptr) return {};
  const std::string_view text(name);
  if (const auto dash = text.find("-l");
      dash != std::string_view::npos && dash + 5 <= text.size() && text[dash + 4] == '-')
    return std::string(text.substr(dash, 5));
  const auto open = text.find('('), close = text.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close <= open) return {};
  std::string method(text.substr(open + 1, close - open - 1));
  for (char& c : method) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (method == "uncompressed" || method == "none") return "stored";
  if (method == "deflation") return "deflate";
  return method;
}

// A hard link names an earlier entry and carries no data of its own.
EntryKind KindOf(struct archive_entry* header) {
  if (archive_entry_hardlink(header) != nullptr) return EntryKind::kHardlink;
  switch (archive_entry_filetype(header)) {
    case AE_IFREG: return EntryKind::kFile;
    case AE_IFDIR: return EntryKind::kDirectory;
    case AE_IFLNK: return EntryKind::kSymlink;
    default: return EntryKind::kOther;
  }
}

constexpr std::size_t kBlockSize = 64 * 1024;
}  // namespace

DataResult CopyArchiveData(struct archive* archive, const DataSink& sink, bool& fatal) {
  std::vector<char> buffer(kBlockSize);
  for (;;) {
    const la_ssize_t count = archive_read_data(archive, buffer.data(), buffer.size());
    if (count == 0) return DataResult::kDone;
    fatal = count == ARCHIVE_FATAL;
    if (count < 0) return DataResult::kBroken;
    if (!sink(buffer.data(), static_cast<std::size_t>(count))) return DataResult::kSinkFailed;
  }
}

ReadResult NextArchiveHeader(struct archive* archive, struct archive_entry*& header) {
  header = nullptr;
  const int status = archive_read_next_header(archive, &header);
  if (status == ARCHIVE_EOF) return ReadResult::kEnd;
  return status == ARCHIVE_OK || status == ARCHIVE_WARN ? ReadResult::kEntry : ReadResult::kBroken;
}

LibArchiveReader::~LibArchiveReader() { Close(); }

void LibArchiveReader::Close() {
  if (archive_ != nullptr) archive_read_free(archive_);
  archive_ = nullptr;
}

bool LibArchiveReader::Open(std::shared_ptr<const PositionalFile> file, std::int64_t base, std::int64_t limit,
                            Setup setup) {
  Close();
  file_ = std::move(file);
  base_ = std::clamp<std::int64_t>(base, 0, file_->size());
  end_ = limit >= file_->size() - base_ ? file_->size() : base_ + limit;
  position_ = 0;
  archive_ = archive_read_new();
  if (archive_ == nullptr) return false;
  setup(archive_);
  archive_read_set_callback_data(archive_, this);
  archive_read_set_read_callback(archive_, &LibArchiveReader::Read);
  archive_read_set_skip_callback(archive_, &LibArchiveReader::Skip);
  archive_read_set_seek_callback(archive_, &LibArchiveReader::Seek);
  openError_.clear();
  if (archive_read_open1(archive_) != ARCHIVE_OK) {
    if (const char* text = archive_error_string(archive_)) openError_ = text;
    Close();
    return false;
  }
  return true;
}

std::int64_t LibArchiveReader::Remaining() const { return std::max<std::int64_t>(0, end_ - base_ - position_); }

la_ssize_t LibArchiveReader::Read(struct archive* archive, void* self, const void** block) {
  auto& reader = *static_cast<LibArchiveReader*>(self);
  if (const unsigned char* held = reader.file_->Held()) {
    // The rest of the view in one block, straight from memory.
    const std::int64_t count = reader.Remaining();
    *block = count > 0 ? held + reader.base_ + reader.position_ : held;
    reader.position_ += count;
    return count;
  }
  if (reader.block_ == nullptr) reader.block_ = std::make_unique_for_overwrite<char[]>(kBlockSize);
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(reader.Remaining(), kBlockSize));
  *block = reader.block_.get();
  if (wanted == 0) return 0;
  const std::int64_t count = reader.file_->ReadAt(reader.base_ + reader.position_, reader.block_.get(), wanted);
  if (count < 0) {
    archive_set_error(archive, EIO, "read error");
    return ARCHIVE_FATAL;
  }
  reader.position_ += count;
  return count;
}

la_int64_t LibArchiveReader::Skip(struct archive*, void* self, la_int64_t request) {
  auto& reader = *static_cast<LibArchiveReader*>(self);
  // Skipping stops at the end of the view; libarchive then sees the short
  // skip and reports the archive as truncated.
  const std::int64_t skipped = std::clamp<std::int64_t>(request, 0, reader.Remaining());
  reader.position_ += skipped;
  return skipped;
}

la_int64_t LibArchiveReader::Seek(struct archive* archive, void* self, la_int64_t offset, int whence) {
  auto& reader = *static_cast<LibArchiveReader*>(self);
  const std::int64_t length = reader.end_ - reader.base_;
  std::int64_t target = offset;
  if (whence == SEEK_CUR)
    target += reader.position_;
  else if (whence == SEEK_END)
    target += length;
  else if (whence != SEEK_SET)
    target = -1;
  if (target < 0) {
    archive_set_error(archive, EINVAL, "seek outside the file");
    return ARCHIVE_FATAL;
  }
  reader.position_ = target;
  return target;
}

namespace {

// Formats whose names are always text of a declared charset: 7z (UTF-16),
// RAR 5 (UTF-8), pax (UTF-8 in its extended headers).
bool NamesAreDeclaredText(struct archive* archive) {
  switch (archive_format(archive)) {
    case ARCHIVE_FORMAT_7ZIP:
    case ARCHIVE_FORMAT_RAR_V5:
    case ARCHIVE_FORMAT_TAR_PAX_INTERCHANGE:
    case ARCHIVE_FORMAT_TAR_PAX_RESTRICTED: return true;
    default: return false;
  }
}

}  // namespace

void FillEntryFromHeader(struct archive* archive, struct archive_entry* header, Entry& entry) {
  entry = Entry{};
  // A name stored as text of a charset the format declares is exact in its
  // wide form on every system; the narrow one goes through the locale (on
  // Windows, where libarchive keeps such names wide, through no charset at
  // all). Other names are bytes as stored.
  const wchar_t* wide = NamesAreDeclaredText(archive) ? archive_entry_pathname_w(header) : nullptr;
  const char* path = wide != nullptr ? nullptr : archive_entry_pathname(header);
  if (wide == nullptr && path == nullptr) path = archive_entry_pathname_utf8(header);
  if (wide == nullptr && path == nullptr) wide = archive_entry_pathname_w(header);
  entry.path = wide != nullptr ? WideToUtf8(wide) : path != nullptr ? path : "";
  // Names libarchive could not make text come as stored.
  DecodeStoredName(entry.path);
  if (archive_entry_size_is_set(header)) entry.size = static_cast<std::uint64_t>(archive_entry_size(header));
  if (archive_entry_mtime_is_set(header)) entry.modified = archive_entry_mtime(header);
  if (archive_entry_atime_is_set(header)) entry.accessed = archive_entry_atime(header);
  if (archive_entry_birthtime_is_set(header)) entry.created = archive_entry_birthtime(header);
  entry.permissions = archive_entry_perm(header);
  entry.kind = KindOf(header);
  const char* target = entry.kind == EntryKind::kSymlink    ? archive_entry_symlink(header)
                       : entry.kind == EntryKind::kHardlink ? archive_entry_hardlink(header)
                                                            : nullptr;
  if (target != nullptr) {
    entry.linkTarget = target;
    DecodeStoredName(entry.linkTarget);
  }
  entry.method = MethodFromFormatName(archive_format_name(archive));
  entry.encrypted = archive_entry_is_data_encrypted(header) == 1;
}

}  // namespace dv
