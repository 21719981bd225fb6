#include "platform/rtl/FileMove.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

bool RenameFile(const std::string& oldName, const std::string& newName) {
  return std::rename(oldName.c_str(), newName.c_str()) == 0;
}

bool SameFile(const std::string& first, const std::string& second) {
  struct stat a {}, b {};
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string CreateUniqueFile(const std::string& prefix) {
  std::string name = prefix + "XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name;
}
