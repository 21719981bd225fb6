// A path the system calls take whatever its length. The kernel refuses a
// path of PATH_MAX bytes or more, but a folder tree may be deeper than that:
// such a path is reached through a descriptor of its folder, opened a chunk
// of components at a time, and handed out as "/proc/self/fd/N/name".
#pragma once

#include <string>

class TPathAccess {
 public:
  explicit TPathAccess(const std::string& path);
  ~TPathAccess();
  TPathAccess(const TPathAccess&) = delete;
  TPathAccess& operator=(const TPathAccess&) = delete;

  // What to hand to the system while this object lives: the path itself when
  // it is short enough, else the name beside the held folder descriptor.
  const char* c_str() const { return usable_.c_str(); }
  const std::string& Path() const { return usable_; }
  // 0, or why the folder of a long path could not be reached (the system's
  // errno value); Path() then is the path itself, which calls refuse.
  int Error() const { return error_; }

 private:
  int folder_ = -1;
  int error_ = 0;
  std::string usable_;
};
