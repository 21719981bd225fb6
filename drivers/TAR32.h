// The tar family over tar32.dll: a bare tar and each compressed one differ
// only in their class, which is made with its row of the family's table
// (TAR32.cpp): the compression switch it adds, whether it may become
// self-extracting, the codes of the files it takes.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"
#include "drivers/base/ArchiverType.h"

struct TTarKindRow;

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
  explicit TTar32(TArchiverType type = atTar);
  TDriverUnit& ListingUnit() const override;

  // Switches joined to their values by a blank; -f archive and -o directory.
  std::string MakeCommandLine(const std::string& word, const TCommandRequest& request) const;
  int ExecuteCommand(HWND ownerWindow, std::string& output);

 private:
  const TTarKindRow& Kind;
};

class TTgz32 : public TTar32 {
  friend class TArchiver;

 protected:
  TTgz32() : TTar32(atTgz) {}
};

class TBZ232 : public TTar32 {
  friend class TArchiver;

 protected:
  TBZ232() : TTar32(atBZ2) {}
};

class TTxz32 : public TTar32 {
  friend class TArchiver;

 protected:
  TTxz32() : TTar32(atTxz) {}
};

class TTzst32 : public TTar32 {
  friend class TArchiver;

 protected:
  TTzst32() : TTar32(atTzst) {}
};

TSingleLibraryUnit& TarUnit();
// The type the tar library sees in a file: the type of the family's row
// whose codes hold the library's answer, or atNone.
TArchiverType TarArchiveType(const std::string& fileName);
