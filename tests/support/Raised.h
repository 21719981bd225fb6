// What a call raises, for comparing the message the user would see.
#pragma once

#include <functional>
#include <string>

#include "drivers/base/EArchiver.h"

// The message of the E the call raises; "(nothing raised)" otherwise.
// Any other exception escapes, and so fails the test.
template <typename E = EArchiver>
std::string RaisedMessage(const std::function<void()>& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return "(nothing raised)";
}
