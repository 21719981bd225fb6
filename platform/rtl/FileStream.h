// The framework's file stream: a file opened or created by name, read and
// written in blocks, closed when the stream goes away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Files.h"

// Creates the file, replacing any file of that name.
constexpr unsigned fmCreate = 0xFF00;

class EReadError : public Exception {
 public:
  using Exception::Exception;
};
class EWriteError : public Exception {
 public:
  using Exception::Exception;
};

class TFileStream {
 public:
  // fmCreate creates or replaces a regular file (EFCreateError when it
  // cannot); any other mode opens an existing regular file with FileOpen's
  // access and sharing rules (EFOpenError when it cannot).
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  const std::string& FileName() const { return fileName_; }
  // Up to `count` bytes; 0 at the end of the file. Raises EReadError.
  std::size_t Read(void* buffer, std::size_t count);
  // All `count` bytes or EWriteError.
  void WriteBuffer(const void* buffer, std::size_t count);
  // The file's size in bytes and the current position.
  std::int64_t Size() const;
  std::int64_t Position() const;
  // The source from its position to the end it has when the copy starts,
  // appended here; what is added to the source meanwhile is not copied.
  void CopyFrom(TFileStream& source);

 private:
  std::string fileName_;
  int handle_ = -1;
};
