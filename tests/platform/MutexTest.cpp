// Named mutexes as per-user locks: held by their creator's process until its
// last handle closes or the process dies, seen by every other process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/winapi/Mutex.h"
#include "tests/support/RuntimeFolder.h"

namespace {
class MutexTest : public ::testing::Test {
 protected:
  ScopedRuntimeFolder runtime_;
};

// A child process that takes the mutex and waits to be killed.
class Holder {
 public:
  explicit Holder(const char* name) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      const char answer = CreateMutexA(nullptr, FALSE, name) != nullptr && GetLastError() == ERROR_SUCCESS ? 'y' : 'n';
      if (::write(ready[1], &answer, 1) != 1) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    took_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
  }
  ~Holder() { Kill(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  bool Took() const { return took_; }
  // As a crash would end it: no handle is closed.
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  bool took_ = false;
};

TEST_F(MutexTest, HeldFromCreationUntilTheLastHandleCloses) {
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "hdv"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  HANDLE created = CreateMutexA(nullptr, FALSE, "hdv");
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE opened = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "hdv");
  ASSERT_NE(opened, nullptr);
  EXPECT_NE(opened, created);
  // Another name is another mutex.
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "other"), nullptr);

  HANDLE again = CreateMutexA(nullptr, FALSE, "hdv");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

  EXPECT_EQ(CloseHandle(created), TRUE);
  HANDLE probe = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "hdv");
  EXPECT_NE(probe, nullptr) << "handles are still open";
  EXPECT_EQ(CloseHandle(probe), TRUE);
  EXPECT_EQ(CloseHandle(opened), TRUE);
  EXPECT_EQ(CloseHandle(again), TRUE);
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "hdv"), nullptr);
  EXPECT_EQ(CloseHandle(again), FALSE) << "a handle closes once";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CloseHandle(nullptr), FALSE);
}

TEST_F(MutexTest, AnotherProcessSeesTheMutexUntilItDiesWithoutStaleLock) {
  Holder holder("hdv");
  ASSERT_TRUE(holder.Took());
  HANDLE opened = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "hdv");
  EXPECT_NE(opened, nullptr);
  HANDLE created = CreateMutexA(nullptr, FALSE, "hdv");
  EXPECT_NE(created, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(opened);
  CloseHandle(created);

  holder.Kill();
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "hdv"), nullptr);
  HANDLE mine = CreateMutexA(nullptr, FALSE, "hdv");
  EXPECT_NE(mine, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(mine);
}

TEST_F(MutexTest, TheRuntimeFolderIsPrivateToTheUser) {
  const std::string folder = UserRuntimeFolder();
  EXPECT_EQ(folder, runtime_.path().string() + "/dovanel");
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A folder that others may write to is not used.
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  EXPECT_EQ(UserRuntimeFolder(), "");
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, "hdv"), nullptr);
  // Names that would leave the folder are refused.
  ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, "../hdv"), nullptr);
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "../hdv"), nullptr);
}
}  // namespace
