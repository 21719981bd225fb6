// The archive layer's own failures, with a message for the user.
#pragma once

#include "platform/rtl/Exception.h"

class EArchiver : public Exception {
 public:
  using Exception::Exception;
};
