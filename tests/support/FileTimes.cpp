#include "tests/support/FileTimes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

std::time_t MTime(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mtime;
}

std::time_t OwnMTime(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mtime;
}

void SetMTime(const std::string& path, std::time_t seconds) {
  const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}
