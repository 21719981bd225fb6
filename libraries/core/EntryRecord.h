// Fills the family's fixed-size entry record from an Entry.
#pragma once

#include "archives/EntryInfo.h"
#include "libraries/core/Entry.h"

namespace dv {

// Zeroes the whole record, then fills every field it has a value for.
void FillRecord(const Entry& entry, ENTRYINFO& record);

}  // namespace dv
