// libarchive turns names stored as UTF-16, CP932 and the like into the
// calling thread's locale, and fails the whole header when that locale cannot
// hold them (the C locale holds only ASCII). Reading under a UTF-8 locale on
// this thread alone gives every such name as UTF-8, whatever the host
// program's locale; names stored without a known charset stay raw bytes.
// (read/posix/ and read/win32/ each do it their own way.)
#pragma once

namespace dv {

enum class ThreadLocale { kUtf8, kC };

// The locale of the calling thread alone, for the life of the object, and back.
class ScopedThreadLocale {
 public:
  explicit ScopedThreadLocale(ThreadLocale locale);
  ~ScopedThreadLocale();
  ScopedThreadLocale(const ScopedThreadLocale&) = delete;
  ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;

 private:
  void* previous_ = nullptr;  // the thread's locale before, where there is one
};

class ScopedUtf8Locale : public ScopedThreadLocale {
 public:
  ScopedUtf8Locale() : ScopedThreadLocale(ThreadLocale::kUtf8) {}
};

// The C locale on this thread alone: libarchive's ZIP writer then stores a
// name's bytes as they are (CP932 from a Japanese system), without the UTF-8
// flag, as Info-ZIP writes them. On Windows names are UTF-8 text by then.
class ScopedCLocale : public ScopedThreadLocale {
 public:
  ScopedCLocale() : ScopedThreadLocale(ThreadLocale::kC) {}
};

}  // namespace dv
