// What the command-operation tests share: the line a fake records for a
// command call, the raised message, the generic scoped guards, and one that
// puts the code page back.
#pragma once

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "contract/WinTypes.h"
#include "platform/rtl/Ansi.h"
#include "tests/support/Raised.h"
#include "tests/support/Scoped.h"

// The record a fake makes of one command-function call.
inline std::string CommandCall(const std::string& function, HWND window, const std::string& line,
                               const std::string& output = "") {
  char pointer[32] = "0";
  if (window != nullptr) std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(window));
  return function + "(window=" + pointer + ", line=[" + line + "], buffer=" + (output.empty() ? "null" : "set") +
         ", size=" + std::to_string(output.size()) + ")";
}

// The names in a folder, for "nothing else was left behind".
inline std::set<std::string> FolderNames(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class ScopedCodePage {
 public:
  explicit ScopedCodePage(TCodePage page) : old_(AnsiCodePage()) { SetAnsiCodePage(page); }
  ~ScopedCodePage() { SetAnsiCodePage(old_); }
  ScopedCodePage(const ScopedCodePage&) = delete;
  ScopedCodePage& operator=(const ScopedCodePage&) = delete;

 private:
  TCodePage old_;
};

#include <memory>
#include <vector>

#include "drivers/base/Archiver.h"

// The five command operations, for tables that run any of them.
enum class TCommandOperation { Unpack, Pack, RemoveItem, Update, MakeSFX };

inline const char* OperationName(TCommandOperation operation) {
  switch (operation) {
    case TCommandOperation::Unpack: return "Unpack";
    case TCommandOperation::Pack: return "Pack";
    case TCommandOperation::RemoveItem: return "RemoveItem";
    case TCommandOperation::Update: return "Update";
    case TCommandOperation::MakeSFX: return "MakeSFX";
  }
  return "";
}

// Runs one operation; MakeSFX takes neither files nor the flag.
inline int Operate(TArchiver& driver, TCommandOperation operation, HWND window, const std::string& archive,
                   const TArchiverOptions& options, const std::string& directory, const TStringList* files,
                   bool useResponseFile, std::string& output) {
  switch (operation) {
    case TCommandOperation::Unpack:
      return driver.Unpack(window, archive, options, directory, files, useResponseFile, output);
    case TCommandOperation::Pack:
      return driver.Pack(window, archive, options, directory, files, useResponseFile, output);
    case TCommandOperation::RemoveItem:
      return driver.RemoveItem(window, archive, options, directory, files, useResponseFile, output);
    case TCommandOperation::Update:
      return driver.Update(window, archive, options, directory, files, useResponseFile, output);
    case TCommandOperation::MakeSFX: return driver.MakeSFX(window, archive, options, directory, output);
  }
  return -1;
}

inline TStringList ListOf(const std::vector<std::string>& names) {
  TStringList list;
  for (const auto& name : names) list.Add(name);
  return list;
}
