// The abstract driver: one descendant per archive format turns these
// operations into calls of that format's library. Slot order is the contract.
#pragma once

#include <memory>
#include <string>

#include "contract/EntryInfo.h"
#include "drivers/base/ArchiverOptions.h"
#include "drivers/base/EArchiver.h"
#include "platform/rtl/Strings.h"

class TCmdOpt;

class TArchiver {
 public:
  // Construction loads the driver's library: a driver whose library cannot be
  // loaded is never handed out.
  template <class Driver>
  static std::unique_ptr<Driver> Create() {
    std::unique_ptr<Driver> driver(new Driver());
    driver->LoadDLL();
    return driver;
  }
  virtual ~TArchiver() = default;
  TArchiver(const TArchiver&) = delete;
  TArchiver& operator=(const TArchiver&) = delete;

  std::string CommandLine;  // built by the last command operation
  HWND OwnerWindow = nullptr;

  virtual void LoadDLL();                                                                  // 0
  virtual void FreeDLL();                                                                  // 1
  virtual HARC OpenArchive(HWND ownerWindow, const std::string& archiveName, DWORD mode);  // 2
  virtual int FindFirst(HARC archive, ENTRYINFO* entry, const std::string& wildcard);      // 3
  virtual int FindNext(HARC archive, ENTRYINFO* entry);                                    // 4
  virtual int CloseArchive(HARC archive);                                                  // 5
  virtual int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                     const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                     std::string& output);  // 6
  virtual int Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                   std::string& output);  // 7
  virtual int RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                         const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                         std::string& output);  // 8
  virtual int Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                     const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                     std::string& output);  // 9
  virtual int MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                      const std::string& directory, std::string& output);                   // 10
  virtual int CheckArchive(const std::string& fileName, int modePartOne, int modePartTwo);  // 11
  virtual bool SetOwnerWindow(HWND window, void* procedure);                                // 12
  virtual bool KillOwnerWindow(HWND window);                                                // 13

 protected:
  TArchiver() = default;

  // The archive name quoted, then the base directory with a trailing delimiter.
  void AddArchiveAndDirectory(TCmdOpt& builder, const std::string& archiveName, const std::string& baseDirectory) const;
  // The file list (on the line or through the response file), then UserFileList.
  void AddFileList(TCmdOpt& builder, const TArchiverOptions& options, const TStringList* files,
                   bool useResponseFile) const;
};

// The address of an export; raises EArchiver naming the library's path and
// the entry when it is missing.
FARPROC GetEntryPoint(HMODULE library, const char* entryName);
