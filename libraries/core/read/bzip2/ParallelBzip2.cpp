#include "libraries/core/read/bzip2/ParallelBzip2.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "libraries/core/read/TarProbe.h"

namespace dv {
namespace {

constexpr std::size_t kJobsPerThread = 3;
constexpr std::size_t kOutputPiece = 256 * 1024;
// Output held for a block that is not due yet; its thread waits beyond it.
// A block's output can be 45 times its input, so this, not the input, bounds
// the memory.
constexpr std::size_t kJobOutputLimit = 2 * 1024 * 1024;
// The shortest stream libbz2 accepts (header, end magic, CRC); libarchive
// takes no shorter tail after a stream for another one either.
constexpr std::int64_t kShortestStream = 14;
constexpr std::uint64_t kStreamTrailerBits = 80;

std::uint32_t RotateLeft1(std::uint32_t value) { return value << 1 | value >> 31; }

}  // namespace

struct ParallelBzip2::Job {
  explicit Job(const Bzip2BlockRange& blockRange) : range(blockRange) {}
  const Bzip2BlockRange range;
  std::deque<std::vector<char>> pieces;
  std::size_t buffered = 0;  // bytes in pieces
  bool finished = false;
  bool cancelled = false;
  JobEnd end = JobEnd::kBroken;
  std::uint32_t crc = 0;
};

bool HasSeveralBzip2Blocks(const std::shared_ptr<const PositionalFile>& file) {
  if (!file || !Bzip2StreamLevelAt(*file, 0)) return false;
  Bzip2BlockFinder finder(file);
  const auto first = finder.Next();
  if (!first || first->bit != 32 || first->kind != Bzip2MarkerKind::kBlock) return false;
  const auto second = finder.Next();
  if (!second) return false;
  if (second->kind == Bzip2MarkerKind::kBlock) return true;
  // One block, then the stream's end: another stream may follow.
  const auto next = static_cast<std::int64_t>((second->bit + kStreamTrailerBits + 7) / 8);
  return file->size() - next >= kShortestStream && Bzip2StreamLevelAt(*file, next).has_value();
}

ParallelBzip2::ParallelBzip2(std::shared_ptr<const PositionalFile> file, unsigned threads)
    : file_(std::move(file)),
      fileBits_(8 * static_cast<std::uint64_t>(file_->size())),
      jobLimit_(kJobsPerThread * std::max(threads, 1u)),
      finder_(file_),
      here_(file_) {
  if (const auto level = Bzip2StreamLevelAt(*file_, 0)) finderLevel_ = *level;
  for (unsigned i = 0; i < std::min(threads, kMostThreads); ++i) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // fewer threads; with none, every block is decoded here
    }
  }
}

ParallelBzip2::~ParallelBzip2() { Shutdown(); }

void ParallelBzip2::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  workReady_.notify_all();
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

// ---- the threads

void ParallelBzip2::Work() {
  const Job* running = nullptr;  // under mutex_
  Bzip2BlockDecoder decoder(file_, [this, &running] {
    std::lock_guard lock(mutex_);
    return stop_ || (running != nullptr && running->cancelled);
  });
  std::unique_lock lock(mutex_);
  for (;;) {
    workReady_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    const std::shared_ptr<Job> job = std::move(queue_.front());
    queue_.pop_front();
    if (job->cancelled) continue;
    running = job.get();
    lock.unlock();
    const JobEnd end = Run(decoder, *job);
    lock.lock();
    running = nullptr;
    job->end = end;
    job->finished = true;
    changed_.notify_all();
  }
}

ParallelBzip2::JobEnd ParallelBzip2::Run(Bzip2BlockDecoder& decoder, Job& job) {
  switch (decoder.Begin(job.range)) {
    case Bzip2BlockDecoder::Start::kReady: break;
    case Bzip2BlockDecoder::Start::kShort: return JobEnd::kShort;
    case Bzip2BlockDecoder::Start::kFailed: return JobEnd::kBroken;
  }
  job.crc = decoder.crc();  // read by the other side only once finished is set
  for (;;) {
    std::vector<char> piece;
    switch (decoder.Next(piece, kOutputPiece)) {
      case Bzip2BlockDecoder::Pull::kDone: return JobEnd::kDone;
      case Bzip2BlockDecoder::Pull::kBroken: return JobEnd::kBroken;
      case Bzip2BlockDecoder::Pull::kData:
        if (!Deliver(job, std::move(piece))) return JobEnd::kBroken;
        break;
    }
  }
}

