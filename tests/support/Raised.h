// What a call raises, for comparing the message the user would see.
#pragma once

#include <functional>
#include <string>

#include "archives/EArchiver.h"

// The message of the EArchiver the call raises; "(nothing raised)" otherwise.
// Any other exception escapes, and so fails the test.
inline std::string RaisedMessage(const std::function<void()>& call) {
  try {
    call();
  } catch (const EArchiver& e) {
    return e.Message();
  }
  return "(nothing raised)";
}
