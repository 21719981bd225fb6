// The archive layer's own failures, with a message for the user.
#pragma once

#include <string>

#include "platform/rtl/Exception.h"
#include "platform/winapi/LibraryFolders.h"

class EArchiver : public Exception {
 public:
  using Exception::Exception;
};

// A driver whose library could not be loaded. The message is the driver's
// own; where the library was looked for is kept beside it, taken when the
// load failed, for reports that name the folders.
class ELibraryMissing : public EArchiver {
 public:
  explicit ELibraryMissing(const std::string& message) : EArchiver(message), searched_(LibrarySearchText()) {}
  const std::string& Searched() const { return searched_; }

 private:
  std::string searched_;
};
