#include "platform/rtl/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/rtl/FileHandles.h"

namespace {
std::string Reason(int error) { return error != 0 ? std::strerror(error) : "Access denied"; }
}  // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
  if (mode == fmCreate) {
    int error = 0;
    handle_ = CreateRegularFile(fileName, error);
    if (handle_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\". " + Reason(error));
    return;
  }
  errno = 0;
  handle_ = FileOpen(fileName, mode);
  if (handle_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + Reason(errno));
}

TFileStream::~TFileStream() { FileClose(handle_); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  for (;;) {
    const std::int64_t n = ReadHandle(handle_, buffer, count);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw EReadError("Stream read error: " + fileName_ + ". " + Reason(errno));
  }
}

void TFileStream::WriteBuffer(const void* buffer, std::size_t count) {
  const char* bytes = static_cast<const char*>(buffer);
  std::size_t written = 0;
  while (written < count) {
    const std::int64_t n = WriteHandle(handle_, bytes + written, count - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError("Stream write error: " + fileName_ + ". " + Reason(n < 0 ? errno : ENOSPC));
    written += static_cast<std::size_t>(n);
  }
}

std::int64_t TFileStream::Size() const {
  const std::int64_t size = HandleSize(handle_);
  if (size < 0) throw EReadError("Stream read error: " + fileName_ + ". " + Reason(errno));
  return size;
}

std::int64_t TFileStream::Position() const {
  const std::int64_t position = HandlePosition(handle_);
  if (position < 0) throw EReadError("Stream read error: " + fileName_ + ". " + Reason(errno));
  return position;
}

void TFileStream::CopyFrom(TFileStream& source) {
  std::vector<char> block(64 * 1024);
  std::int64_t left = source.Size() - source.Position();
  while (left > 0) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
    const std::size_t n = source.Read(block.data(), want);
    if (n == 0) break;  // the source became shorter
    WriteBuffer(block.data(), n);
    left -= static_cast<std::int64_t>(n);
  }
}
