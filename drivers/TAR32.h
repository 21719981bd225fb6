// The tar family over tar32.dll: plain, gzip-, bzip2-, xz- and
// zstd-compressed tar differ only in their class, which adds the compression
// switch (and keeps bzip2, xz and zstd archives from becoming
// self-extracting: the stub unpacks tar and tar.gz only).
#pragma once

#include <string>

#include "drivers/base/ArchiverType.h"
#include "drivers/FamilyArchiver.h"

class TTar32 : public TFamilyArchiver {
  friend class TArchiver;

 public:
  // Words x and c; ResFileUsage decides the response file, not the flag.
  // The owner window is brought to the front once the library returns.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  int Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
           const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
           std::string& output) override;
  // Writes kmtarsef.exe and the archive into an executable and returns 0;
  // calls no library and leaves CommandLine alone.
  int MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& directory, std::string& output) override;

 protected:
  TTar32() = default;
  TDriverUnit& ListingUnit() const override;

  // Switches joined to their values by a blank; -f archive and -o directory.
  std::string MakeCommandLine(const std::string& word, const std::string& archiveName,
                              const TArchiverOptions& options, const std::string& baseDirectory,
                              const TStringList* files, bool useResponseFile) const;
  int ExecuteCommand(HWND ownerWindow, std::string& output);
};

class TTgz32 : public TTar32 {
  friend class TArchiver;

 protected:
  TTgz32() = default;
};

class TBZ232 : public TTar32 {
  friend class TArchiver;

 protected:
  TBZ232() = default;
};

class TTxz32 : public TTar32 {
  friend class TArchiver;

 protected:
  TTxz32() = default;
};

class TTzst32 : public TTar32 {
  friend class TArchiver;

 protected:
  TTzst32() = default;
};

TSingleLibraryUnit& TarUnit();
// The type the tar library sees in a file: atTar, atTgz, atBZ2, atTxz, atTzst
// or atNone.
TArchiverType TarArchiveType(const std::string& fileName);
