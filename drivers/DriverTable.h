// The formats the archive layer knows, one row each: the type codes its
// driver classes stand for, the extensions that name it, the probe that
// knows it by content, and its driver unit. Type detection, the archive
// component and the release of the units walk this table, so a new format
// is one row and one driver unit.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "drivers/DriverUnit.h"
#include "drivers/base/Archiver.h"
#include "drivers/base/ArchiverType.h"

// A type code and the driver class that handles it.
struct TDriverKind {
  TArchiverType type;
  // Makes the driver, which loads its library or raises.
  std::unique_ptr<TArchiver> (*make)();
};

// An extension, with its dot, and the type it names (in any case).
struct TDriverExtension {
  const char* extension;
  TArchiverType type;
};

struct TDriverRow {
  std::span<const TDriverKind> kinds;
  std::span<const TDriverExtension> extensions;
  // The type the format's library sees in the file, or atNone; never raises.
  TArchiverType (*probe)(const std::string& fileName);
  TDriverUnit& (*unit)();
};

// In probe order, weakest first: a later row's yes overrides an earlier one,
// so 7z (the newest, which must never take a file from a format known before
// it) is weakest, then the tar library's own code, and LHA strongest. No extension
// appears twice.
std::span<const TDriverRow> DriverTable();

// The driver of a type code; null for a code without one (atNone...).
std::unique_ptr<TArchiver> MakeDriver(TArchiverType type);
// Whether a type code has a driver, without making it.
bool HasDriver(TArchiverType type);

// Every unit back to "not loaded": its entries forgotten, its library freed.
void ReleaseAllDriverUnits();
