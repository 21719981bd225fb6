#include "platform/rtl/FileMove.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/rtl/Files.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace {
std::string RandomSuffix() {
  static std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(GetTickCount64())};
  const char* const letters = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += letters[random() % 36];
  return suffix;
}

// Copies `oldName` beside `newName` and moves that copy over `newName` once
// it is complete, so that `newName` is never half written.
bool CopyInPlace(const std::string& oldName, const std::string& newName) {
  const std::filesystem::path target(Wide(newName));
  const std::string copy =
      CreateUniqueFile(Narrow((target.parent_path() / (L"." + target.filename().wstring() + L".")).wstring()));
  if (copy.empty()) return false;
  const bool done = CopyFileW(WidePath(oldName).c_str(), WidePath(copy).c_str(), FALSE) &&
                    MoveFileExW(WidePath(copy).c_str(), WidePath(newName).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!done) DeleteFileW(WidePath(copy).c_str());
  return done;
}
}  // namespace

bool RenameFile(const std::string& oldName, const std::string& newName) {
  return MoveFileExW(WidePath(oldName).c_str(), WidePath(newName).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MoveFile(const std::string& oldName, const std::string& newName) {
  if (RenameFile(oldName, newName)) return true;
  if (GetLastError() != ERROR_NOT_SAME_DEVICE || !CopyInPlace(oldName, newName)) return false;
  // The file is whole at its new place; a copy that cannot leave its old one
  // is still a copy, not a loss.
  DeleteFileW(WidePath(oldName).c_str());
  return true;
}

bool SameFile(const std::string& first, const std::string& second) {
  TFileIdentity a, b;
  return GetFileIdentity(first, a) && GetFileIdentity(second, b) && a.device == b.device && a.inode == b.inode;
}

std::string CreateUniqueFile(const std::string& prefix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = prefix + RandomSuffix();
    const HANDLE handle = CreateFileW(WidePath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return name;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return {};
  }
  return {};
}

std::string CreatePrivateTemporaryFolder(const std::string& prefix) {
  // The user's temporary folder is the user's own: what is made in it is too.
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = Narrow(std::wstring(base, length)) + prefix + RandomSuffix();
    if (CreateDirectoryW(WidePath(name).c_str(), nullptr)) return name;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

bool RemoveFolderTree(const std::string& folder) {
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(Wide(folder)), error);
  return !error;
}
