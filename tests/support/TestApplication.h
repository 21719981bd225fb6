// The one application object a test program shares (Qt allows one per
// process). Its message boxes are caught, never shown.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Application.h"

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned type;
};

TApplication& TestApplication();
// Boxes shown since the last call, oldest first; clears the record.
std::vector<ShownBox> TakeShownBoxes();
