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
  atSevenZip = 10,
};
