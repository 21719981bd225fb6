// bzip2 unpacked on several threads. Its blocks are independent: the block
// finder lists the candidates, a pool of threads decodes them side by side
// (a few blocks in flight per thread, and a bounded amount of output held for
// each), and the bytes come out in order, block after block and stream after
// stream, with each stream's combined CRC checked against its trailer.
//
// A candidate that does not decode to its end holds a magic that came about
// by chance: when it is the next block due, its true end is found by
// decoding its symbols with the rest of the file behind them, the
// candidates inside it are dropped, and it is decoded again to that end.
// Anything else that fails is a damaged file, and the bytes stop there.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/ThreadedUnpacking.h"
#include "libraries/core/read/bzip2/Bzip2BlockDecoder.h"
#include "libraries/core/read/bzip2/Bzip2BlockFinder.h"

namespace dv {

// Whether `file` is bzip2 of more than one block (in one stream or several):
// only such a file gains from threads.
bool HasSeveralBzip2Blocks(const std::shared_ptr<const PositionalFile>& file);

class ParallelBzip2 final : public ThreadedUnpacking {
 public:
  // `threads` 0 decodes every block on the calling thread.
  ParallelBzip2(std::shared_ptr<const PositionalFile> file, unsigned threads);
  // Stops the threads and waits for them, whatever was read.
  ~ParallelBzip2() override;
  ParallelBzip2(const ParallelBzip2&) = delete;
  ParallelBzip2& operator=(const ParallelBzip2&) = delete;

  // Stream after stream; kEnd after the last.
  Read Next(const char*& data, std::size_t& size) override;
  const std::string& error() const override { return error_; }
  // Up to the end of the block the last bytes came from.
  std::uint64_t inputBytesUsed() const override { return (deliveredEnd_ + 7) / 8; }

 private:
  struct Job;
  enum class JobEnd { kDone, kShort, kBroken };
  // A marker in bit order; a block gets its job once its end is known.
  struct Candidate {
    Bzip2Marker marker;
    int level = 9;
    std::shared_ptr<Job> job;
  };
  enum class Phase { kStreamHeader, kBlocks, kEnd, kBroken };

  void Work();
  JobEnd Run(Bzip2BlockDecoder& decoder, Job& job);
  bool Deliver(Job& job, std::vector<char>&& piece);

  void StartStream();
  void EndStream(std::uint64_t bit);
  void FinishBlock(std::uint32_t crc, std::uint64_t end);
  Candidate* Head();
  void TopUp();
  void PullMarker();
  void Attach(Candidate& candidate, std::uint64_t end);
  void Cancel(Candidate& candidate);
  void DecodeHere(const Bzip2BlockRange& range, bool mayResync);
  void Resync(std::uint64_t start);
  Read Give(std::vector<char>&& piece, std::uint64_t blockEnd, const char*& data, std::size_t& size);
  void Fail(const std::string& why);
  void Shutdown();

  std::shared_ptr<const PositionalFile> file_;
  std::uint64_t fileBits_;
  std::size_t jobLimit_;

  // Shared with the threads, under mutex_.
  std::mutex mutex_;
  std::condition_variable workReady_;  // a job was queued, or stop
  std::condition_variable changed_;    // output came, room was made, a job ended, or stop
  std::deque<std::shared_ptr<Job>> queue_;
  bool stop_ = false;
  std::vector<std::thread> workers_;

  // The reading side's own.
  Bzip2BlockFinder finder_;
  bool finderDone_ = false;
  int finderLevel_ = 9;            // of the last stream header the finder passed
  std::uint64_t skipThrough_ = 0;  // markers at or before this bit are inside a block
  bool skipping_ = false;
  std::deque<Candidate> window_;
  std::size_t jobsInWindow_ = 0;
  Phase phase_ = Phase::kStreamHeader;
  std::int64_t streamByte_ = 0;  // where the next stream header is due
  int level_ = 9;
  std::uint64_t position_ = 0;  // the bit where the next block or stream end is due
  std::uint32_t combined_ = 0;
  Bzip2BlockDecoder here_;  // a block decoded on the reading thread
  bool decodingHere_ = false;
  std::uint64_t hereEnd_ = 0;
  std::vector<char> current_;  // the bytes Next gave last
  std::uint64_t deliveredEnd_ = 0;
  std::string error_;
};

}  // namespace dv
