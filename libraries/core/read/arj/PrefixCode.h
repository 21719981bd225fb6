// A canonical prefix code (static Huffman) given by its code lengths:
// shorter codes first, and within one length the symbols in order. Codes up
// to `tableBits` long are found with one look-up; longer ones are walked
// length by length. Only a complete code is taken, so every bit pattern
// names a symbol.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "libraries/core/read/arj/ArjBitInput.h"

namespace dv {

class PrefixCode {
 public:
  static constexpr unsigned kMaxLength = 16;

  explicit PrefixCode(unsigned tableBits) : tableBits_(tableBits), table_(std::size_t{1} << tableBits) {}

  // The code whose symbol i has `lengths[i]` bits (0: not used). False when
  // a length is over kMaxLength or the lengths do not make a complete code.
  bool Assign(const std::uint8_t* lengths, unsigned count);
  // A code of one symbol, which takes no bits at all.
  void AssignSingle(unsigned symbol);

  // The next symbol of `input`; -1 when no code was assigned.
  int Decode(ArjBitInput& input) const {
    if (single_ >= 0) return single_;
    if (!assigned_) return -1;
    const std::uint32_t entry = table_[input.Peek(tableBits_)];
    if ((entry & kLengthMask) != 0) {
      input.Skip(entry & kLengthMask);
      return static_cast<int>(entry >> kSymbolShift);
    }
    return DecodeLong(input);
  }

 private:
  static constexpr std::uint32_t kLengthMask = 0xFF;
  static constexpr unsigned kSymbolShift = 8;

  int DecodeLong(ArjBitInput& input) const;

  unsigned tableBits_;
  std::vector<std::uint32_t> table_;  // symbol << 8 | length; 0 for longer codes
  std::array<std::uint16_t, kMaxLength + 1> countOfLength_{};
  std::vector<std::uint16_t> symbolsByCode_;  // symbols in code order
  int single_ = -1;
  bool assigned_ = false;
};

}  // namespace dv
