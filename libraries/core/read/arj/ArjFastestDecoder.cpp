// Method 4. Each step starts with a length number: 0 is a literal byte in
// the next 8 bits; n above 0 a match of n + 2 bytes, whose distance number
// follows. A number is sent as a run of 1 bits (at most `last - first`)
// closed by a 0 unless the run is at its longest; a run of k ones adds
// 2^first + ... + 2^(first+k-1) to the next first + k bits.
#include "libraries/core/read/arj/ArjDecoderCores.h"

namespace dv {
namespace {

constexpr unsigned kLengthFirstWidth = 0, kLengthLastWidth = 7;
constexpr unsigned kDistanceFirstWidth = 9, kDistanceLastWidth = 13;
constexpr unsigned kMinMatch = 3;

unsigned ReadNumber(ArjBitInput& input, unsigned firstWidth, unsigned lastWidth) {
  unsigned width = firstWidth, base = 0;
  while (width < lastWidth && input.Take(1) != 0) {
    base += 1u << width;
    ++width;
  }
  return base + input.Take(width);
}

}  // namespace

DataResult DecodeArjFastest(ArjBitInput& input, ArjOutput& output) {
  while (!output.Done()) {
    const unsigned lengthNumber = ReadNumber(input, kLengthFirstWidth, kLengthLastWidth);
    const bool made = lengthNumber == 0 ? output.Literal(static_cast<unsigned char>(input.Take(8)))
                                        : output.Match(ReadNumber(input, kDistanceFirstWidth, kDistanceLastWidth),
                                                       lengthNumber - 1 + kMinMatch);
    if (!made) return output.failure();
    if (input.Overrun()) return DataResult::kBroken;
  }
  return output.Finish() ? DataResult::kDone : output.failure();
}

}  // namespace dv
