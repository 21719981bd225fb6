#include "libraries/core/create/NewArchive.h"

#include <archive_entry.h>

#include <optional>

#include "libraries/core/create/EntryNames.h"
#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/NameText.h"
#include "libraries/core/read/Utf8Locale.h"
#include "libraries/core/util/DiskFiles.h"
#include "libraries/core/util/FileIo.h"

namespace dv {
namespace {

struct EntryFree {
  void operator()(struct archive_entry* entry) const { archive_entry_free(entry); }
};

bool Option(struct archive* writer, const std::string& option) {
  return archive_write_set_options(writer, option.c_str()) == ARCHIVE_OK;
}

}  // namespace

std::unique_ptr<NewArchive> NewArchive::Create(const std::string& target, ArchiveKind kind,
                                               const Compression* compression, int level) {
  const auto [folderName, finalName] = SplitPath(target);
  if (finalName.empty()) return nullptr;
  auto folder = Folder::Open(folderName);
  if (!folder) return nullptr;
  std::string temporary;
  // A hidden name: a pattern among the names to store passes it by.
  UniqueFd file = folder->CreateUnique("." + finalName + ".", 0666, temporary);
  if (!file) return nullptr;
  std::unique_ptr<NewArchive> archive(
      new NewArchive(std::move(*folder), std::move(file), std::move(temporary), finalName));
  if (!archive->SetUp(kind, compression, level)) return nullptr;
  return archive;
}

bool NewArchive::SetUp(ArchiveKind kind, const Compression* compression, int level) {
  kind_ = kind;
  writer_ = archive_write_new();
  if (writer_ == nullptr) return false;
  const std::string digit = std::to_string(level);
  if (kind == ArchiveKind::kZip) {
    if (archive_write_set_format_zip(writer_) != ARCHIVE_OK) return false;
    if (const char* names = ZipNameOption(); names != nullptr && !Option(writer_, names)) return false;
    if (level == 0) {
      if (archive_write_zip_set_compression_store(writer_) != ARCHIVE_OK) return false;
    } else if (archive_write_zip_set_compression_deflate(writer_) != ARCHIVE_OK ||
               (level > 0 && !Option(writer_, "zip:compression-level=" + digit))) {
      return false;
    }
  } else if (kind == ArchiveKind::kSevenZip) {
    // The writer's own default method is LZMA1; 7-Zip's is LZMA2.
    if (archive_write_set_format_7zip(writer_) != ARCHIVE_OK ||
        !Option(writer_, level == 0 ? "7zip:compression=store" : "7zip:compression=lzma2") ||
        (level > 0 && !Option(writer_, "7zip:compression-level=" + digit)))
      return false;
  } else {
    if (archive_write_set_format_pax_restricted(writer_) != ARCHIVE_OK) return false;
    // A level below the compression's lowest is its own default.
    if (compression != nullptr &&
        (compression->writeFilter == nullptr || compression->writeFilter(writer_) != ARCHIVE_OK ||
         (level >= compression->lowestLevel &&
          !Option(writer_, std::string(compression->name) + ":compression-level=" + digit))))
      return false;
  }
  return archive_write_open_fd(writer_, file_.get()) == ARCHIVE_OK;
}

NewArchive::~NewArchive() {
  if (writer_ != nullptr) archive_write_free(writer_);
  if (!committed_) folder_.Remove(temporary_);
}

AddResult NewArchive::Add(const Entry& entry, const std::function<DataResult(const DataSink&)>& fill) {
  // A 7z stores names as UTF-16. The writer would put U+FFFD for each byte
  // it cannot read and keep the rest: a Shift-JIS name's 0x5C trail bytes
  // would become folder separators.
  if (kind_ == ArchiveKind::kSevenZip && !IsUtf8(entry.path)) return AddResult::kNameRefused;
  std::optional<ScopedUtf8Locale> utf8;
  std::optional<ScopedCLocale> bytes;
  if (IsUtf8(entry.path))
    utf8.emplace();
  else
    bytes.emplace();
  std::unique_ptr<struct archive_entry, EntryFree> header(archive_entry_new());
  if (!header) return AddResult::kWriteFailed;
  // 7-Zip stores a folder by its name alone; its attributes say it is one.
  std::string path = entry.path;
  if (kind_ == ArchiveKind::kSevenZip && entry.IsDirectory())
    while (path.size() > 1 && path.back() == '/') path.pop_back();
  SetStoredPath(header.get(), path);
  const bool file = entry.kind == EntryKind::kFile;
  archive_entry_set_filetype(header.get(), entry.IsDirectory()                 ? AE_IFDIR
                                           : entry.kind == EntryKind::kSymlink ? AE_IFLNK
                                                                               : AE_IFREG);
  archive_entry_set_perm(header.get(), entry.permissions.value_or(entry.IsDirectory() ? 0755 : 0644) & 07777);
  if (entry.modified) archive_entry_set_mtime(header.get(), *entry.modified, 0);
  if (entry.kind == EntryKind::kSymlink) SetStoredLinkTarget(header.get(), entry.linkTarget);
  if (!file)
    archive_entry_set_size(header.get(), 0);
  else if (entry.size)
    archive_entry_set_size(header.get(), static_cast<la_int64_t>(*entry.size));
  if (archive_write_header(writer_, header.get()) < ARCHIVE_WARN) return AddResult::kWriteFailed;
  if (file) {
    bool written = true;
    const DataResult data = fill([&](const void* bytes, std::size_t size) {
      written = archive_write_data(writer_, bytes, size) == static_cast<la_ssize_t>(size);
      return written;
    });
    if (!written) return AddResult::kWriteFailed;
    if (data != DataResult::kDone) return AddResult::kDataFailed;
  }
  return archive_write_finish_entry(writer_) < ARCHIVE_WARN ? AddResult::kWriteFailed : AddResult::kAdded;
}

bool NewArchive::Commit(std::optional<mode_t> mode) {
  const bool closed = archive_write_close(writer_) == ARCHIVE_OK;
  archive_write_free(writer_);
  writer_ = nullptr;
  if (!closed || (mode && !StampOpenFile(file_.get(), *mode, std::nullopt, std::nullopt)) || !file_.Close())
    return false;
  if (!folder_.Replace(temporary_, finalName_)) return false;
  committed_ = true;
  return true;
}

namespace {

DataResult ReadDiskFile(const std::string& path, std::uint64_t size, const DataSink& sink) {
  const UniqueFd fd = OpenRegularFile(path, false);
  if (!fd) return DataResult::kBroken;
  std::uint64_t total = 0;
  // A file that grew while it was read would overrun its header's size.
  const DataResult result = ReadAll(
      fd.get(), [&](const void* data, std::size_t count) { return total <= size && sink(data, count); }, total);
  if (result != DataResult::kDone) return total > size ? DataResult::kBroken : result;
  return total == size ? DataResult::kDone : DataResult::kBroken;
}

}  // namespace

AddResult AddFromDisk(NewArchive& archive, const SourceFile& file) {
  return archive.Add(file.entry, [&file](const DataSink& sink) {
    return ReadDiskFile(file.diskPath, file.entry.size.value_or(0), sink);
  });
}

}  // namespace dv
