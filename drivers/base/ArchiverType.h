// The archive type codes, one byte, in their fixed order.
#pragma once

#include <cstdint>

enum TArchiverType : std::uint8_t {
  atLha = 0,
  atZip = 1,
  atCab = 2,
  atArj = 3,
  atTar = 4,
  atTgz = 5,
  atBZ2 = 6,
  atRar = 7,
  atNone = 8,
  atAutoDetect = 9,
  // Formats added later take the values after these; 10 stays unused, as
  // earlier versions refused it, so that no stored value changes its meaning.
  atTxz = 11,
  atTzst = 12,
  atSevenZip = 13,
};
