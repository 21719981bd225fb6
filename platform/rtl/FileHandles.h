// The handle calls under the file stream, one set per system. A handle is
// the C library's descriptor; -1 and errno on failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Creates or truncates a regular file for writing; never waits on a FIFO or
// a device (EINVAL for anything that is no regular file).
int CreateRegularFile(const std::string& path, int& error);
std::int64_t ReadHandle(int handle, void* buffer, std::size_t count);
std::int64_t WriteHandle(int handle, const void* buffer, std::size_t count);
std::int64_t HandleSize(int handle);
std::int64_t HandlePosition(int handle);
