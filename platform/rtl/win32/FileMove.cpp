#include "platform/rtl/FileMove.h"

#include <cstdint>
#include <filesystem>
#include <random>

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
    const HANDLE handle =
        CreateFileW(WidePath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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

namespace {
// Removes a folder's entries and then the folder, each by a path the wide
// calls take at any length; a link (a reparse point) goes itself, never what
// it points to.
bool RemoveTree(const std::wstring& folder) {
  bool removed = true;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      const DWORD attributes = entry.dwFileAttributes;
      if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        removed = RemoveTree(path) && removed;
      else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        removed = RemoveDirectoryW(path.c_str()) && removed;
      else
        removed = DeleteFileW(path.c_str()) && removed;
    } while (FindNextFileW(find, &entry));
    ::FindClose(find);
  }
  return RemoveDirectoryW(folder.c_str()) && removed;
}
}  // namespace

bool RemoveFolderTree(const std::string& folder) {
  std::string own = folder;
  while (own.size() > 3 && (own.back() == '\\' || own.back() == '/')) own.pop_back();
  // The prefix that lifts the length limit, whatever the folder's own length.
  std::wstring wide = WidePath(own);
  if (wide.rfind(L"\\\\?\\", 0) != 0 && wide.size() > 2 && wide[1] == L':') wide = L"\\\\?\\" + wide;
  return RemoveTree(wide);
}
