// Return codes of the archiver library family. The listing functions use the
// plain values below; the command functions report failures in the 0x8000
// range the family has always used, so callers can tell them from counts.
#pragma once

namespace dv {

// Call completed.
inline constexpr int kOk = 0;
// FindFirst/FindNext: no (further) entry, or the handle is not a live listing.
inline constexpr int kListEnd = -1;

// The command function was asked to do something this library does not do
// yet (every command, for now: the libraries only list archives).
inline constexpr int kErrorNotSupported = 0x8001;

}  // namespace dv