// Hands a piece to the job's queue, waiting while the job holds its share;
// false once the job or everything was called off.
bool ParallelBzip2::Deliver(Job& job, std::vector<char>&& piece) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stop_ || job.cancelled || job.buffered < kJobOutputLimit; });
  if (stop_ || job.cancelled) return false;
  job.buffered += piece.size();
  job.pieces.push_back(std::move(piece));
  changed_.notify_all();
  return true;
}

// ---- the reading side

ParallelBzip2::Read ParallelBzip2::Next(const char*& data, std::size_t& size) {
  data = nullptr;
  size = 0;
  current_ = {};
  for (;;) {
    switch (phase_) {
      case Phase::kEnd: return Read::kEnd;
      case Phase::kBroken: return Read::kBroken;
      case Phase::kStreamHeader: StartStream(); continue;
      case Phase::kBlocks: break;
    }
    if (decodingHere_) {
      std::vector<char> piece;
      switch (here_.Next(piece, kOutputPiece)) {
        case Bzip2BlockDecoder::Pull::kData: return Give(std::move(piece), hereEnd_, data, size);
        case Bzip2BlockDecoder::Pull::kDone:
          decodingHere_ = false;
          FinishBlock(here_.crc(), hereEnd_);
          continue;
        case Bzip2BlockDecoder::Pull::kBroken: Fail("bzip2 data is damaged"); continue;
      }
    }
    Candidate* head = Head();
    if (head == nullptr) {
      Fail(finder_.failed() ? "read error" : "bzip2 data is damaged or cut short");
      continue;
    }
    if (head->marker.kind == Bzip2MarkerKind::kEnd) {
      EndStream(head->marker.bit);
      continue;
    }
    Job& job = *head->job;
    // A block the threads cannot take, or that the finder gave the level of
    // another stream, is decoded here.
    if (workers_.empty() || job.range.level != level_) {
      const Bzip2BlockRange range{job.range.start, job.range.end, level_};
      Cancel(*head);
      window_.pop_front();
      DecodeHere(range, true);
      continue;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !job.pieces.empty() || job.finished; });
    if (!job.pieces.empty()) {
      std::vector<char> piece = std::move(job.pieces.front());
      job.pieces.pop_front();
      job.buffered -= piece.size();
      lock.unlock();
      changed_.notify_all();
      return Give(std::move(piece), job.range.end, data, size);
    }
    lock.unlock();
    const std::shared_ptr<Job> done = head->job;
    Cancel(*head);
    window_.pop_front();
    switch (done->end) {
      case JobEnd::kDone: FinishBlock(done->crc, done->range.end); break;
      case JobEnd::kShort: Resync(done->range.start); break;
      case JobEnd::kBroken: Fail("bzip2 data is damaged"); break;
    }
  }
}

ParallelBzip2::Read ParallelBzip2::Give(std::vector<char>&& piece, std::uint64_t blockEnd, const char*& data,
                                        std::size_t& size) {
  current_ = std::move(piece);
  deliveredEnd_ = blockEnd;
  data = current_.data();
  size = current_.size();
  return Read::kData;
}

// A stream follows where the last one's bytes end, or the data ends there:
// what follows that is left alone when it cannot begin a stream, and is a
// stream cut short or damaged when it can (MemberMayStartAt).
void ParallelBzip2::StartStream() {
  const std::optional<int> level = Bzip2StreamLevelAt(*file_, streamByte_);
  if (streamByte_ > 0 && (file_->size() - streamByte_ < kShortestStream || !level)) {
    if (MemberMayStartAt(*file_, streamByte_, kBzip2Only)) return Fail("bzip2 data is cut short");
    phase_ = Phase::kEnd;
    Shutdown();
    return;
  }
  if (!level) return Fail("no bzip2 stream header");
  level_ = *level;
  combined_ = 0;
  position_ = 8 * static_cast<std::uint64_t>(streamByte_ + 4);
  phase_ = Phase::kBlocks;
}

void ParallelBzip2::EndStream(std::uint64_t bit) {
  const auto stored = ReadBitsAt(*file_, bit + kBzip2MagicBits, 32);
  if (!stored) return Fail("bzip2 data is cut short");
  if (*stored != combined_) return Fail("bzip2 stream CRC does not match its blocks");
  window_.pop_front();
  streamByte_ = static_cast<std::int64_t>((bit + kStreamTrailerBits + 7) / 8);
  phase_ = Phase::kStreamHeader;
}

void ParallelBzip2::FinishBlock(std::uint32_t crc, std::uint64_t end) {
  combined_ = RotateLeft1(combined_) ^ crc;
  position_ = end;
}

