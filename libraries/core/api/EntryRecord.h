// Fills the family's fixed-size entry record from an Entry.
#pragma once

#include "contract/EntryInfo.h"
#include "libraries/core/read/Entry.h"

namespace dv {

// A size as the record's 32-bit fields hold it: larger ones clamp.
std::uint32_t Clamp32(std::uint64_t value);
// Per mille of the original size the entry takes packed; 0 when unknown.
std::uint16_t RatioPerMille(const Entry& entry);

// The entry's DOS date and time: as stored when the archive stores them,
// otherwise its modification time in local time.
DosStamp EntryDosStamp(const Entry& entry);

// Zeroes the whole record, then fills every field it has a value for.
void FillRecord(const Entry& entry, ENTRYINFO& record);

}  // namespace dv
