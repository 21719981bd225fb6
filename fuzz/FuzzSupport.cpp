#include "fuzz/FuzzSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "contract/ResultCodes.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/UniqueFd.h"

namespace dvfuzz {
namespace {

std::string FileText(const std::string& path, const struct stat& info) {
  dv::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  dv::Crc32Accumulator crc;
  bool read = fd.get() >= 0;
  for (char buffer[65536]; read;) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      read = count == 0;
      break;
    }
    crc.Add(buffer, static_cast<std::size_t>(count));
  }
  std::string text = "f" + std::to_string(info.st_size) + ":" + (read ? std::to_string(crc.Value()) : "unreadable");
  if (info.st_nlink > 1) text += " links=" + std::to_string(info.st_nlink);
  return text;
}

}  // namespace

void Fault(Outcome& outcome, const std::string& text) {
  if (!outcome.faults.empty()) outcome.faults += "; ";
  outcome.faults += text;
}

bool WriteScratch(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
  dv::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd) return false;
  for (std::size_t done = 0; done < size;) {
    const ssize_t count = ::write(fd.get(), bytes + done, size - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return fd.Close();
}

FolderPicture PictureOf(const std::string& folder) {
  FolderPicture picture;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string path = it->path().string();
    const std::string relative = it->path().lexically_relative(folder).string();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      picture[relative] = "gone";
    } else if (S_ISDIR(info.st_mode)) {
      picture[relative] = "d";
    } else if (S_ISREG(info.st_mode)) {
      picture[relative] = FileText(path, info);
    } else if (S_ISLNK(info.st_mode)) {
      std::error_code ignored;
      picture[relative] = "l>" + std::filesystem::read_symlink(path, ignored).string();
    } else {
      picture[relative] = "s";
    }
  }
  if (error) picture["<walk failed>"] = error.message();
  return picture;
}

std::string FirstDifference(const FolderPicture& before, const FolderPicture& after) {
  auto a = before.begin();
  auto b = after.begin();
  for (; a != before.end() && b != after.end() && *a == *b; ++a, ++b) {
  }
  if (a == before.end() && b == after.end()) return "";
  if (b == after.end() || (a != before.end() && a->first < b->first)) return a->first + " (" + a->second + ") is gone";
  if (a == before.end() || b->first < a->first) return b->first + " (" + b->second + ") appeared";
  return a->first + " changed from " + a->second + " to " + b->second;
}

void EmptyFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
    if (!it->is_symlink(ignored) && it->is_directory(ignored))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                   ignored);
  for (const auto& item : std::filesystem::directory_iterator(folder, ignored))
    std::filesystem::remove_all(item.path(), ignored);
}

std::string Hex(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(code));
  return text;
}

bool KnownCommandCode(int code) {
  return code == dv::kOk || (code >= dv::kErrorNotSupported && code <= dv::kErrorNothingWritten);
}

}  // namespace dvfuzz