// The candidate at the bit where the next block or stream end is due, with
// its job when it is a block; nothing when no marker is there.
ParallelBzip2::Candidate* ParallelBzip2::Head() {
  while (!window_.empty() && window_.front().marker.bit < position_) {
    Cancel(window_.front());
    window_.pop_front();
  }
  TopUp();
  while (!window_.empty() && window_.front().marker.bit < position_) {
    Cancel(window_.front());
    window_.pop_front();
    TopUp();
  }
  if (window_.empty() || window_.front().marker.bit != position_) return nullptr;
  Candidate& head = window_.front();
  // The head is the last candidate only while its end is not known yet.
  while (head.marker.kind == Bzip2MarkerKind::kBlock && !head.job) PullMarker();
  return &head;
}

// Keeps a few jobs a thread ahead; stream ends count too, so that a file of
// nothing but end magics cannot fill the memory with candidates.
void ParallelBzip2::TopUp() {
  while (!finderDone_ && jobsInWindow_ < jobLimit_ && window_.size() < 4 * jobLimit_) PullMarker();
}

void ParallelBzip2::PullMarker() {
  const std::optional<Bzip2Marker> marker = finder_.Next();
  if (!marker) {
    finderDone_ = true;
    // The last block runs to the end of the file.
    if (!window_.empty() && window_.back().marker.kind == Bzip2MarkerKind::kBlock && !window_.back().job)
      Attach(window_.back(), fileBits_);
    return;
  }
  if (skipping_ && marker->bit <= skipThrough_) return;
  if (marker->kind == Bzip2MarkerKind::kBlock && marker->bit % 8 == 0 && marker->bit >= 32) {
    if (const auto level = Bzip2StreamLevelAt(*file_, static_cast<std::int64_t>(marker->bit / 8) - 4))
      finderLevel_ = *level;
  }
  if (!window_.empty() && window_.back().marker.kind == Bzip2MarkerKind::kBlock && !window_.back().job)
    Attach(window_.back(), marker->bit);
  window_.push_back({*marker, finderLevel_, nullptr});
}

void ParallelBzip2::Attach(Candidate& candidate, std::uint64_t end) {
  candidate.job = std::make_shared<Job>(Bzip2BlockRange{candidate.marker.bit, end, candidate.level});
  ++jobsInWindow_;
  if (workers_.empty()) return;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(candidate.job);
  }
  workReady_.notify_one();
}

// Calls off the candidate's job (a thread on it stops at its next piece)
// and lets it go from the window's count.
void ParallelBzip2::Cancel(Candidate& candidate) {
  if (!candidate.job) return;
  {
    std::lock_guard lock(mutex_);
    candidate.job->cancelled = true;
    candidate.job->pieces.clear();
    candidate.job->buffered = 0;
  }
  changed_.notify_all();
  candidate.job.reset();
  --jobsInWindow_;
}

void ParallelBzip2::DecodeHere(const Bzip2BlockRange& range, bool mayResync) {
  switch (here_.Begin(range)) {
    case Bzip2BlockDecoder::Start::kReady:
      decodingHere_ = true;
      hereEnd_ = range.end;
      return;
    case Bzip2BlockDecoder::Start::kShort:
      if (mayResync) return Resync(range.start);
      return Fail("bzip2 data is damaged");
    case Bzip2BlockDecoder::Start::kFailed: return Fail("bzip2 block could not be read");
  }
}

// The block due at `start` runs past the next marker: that marker came
// about by chance. Its symbols, decoded with the rest of the file behind
// them, tell within a byte where it ends; the one marker there (markers are
// at least 45 bits apart) is its true end.
void ParallelBzip2::Resync(std::uint64_t start) {
  const std::optional<Bzip2BlockEnd> end = Bzip2BlockDecoder::FindEnd(file_, start, level_);
  if (!end) return Fail("bzip2 data is damaged");
  while (!window_.empty() && window_.front().marker.bit <= end->after) {
    Cancel(window_.front());
    window_.pop_front();
  }
  skipping_ = true;
  skipThrough_ = end->after;
  while (window_.empty() && !finderDone_) PullMarker();
  skipping_ = false;
  if (window_.empty() || window_.front().marker.bit > end->atMost) return Fail("bzip2 data is damaged");
  DecodeHere({start, window_.front().marker.bit, level_}, false);
}

void ParallelBzip2::Fail(const std::string& why) {
  error_ = why;
  phase_ = Phase::kBroken;
  Shutdown();
}

}  // namespace dv
