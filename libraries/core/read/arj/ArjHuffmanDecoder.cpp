// Methods 1 to 3. The data is a series of blocks; each starts with its
// number of codes (16 bits) and three code tables:
//   - the code that sends the lengths of the character code (19 symbols),
//   - the character code (510 symbols): 0-255 a literal byte, 256 on a match
//     of length symbol - 253 (3 to 256 bytes),
//   - the position code (17 symbols): slot 0 and 1 are the distances 0 and
//     1, slot s above them 2^(s-1) plus s-1 more bits.
// A match copies from distance + 1 bytes back.
#include <array>

#include "libraries/core/read/arj/ArjDecoderCores.h"
#include "libraries/core/read/arj/PrefixCode.h"

namespace dv {
namespace {

constexpr unsigned kMinMatch = 3;
constexpr unsigned kCharSymbols = 256 + 256 - kMinMatch + 1;
constexpr unsigned kCharCountBits = 9;
constexpr unsigned kLengthSymbols = PrefixCode::kMaxLength + 3;
constexpr unsigned kLengthCountBits = 5;
constexpr unsigned kPositionSymbols = 17;
constexpr unsigned kPositionCountBits = 5;
constexpr unsigned kSmallTableBits = 8;
constexpr unsigned kCharTableBits = 12;

// A table of one symbol: a zero count, then the symbol itself.
bool ReadSingle(ArjBitInput& input, unsigned countBits, unsigned symbols, PrefixCode& code) {
  const unsigned symbol = input.Take(countBits);
  if (symbol >= symbols) return false;
  code.AssignSingle(symbol);
  return true;
}

// The length code and the position code send their code lengths as 3-bit
// numbers, 7 and above as 7 followed by one 1 bit per step beyond it and a
// closing 0. In the length code, two bits after the third length give a
// run of zero lengths to follow.
bool ReadSmallCode(ArjBitInput& input, unsigned symbols, unsigned countBits, bool zerosAfterThird, PrefixCode& code) {
  const unsigned count = input.Take(countBits);
  if (count == 0) return ReadSingle(input, countBits, symbols, code);
  if (count > symbols) return false;
  std::array<std::uint8_t, kLengthSymbols> lengths{};
  static_assert(kLengthSymbols >= kPositionSymbols);
  for (unsigned i = 0; i < count;) {
    unsigned length = input.Take(3);
    if (length == 7) {
      while (input.Take(1) != 0)
        if (++length > PrefixCode::kMaxLength || input.Overrun()) return false;
    }
    lengths[i++] = static_cast<std::uint8_t>(length);
    if (zerosAfterThird && i == 3) {
      const unsigned zeros = input.Take(2);
      if (i + zeros > count) return false;
      i += zeros;
    }
  }
  return !input.Overrun() && code.Assign(lengths.data(), symbols);
}

// The character code's lengths, each sent in the length code: symbols 0-2
// are runs of zero lengths (one; 3-18; 20-531), symbol s above them the
// length s - 2.
bool ReadCharCode(ArjBitInput& input, const PrefixCode& lengthCode, PrefixCode& code) {
  const unsigned count = input.Take(kCharCountBits);
  if (count == 0) return ReadSingle(input, kCharCountBits, kCharSymbols, code);
  if (count > kCharSymbols) return false;
  std::array<std::uint8_t, kCharSymbols> lengths{};
  for (unsigned i = 0; i < count;) {
    const int symbol = lengthCode.Decode(input);
    if (symbol < 0 || input.Overrun()) return false;
    if (symbol > 2) {
      lengths[i++] = static_cast<std::uint8_t>(symbol - 2);
      continue;
    }
    const unsigned zeros = symbol == 0 ? 1 : symbol == 1 ? input.Take(4) + 3 : input.Take(kCharCountBits) + 20;
    if (i + zeros > count) return false;
    i += zeros;
  }
  return !input.Overrun() && code.Assign(lengths.data(), kCharSymbols);
}

}  // namespace

DataResult DecodeArjHuffman(ArjBitInput& input, ArjOutput& output) {
  PrefixCode lengthCode(kSmallTableBits), charCode(kCharTableBits), positionCode(kSmallTableBits);
  unsigned blockLeft = 0;
  while (!output.Done()) {
    if (blockLeft == 0) {
      blockLeft = input.Take(16);
      if (blockLeft == 0 || !ReadSmallCode(input, kLengthSymbols, kLengthCountBits, true, lengthCode) ||
          !ReadCharCode(input, lengthCode, charCode) ||
          !ReadSmallCode(input, kPositionSymbols, kPositionCountBits, false, positionCode))
        return DataResult::kBroken;
    }
    --blockLeft;
    const int symbol = charCode.Decode(input);
    if (symbol < 0) return DataResult::kBroken;
    if (symbol < 256) {
      if (!output.Literal(static_cast<unsigned char>(symbol))) return output.failure();
    } else {
      const unsigned length = static_cast<unsigned>(symbol) - 256 + kMinMatch;
      const int slot = positionCode.Decode(input);
      if (slot < 0) return DataResult::kBroken;
      const unsigned distance =
          slot <= 1 ? static_cast<unsigned>(slot) : (1u << (slot - 1)) + input.Take(static_cast<unsigned>(slot) - 1);
      if (!output.Match(distance, length)) return output.failure();
    }
    if (input.Overrun()) return DataResult::kBroken;
  }
  return output.Finish() ? DataResult::kDone : output.failure();
}

}  // namespace dv
