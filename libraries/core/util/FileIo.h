// Plain file input and output: new files made under unique names (beside
// their final place, moved there only when complete, so a failure never
// leaves a half-written file under the final name), and whole reads and
// writes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "libraries/core/util/DataSink.h"

namespace dv {

// A name for a new file: `prefix` and a random tail.
std::string UniqueCandidate(std::string_view prefix);

// Writes all of `size` bytes; false on a write error.
bool WriteAll(int fd, const void* data, std::size_t size);

// Feeds what is left of `fd` to `sink` and counts it into `total`; kBroken
// on a read error.
DataResult ReadAll(int fd, const DataSink& sink, std::uint64_t& total);

}  // namespace dv
