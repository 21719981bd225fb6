// The framework's exception classes: a message text, nothing more.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A text or number that is no valid date or time.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A file that could not be opened or created as a stream.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// Any other failure of the file system, with the system's own text.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};
