// The libraries' command-line parser, every language, on arbitrary lines.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzMain.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dvfuzz::Settle(dvfuzz::CommandLineOutcome(data, size));
  return 0;
}
