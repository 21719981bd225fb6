#include "libraries/core/read/arj/PrefixCode.h"

#include <algorithm>

namespace dv {

bool PrefixCode::Assign(const std::uint8_t* lengths, unsigned count) {
  single_ = -1;
  assigned_ = false;
  countOfLength_.fill(0);
  for (unsigned symbol = 0; symbol < count; ++symbol) {
    if (lengths[symbol] > kMaxLength) return false;
    ++countOfLength_[lengths[symbol]];
  }
  // Complete: the codes' shares of the 16-bit space add up to all of it.
  std::uint32_t space = 0;
  for (unsigned length = 1; length <= kMaxLength; ++length)
    space += static_cast<std::uint32_t>(countOfLength_[length]) << (kMaxLength - length);
  if (space != std::uint32_t{1} << kMaxLength) return false;

  std::array<std::uint32_t, kMaxLength + 2> nextCode{};
  std::array<std::uint32_t, kMaxLength + 2> nextIndex{};
  for (unsigned length = 1; length <= kMaxLength; ++length) {
    nextCode[length + 1] = (nextCode[length] + countOfLength_[length]) << 1;
    nextIndex[length + 1] = nextIndex[length] + countOfLength_[length];
  }
  symbolsByCode_.assign(nextIndex[kMaxLength + 1], 0);
  std::fill(table_.begin(), table_.end(), 0);
  for (unsigned symbol = 0; symbol < count; ++symbol) {
    const unsigned length = lengths[symbol];
    if (length == 0) continue;
    symbolsByCode_[nextIndex[length]++] = static_cast<std::uint16_t>(symbol);
    const std::uint32_t code = nextCode[length]++;
    if (length > tableBits_) continue;
    // Every table slot whose leading bits are this code.
    const unsigned spread = tableBits_ - length;
    const std::uint32_t first = code << spread;
    std::fill_n(table_.begin() + first, std::size_t{1} << spread, symbol << kSymbolShift | length);
  }
  assigned_ = true;
  return true;
}

void PrefixCode::AssignSingle(unsigned symbol) {
  single_ = static_cast<int>(symbol);
  assigned_ = true;
}

int PrefixCode::DecodeLong(ArjBitInput& input) const {
  // The canonical walk: at each length, the codes of that length are the
  // `count` values from `first` on.
  const unsigned bits = input.Peek(kMaxLength);
  std::uint32_t first = 0, index = 0;
  for (unsigned length = 1; length <= kMaxLength; ++length) {
    const std::uint32_t code = bits >> (kMaxLength - length);
    const std::uint32_t count = countOfLength_[length];
    if (code - first < count) {
      input.Skip(length);
      return symbolsByCode_[index + code - first];
    }
    index += count;
    first = (first + count) << 1;
  }
  return -1;
}

}  // namespace dv
