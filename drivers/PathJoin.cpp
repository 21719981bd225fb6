#include "drivers/PathJoin.h"

#include "platform/rtl/Ansi.h"

std::string PathJoin(const std::string& directory, const std::string& fileName) {
  if (directory.empty()) return fileName;
  if (AnsiEndsWithChar(directory, PathDelim)) return directory + fileName;
  return directory + PathDelim + fileName;
}
