// The two ARJ decoder cores behind UnpackArjData. Each reads codes from
// `input` until `output` holds the entry's whole size; kBroken as soon as a
// code is impossible or the input ran past its end, kSinkFailed when the
// sink refused.
#pragma once

#include "libraries/core/read/arj/ArjBitInput.h"
#include "libraries/core/read/arj/ArjOutput.h"

namespace dv {

// Methods 1 to 3.
DataResult DecodeArjHuffman(ArjBitInput& input, ArjOutput& output);
// Method 4.
DataResult DecodeArjFastest(ArjBitInput& input, ArjOutput& output);

}  // namespace dv
