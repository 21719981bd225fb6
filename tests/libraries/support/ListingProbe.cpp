#include "tests/libraries/support/ListingProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/TempDir.h"

namespace {
// More entries than any fixture has: a walk that gets here is looping.
constexpr int kRunawayLimit = 10000;
}  // namespace

Listing ListArchive(const ArchiverApi& api, const std::string& path, const char* wildcard, DWORD mode) {
  Listing listing;
  const HARC handle = api.open(nullptr, path.c_str(), mode);
  listing.opened = handle != 0;
  if (!listing.opened) return listing;
  ENTRYINFO record{};
  for (int status = api.findFirst(handle, wildcard, &record); status == 0; status = api.findNext(handle, &record)) {
    listing.records.push_back(record);
    listing.lines.push_back(RenderLine(record));
    if (listing.records.size() > kRunawayLimit) {
      ADD_FAILURE() << "listing of " << path << " does not end";
      break;
    }
  }
  EXPECT_EQ(api.close(handle), 0);
  return listing;
}

std::string DosText(std::uint16_t date, std::uint16_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", (date >> 9) + 1980, (date >> 5) & 0x0F, date & 0x1F,
                time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
  return text;
}

std::string RenderLine(const ENTRYINFO& record) {
  const std::string stamp = DosText(record.wDate, record.wTime);
  // The name field must be terminated within its 513 bytes.
  const std::string name(record.szFileName, strnlen(record.szFileName, sizeof record.szFileName));
  return "name=" + name + " date=" + stamp.substr(0, 10) + " time=" + stamp.substr(11);
}

std::string NewestText(const std::vector<ENTRYINFO>& records) {
  if (records.empty()) return "";
  const auto newest = std::max_element(records.begin(), records.end(), [](const ENTRYINFO& a, const ENTRYINFO& b) {
    return (std::uint32_t(a.wDate) << 16 | a.wTime) < (std::uint32_t(b.wDate) << 16 | b.wTime);
  });
  return DosText(newest->wDate, newest->wTime);
}

void WriteConcatenation(const std::string& path, const std::string& bytes, const std::string& tailFile) {
  WriteFile(path, bytes + ReadFile(tailFile));
}
