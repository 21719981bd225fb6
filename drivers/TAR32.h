// The tar family over tar32.dll: plain, gzip- and bzip2-compressed tar differ
// only in their class.
#pragma once

#include <string>

#include "archives/ArchiverType.h"
#include "drivers/FamilyArchiver.h"

class TTar32 : public TFamilyArchiver {
  friend class TArchiver;

 protected:
  TTar32() = default;
  TDriverUnit& ListingUnit() const override;
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

TSingleLibraryUnit& TarUnit();
// The type the tar library sees in a file: atTar, atTgz, atBZ2 or atNone.
TArchiverType TarArchiveType(const std::string& fileName);
