// Builds small stored ZIP archives byte by byte, so tests can lay out what
// no tool lets us choose: ZIP64 records, a stub before the archive with
// offsets that count from the archive's own start, wrong entry counts.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One extra field: its id, its length, its data.
std::string Field(unsigned id, const std::string& data);

struct Member {
  std::string name{};
  std::string data{};                              // stored as is
  unsigned date = (21u << 9) | (5u << 5) | 6u;     // 2001-05-06
  unsigned time = (10u << 11) | (20u << 5) | 15u;  // 10:20:30
  std::string extra{};                             // in both headers
  unsigned system = 3;
  std::uint32_t external = (S_IFREG | 0644u) << 16;
};

struct Layout {
  bool zip64 = false;  // sizes in ZIP64 fields, ZIP64 end records
  std::string stub;    // bytes before the archive; offsets count from the archive's start
  std::string comment;
  int countDelta = 0;         // added to the entry count of the end records
  bool zip64Offsets = false;  // with zip64: the local headers' offsets in the central ZIP64 fields too
};

std::string BuildZip(const std::vector<Member>& members, const Layout& layout);

// Member's default date and time as one packed DOS stamp.
constexpr std::uint32_t kMemberStamp = ((21u << 9 | 5u << 5 | 6u) << 16) | (10u << 11 | 20u << 5 | 15u);

// "MZ" and filler: `size` bytes that start like an executable.
std::string Stub(std::size_t size);
