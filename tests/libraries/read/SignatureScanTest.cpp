// Finding signatures inside a file: every occurrence in order, across the
// scan's read boundaries, within [from, limit), and a file full of them in
// one pass (the fuzzing of executables found probes re-reading a whole
// block per occurrence).
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "libraries/core/read/SignatureScan.h"
#include "tests/support/TempDir.h"

namespace {

constexpr std::int64_t kBlock = 64 * 1024;  // the scan's read size

std::vector<std::int64_t> AllHits(const dv::PositionalFile& file, std::int64_t from, std::int64_t limit,
                                  std::string_view signature) {
  std::vector<std::int64_t> hits;
  dv::SignatureScan scan(file, from, limit, signature);
  while (const auto hit = scan.Next()) hits.push_back(*hit);
  return hits;
}

struct ScanCase {
  const char* name;
  std::int64_t from;
  std::int64_t limit;
  std::vector<std::int64_t> hits;
  friend std::ostream& operator<<(std::ostream& out, const ScanCase& value) { return out << value.name; }
};

// "SIG!" at the start, across the first read boundary, right at it, at the
// last place that is still inside a limit of 2 blocks, and at the very end.
const std::vector<std::int64_t> kPlaces = {0, kBlock - 2, kBlock + 2, 2 * kBlock - 4, 3 * kBlock - 4};

class SignatureScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(SignatureScanTest, FindsEveryOccurrenceInItsRangeInOrder) {
  const TempDir dir;
  std::string bytes(3 * kBlock, 'x');
  for (const std::int64_t at : kPlaces) bytes.replace(static_cast<std::size_t>(at), 4, "SIG!");
  WriteFile(dir / "file", bytes);
  const auto file = dv::PositionalFile::Open((dir / "file").c_str());
  ASSERT_TRUE(file);
  EXPECT_EQ(AllHits(*file, GetParam().from, GetParam().limit, "SIG!"), GetParam().hits);
  const auto first = dv::FindSignature(*file, GetParam().from, GetParam().limit, "SIG!");
  EXPECT_EQ(first, GetParam().hits.empty() ? std::nullopt : std::optional(GetParam().hits.front()));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SignatureScanTest,
    ::testing::Values(ScanCase{"WholeFile", 0, 1 << 30, kPlaces},
                      ScanCase{
                          "FromPastTheFirst", 1, 1 << 30, {kBlock - 2, kBlock + 2, 2 * kBlock - 4, 3 * kBlock - 4}},
                      ScanCase{"LimitEndsTheStarts", 0, 2 * kBlock - 3, {0, kBlock - 2, kBlock + 2, 2 * kBlock - 4}},
                      ScanCase{"LimitAtAStartExcludesIt", 0, 2 * kBlock - 4, {0, kBlock - 2, kBlock + 2}},
                      ScanCase{"FromPastTheLast", 3 * kBlock - 3, 1 << 30, {}},
                      ScanCase{"NegativeFrom", -1, 1 << 30, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SignatureScan, OverlappingAndDenseOccurrencesAreEachFound) {
  const TempDir dir;
  WriteFile(dir / "a", "aaaaa");
  WriteFile(dir / "dense", std::string(3 * kBlock, '-'));  // "--" at every offset
  const auto a = dv::PositionalFile::Open((dir / "a").c_str());
  const auto dense = dv::PositionalFile::Open((dir / "dense").c_str());
  ASSERT_TRUE(a && dense);
  EXPECT_EQ(AllHits(*a, 0, 100, "aa"), (std::vector<std::int64_t>{0, 1, 2, 3}));
  EXPECT_EQ(AllHits(*a, 0, 100, ""), std::vector<std::int64_t>{});
  const auto hits = AllHits(*dense, 0, 1 << 30, "--");
  ASSERT_EQ(hits.size(), static_cast<std::size_t>(3 * kBlock - 1));
  for (std::size_t i = 0; i < hits.size(); ++i)
    if (hits[i] != static_cast<std::int64_t>(i)) FAIL() << "hit " << i << " at " << hits[i];
}

}  // namespace
