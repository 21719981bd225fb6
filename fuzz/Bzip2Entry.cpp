#include "fuzz/Bzip2Entry.h"

#include <archive.h>
#include <archive_entry.h>

#include <fstream>
#include <span>
#include <vector>

#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/bzip2/Bzip2BlockFinder.h"
#include "libraries/core/read/bzip2/ParallelBzip2.h"

namespace dvfuzz {
namespace {

void Fault(Outcome& outcome, const std::string& text) {
  if (!outcome.faults.empty()) outcome.faults += "; ";
  outcome.faults += text;
}

std::vector<dv::Bzip2Marker> MarkersBitByBit(const std::uint8_t* bytes, std::size_t size) {
  std::vector<dv::Bzip2Marker> found;
  std::uint64_t window = 0;
  for (std::uint64_t bit = 0; bit < 8 * static_cast<std::uint64_t>(size); ++bit) {
    window = (window << 1 | (bytes[bit / 8] >> (7 - bit % 8) & 1)) & ((std::uint64_t{1} << 48) - 1);
    if (bit < 47) continue;
    if (window == dv::kBzip2BlockMagic) found.push_back({bit - 47, dv::Bzip2MarkerKind::kBlock});
    if (window == dv::kBzip2EndMagic) found.push_back({bit - 47, dv::Bzip2MarkerKind::kEnd});
  }
  return found;
}

enum class End { kEnd, kBroken, kEnough };

struct Unpacked {
  std::string bytes;
  End end = End::kBroken;
};

const char* Name(End end) { return end == End::kEnd ? "end" : end == End::kBroken ? "broken" : "enough"; }

// The bytes as long as they come and fit; false from a sink stops at the cap.
bool Take(Unpacked& out, const void* data, std::size_t size) {
  const std::size_t room = kMaxBzip2Output - out.bytes.size();
  out.bytes.append(static_cast<const char*>(data), std::min(size, room));
  return size < room;
}

bool OneThread(const std::shared_ptr<const dv::PositionalFile>& file, Unpacked& out) {
  dv::LibArchiveReader reader;
  struct archive_entry* header = nullptr;
  if (!reader.Open(file, 0, dv::LibArchiveReader::kNoLimit, dv::RawUnpackSetup(dv::kBzip2Only)) ||
      archive_filter_count(reader.get()) != 2 || archive_read_next_header(reader.get(), &header) != ARCHIVE_OK)
    return false;
  bool fatal = false;  // one entry: nothing is asked after it either way
  switch (dv::CopyArchiveData(
      reader.get(), [&](const void* data, std::size_t size) { return Take(out, data, size); }, fatal)) {
    case dv::DataResult::kDone: out.end = End::kEnd; break;
    case dv::DataResult::kSinkFailed: out.end = End::kEnough; break;
    default: out.end = End::kBroken; break;
  }
  return true;
}

Unpacked Threaded(const std::shared_ptr<const dv::PositionalFile>& file, unsigned threads) {
  Unpacked out;
  dv::ParallelBzip2 unpacked(file, threads);
  const char* data = nullptr;
  std::size_t size = 0;
  for (;;) {
    switch (unpacked.Next(data, size)) {
      case dv::ParallelBzip2::Read::kEnd: out.end = End::kEnd; return out;
      case dv::ParallelBzip2::Read::kBroken: out.end = End::kBroken; return out;
      case dv::ParallelBzip2::Read::kData:
        if (!Take(out, data, size)) {
          out.end = End::kEnough;
          return out;
        }
        break;
    }
  }
}

void CheckFinder(const std::shared_ptr<const dv::PositionalFile>& file, const std::uint8_t* bytes, std::size_t size,
                 const std::vector<dv::Bzip2Marker>& expected, Outcome& outcome) {
  std::vector<dv::Bzip2Marker> whole;
  dv::FindBzip2Markers(std::span(bytes, size), size, 0, whole);
  if (whole != expected) Fault(outcome, "the finder over one buffer missed or invented a magic");
  dv::Bzip2BlockFinder finder(file, 1 + (size > 0 ? bytes[size - 1] % 23 : 0));
  std::vector<dv::Bzip2Marker> chunked;
  while (const auto marker = finder.Next()) chunked.push_back(*marker);
  if (chunked != expected) Fault(outcome, "the finder in chunks missed or invented a magic");
}

}  // namespace

Outcome Bzip2Outcome(const std::string& scratch, const std::uint8_t* bytes, std::size_t size) {
  Outcome outcome;
  {
    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!out) return {"", "cannot write the scratch file"};
  }
  const auto file = dv::PositionalFile::Open(scratch.c_str());
  if (!file) return {"", "cannot open the scratch file"};
  const std::vector<dv::Bzip2Marker> markers = MarkersBitByBit(bytes, size);
  CheckFinder(file, bytes, size, markers, outcome);

  Unpacked reference;
  if (!OneThread(file, reference)) {
    outcome.summary = "refused markers=" + std::to_string(markers.size());
    return outcome;
  }
  outcome.summary = "markers=" + std::to_string(markers.size()) + " bytes=" + std::to_string(reference.bytes.size()) +
                    " " + Name(reference.end);
  for (unsigned threads : {0u, 2u}) {
    const Unpacked threaded = Threaded(file, threads);
    const std::string with = " (" + std::to_string(threads) + " threads)";
    const std::size_t common = std::min(threaded.bytes.size(), reference.bytes.size());
    if (threaded.bytes.compare(0, common, reference.bytes, 0, common) != 0)
      Fault(outcome, "bytes differ from libarchive's" + with);
    if (threaded.end != reference.end)
      Fault(outcome,
            std::string("ended ") + Name(threaded.end) + " where libarchive ended " + Name(reference.end) + with);
    else if (threaded.end != End::kBroken && threaded.bytes.size() != reference.bytes.size())
      Fault(outcome, "a different number of bytes" + with);
  }
  return outcome;
}

}  // namespace dvfuzz
