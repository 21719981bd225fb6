// xz of several blocks unpacked on threads must give exactly the bytes `xz`
// gives, stop with an error where the data is damaged (never skip a block),
// and be taken only for the files it is meant for: one stream of more than
// one block.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/ThreadedUnpacking.h"
#include "libraries/core/read/xz/ThreadedXz.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {

// Text of words and numbers, mildly compressible, with Japanese names in it.
std::string Words(unsigned seed, std::size_t size) {
  static const char* const kWords[] = {"archive", "block", "stream", "表示", "ソフト", "能力", "entry", "時刻"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    text += kWords[random() % std::size(kWords)];
    text += random() % 5 == 0 ? std::to_string(random()) + "\n" : " ";
  }
  text.resize(size);
  return text;
}

struct Unpacked {
  std::string bytes;
  dv::ThreadedUnpacking::Read last = dv::ThreadedUnpacking::Read::kData;
  std::uint64_t firstUsed = 0;  // inputBytesUsed after the first piece
};

Unpacked Threaded(const std::shared_ptr<const dv::PositionalFile>& file, unsigned threads) {
  Unpacked out;
  auto blocks = dv::ReadXzBlockStarts(*file);
  if (!blocks) return out;
  dv::ThreadedXz unpacking(file, std::move(*blocks), threads);
  const char* data = nullptr;
  std::size_t size = 0;
  while ((out.last = unpacking.Next(data, size)) == dv::ThreadedUnpacking::Read::kData) {
    if (out.bytes.empty()) out.firstUsed = unpacking.inputBytesUsed();
    out.bytes.append(data, size);
  }
  return out;
}

class ThreadedXzTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.path() / "a", Words(1, 3 << 20));
    WriteFile(dir_.path() / "b", Words(2, 200000));
  }
  std::shared_ptr<const dv::PositionalFile> Made(const std::string& command) {
    RunIn(dir_, command);
    return dv::PositionalFile::Open((dir_.path() / "x.xz").c_str());
  }
  TempDir dir_;
};

// Which files take the threads, and that those give every byte.
TEST_F(ThreadedXzTest, SeveralBlocksOfOneStreamUnpackWholeOnAnyNumberOfThreads) {
  const struct {
    const char* name;
    const char* command;
    bool threaded;
  } shapes[] = {
      {"blocks", "xz -T2 --block-size=100KiB -c a > x.xz", true},
      {"blocks with CRC32 and SHA-256", "xz -T2 --block-size=64KiB -C sha256 -c a > x.xz && xz -t x.xz", true},
      {"blocks of an empty tail", "cat a b | xz -T2 --block-size=1MiB -c > x.xz", true},
      {"one block", "xz -T1 -c a > x.xz", false},
      {"two streams", "xz -T2 --block-size=64KiB -c a > x.xz && xz -c b >> x.xz", false},
      {"stream padding after", "xz -T2 --block-size=64KiB -c a > x.xz && printf '\\0\\0\\0\\0' >> x.xz", false},
      {"no index: footer cut", "xz -T2 --block-size=64KiB -c a | head -c -12 > x.xz", false},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const auto file = Made(shape.command);
    ASSERT_TRUE(file);
    const auto blocks = dv::ReadXzBlockStarts(*file);
    EXPECT_EQ(blocks && blocks->packed.size() > 1, shape.threaded);
    if (!shape.threaded) continue;
    RunIn(dir_, "xz -dc x.xz > expected");
    const std::string expected = ReadFile(dir_.path() / "expected");
    for (const unsigned threads : {1u, 2u, 4u}) {
      const Unpacked out = Threaded(file, threads);
      EXPECT_EQ(out.last, dv::ThreadedUnpacking::Read::kEnd) << threads;
      EXPECT_TRUE(out.bytes == expected) << threads << " threads: " << out.bytes.size() << " of " << expected.size();
      // The first piece counts as read from the file's start, well within
      // what the tar probe reads (so the listing sees the tar the probe saw).
      EXPECT_GT(out.firstUsed, 12u) << threads;
      EXPECT_LT(out.firstUsed, static_cast<std::uint64_t>(dv::kTarProbeInputLimit)) << threads;
    }
  }
}

// With one thread the decoder would hold whole blocks for nothing: xz of
// several blocks then takes the one-thread path.
TEST_F(ThreadedXzTest, OneThreadLeavesXzToTheOneThreadPath) {
  const auto file = Made("xz -T2 --block-size=100KiB -c a > x.xz");
  ASSERT_TRUE(file);
  for (const auto& [threads, expected] : {std::pair{"1", false}, std::pair{"2", true}}) {
    ScopedEnvironment setting("DOVANEL_THREADS", threads);
    EXPECT_EQ(dv::OpenThreadedUnpacking(file) != nullptr, expected) << threads;
  }
}

// A damaged block stops the bytes with an error; those given before it are right.
TEST_F(ThreadedXzTest, DamageStopsTheBytesWithAnError) {
  const auto made = Made("xz -T2 --block-size=64KiB -c a > x.xz");
  const std::string packed = ReadFile(dir_.path() / "x.xz");
  const std::string original = ReadFile(dir_.path() / "a");
  const auto blocks = dv::ReadXzBlockStarts(*made);
  ASSERT_TRUE(blocks);
  ASSERT_GT(blocks->packed.size(), 10u);
  const struct {
    const char* name;
    std::size_t at;
  } damages[] = {
      {"inside the third block's data", static_cast<std::size_t>(blocks->packed[2] + 400)},
      {"the fifth block's header", static_cast<std::size_t>(blocks->packed[4] + 1)},
      {"the check of the block before the last", static_cast<std::size_t>(blocks->packed.back() - 2)},
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::string broken = packed;
    broken[damage.at] = static_cast<char>(broken[damage.at] ^ 0x55);
    WriteFile(dir_.path() / "broken.xz", broken);
    const auto file = dv::PositionalFile::Open((dir_.path() / "broken.xz").c_str());
    const Unpacked out = Threaded(file, 2);
    EXPECT_EQ(out.last, dv::ThreadedUnpacking::Read::kBroken);
    EXPECT_LT(out.bytes.size(), original.size());
    EXPECT_EQ(out.bytes, original.substr(0, out.bytes.size()));
  }
}

}  // namespace
