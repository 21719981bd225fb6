// One archive entry as a format reader sees it, before it becomes an
// ENTRYINFO record, and the interface every format reader implements.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace dv {

struct Entry {
  std::string path;                          // as the archive gives it
  std::optional<std::uint64_t> size;         // original size
  std::optional<std::uint64_t> packedSize;   // bytes the entry takes in the archive
  std::optional<std::uint32_t> crc;
  std::optional<std::time_t> modified;
  std::optional<std::uint32_t> permissions;  // UNIX rwx bits
  bool isDirectory = false;
  std::string method;                        // e.g. "-lh5-", "deflate"
};

enum class ReadResult {
  kEntry,   // the entry was filled
  kEnd,     // the archive ended cleanly
  kBroken,  // a header could not be read: the listing stops here
};

class EntrySource {
 public:
  virtual ~EntrySource() = default;
  // Goes back before the first entry; false when the archive no longer opens.
  virtual bool Rewind() = 0;
  // Reads the next entry's header. Once kEnd or kBroken came, it stays.
  virtual ReadResult Next(Entry& entry) = 0;
};

}  // namespace dv
