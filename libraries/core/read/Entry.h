// One archive entry as a format reader sees it, before it becomes an
// ENTRYINFO record, and the interface every format reader implements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "libraries/core/util/DataSink.h"
#include "libraries/core/util/DosTime.h"

namespace dv {

enum class EntryKind {
  kFile,
  kDirectory,
  kSymlink,
  kHardlink,  // another name of an earlier entry (`linkTarget`)
  kOther,     // device, FIFO, socket, label: never extracted
};

struct Entry {
  std::string path;                         // as the archive gives it
  std::optional<std::uint64_t> size;        // original size
  std::optional<std::uint64_t> packedSize;  // bytes the entry takes in the archive
  std::optional<std::uint32_t> crc;
  std::optional<std::time_t> modified;
  // The DOS date and time words as the archive stores them, when it stores
  // the time that way and gives nothing finer: the record carries them as
  // they are, also when they name no real moment (month 13, a time inside a
  // daylight-saving gap), so that nothing is invented on the way.
  std::optional<DosStamp> storedDosStamp;
  std::optional<std::time_t> accessed;
  std::optional<std::time_t> created;
  std::optional<std::uint32_t> permissions;  // UNIX rwx bits
  std::optional<unsigned> osType;            // the LHA OS code (LhaHeader.h)
  EntryKind kind = EntryKind::kFile;
  std::string linkTarget;    // of a symlink or hard link
  std::string method;        // e.g. "-lh5-", "deflate"
  bool dataReadable = true;  // false: a method this reader cannot unpack
  bool encrypted = false;    // the data needs a password, which no line gives
  bool readOnly = false;     // marked read-only by the archive: extracted so

  bool IsDirectory() const { return kind == EntryKind::kDirectory; }
};

enum class ReadResult {
  kEntry,          // the entry was filled
  kEnd,            // the archive ended cleanly
  kBroken,         // a header could not be read: the listing stops here
  kVolumeMissing,  // a split archive goes on in a volume that is not there
};

class EntrySource {
 public:
  virtual ~EntrySource() = default;
  // Goes back before the first entry; false when the archive no longer opens.
  virtual bool Rewind() = 0;
  // Reads the next entry's header. Once kEnd or kBroken came, it stays.
  virtual ReadResult Next(Entry& entry) = 0;
  // Unpacks the data of the entry Next gave last, once, into `sink`.
  virtual DataResult ReadData(const DataSink& sink) = 0;
  // Says that the caller will read entries' data from now on, not only
  // headers: a reader that cannot skip data safely then reads through the
  // data of the entries it is not asked for.
  virtual void ExpectDataReads() {}
};

}  // namespace dv
