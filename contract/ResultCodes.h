// Result codes of the archiver library family, as its callers read them. The
// listing functions use the plain values below; the command functions report
// failures in the 0x8000 range the family has always used, so callers can
// tell them from counts.
#pragma once

namespace dv {

// Call completed.
inline constexpr int kOk = 0;
// FindFirst/FindNext: no (further) entry, or the handle is not a live listing.
inline constexpr int kListEnd = -1;

// Command functions. The first five are refusals of the line itself: they
// come before anything is read or written.
//
// The line asks for something this library does not do (creating LHA, CAB,
// ARJ or RAR archives, LHA self-extractors, CAB "-f").
inline constexpr int kErrorNotSupported = 0x8001;
// No command word, or one the library's language does not have.
inline constexpr int kErrorBadCommand = 0x8002;
// A switch the language does not have, or one with an impossible value.
inline constexpr int kErrorBadSwitch = 0x8003;
// A line that cannot be read: an unclosed or misplaced double quote, no
// archive name, a switch missing its value, a second archive name.
inline constexpr int kErrorBadLine = 0x8004;
// A response file ("@path") or a file to pack that cannot be read.
inline constexpr int kErrorCannotRead = 0x8005;

// The archive to read does not exist or is not a readable regular file.
inline constexpr int kErrorArchiveNotFound = 0x8006;
// The file is not an archive of the library's format.
inline constexpr int kErrorNotAnArchive = 0x8007;
// A header or an entry's data is damaged (a failed CRC, data cut short).
inline constexpr int kErrorBrokenArchive = 0x8008;
// An entry to extract uses a compression method the library cannot unpack
// (or is encrypted); nothing was extracted.
inline constexpr int kErrorMethodNotSupported = 0x8009;
// A folder, a file or the new archive could not be created or written.
inline constexpr int kErrorCannotCreate = 0x800A;
// A name or pattern of the line selects nothing, or there is nothing to do.
inline constexpr int kErrorNoMatch = 0x800B;
// Entries were passed over because they would have landed outside the base
// directory (an absolute path, "..", a symbolic link on the way); every
// other entry was extracted.
inline constexpr int kErrorUnsafeEntry = 0x800C;
// A split archive (ARJ name.arj, name.a01, ...) goes on in a volume that is
// not beside it: nothing was extracted. Also an entry whose beginning is in
// a volume before the one given: that entry was not extracted, every other
// one was.
inline constexpr int kErrorVolumeMissing = 0x800D;
// Entries were passed over because their data is encrypted and no password
// can be given: nothing of them was created, not even their folders; every
// other entry was extracted.
inline constexpr int kErrorEncrypted = 0x800E;
// Entries were selected, but every one was passed over because it is
// never created here (a symbolic link, a hard link to nothing written, a
// device, a FIFO): nothing was written. The report names them.
inline constexpr int kErrorNothingWritten = 0x800F;

}  // namespace dv
