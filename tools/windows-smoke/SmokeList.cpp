// Lists an archive through libarchive on standard output, one entry a line:
// its name in UTF-8, its size and its modification time in seconds since
// 1970 (UTC), separated by tabs.
#include <windows.h>

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct ReaderDeleter {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

// libarchive keeps names read on Windows as UTF-16; its UTF-8 form passes
// through the ANSI code page and is lost for names outside it.
std::string Utf8Name(archive_entry* entry) {
  const wchar_t* name = archive_entry_pathname_w(entry);
  if (!name) return "(no name)";
  const int size = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, name, -1, text.data(), size, nullptr, nullptr);
  if (!text.empty()) text.pop_back();  // the terminating null
  return text;
}

}  // namespace

// options: libarchive's reader options ("hdrcharset=CP932"), or empty.
extern "C" __declspec(dllexport) int WINAPI SmokeList(const char* path, const char* options) {
  std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
  archive_read_support_filter_all(reader.get());
  archive_read_support_format_all(reader.get());
  if ((*options != '\0' && archive_read_set_options(reader.get(), options) != ARCHIVE_OK) ||
      archive_read_open_filename(reader.get(), path, 10240) != ARCHIVE_OK) {
    std::fprintf(stderr, "%s: %s\n", path, archive_error_string(reader.get()));
    return 1;
  }
  archive_entry* entry = nullptr;
  int result;
  while ((result = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
    std::printf("%s\t%lld\t%lld\n", Utf8Name(entry).c_str(), static_cast<long long>(archive_entry_size(entry)),
                static_cast<long long>(archive_entry_mtime(entry)));
  }
  if (result != ARCHIVE_EOF) {
    std::fprintf(stderr, "%s: %s\n", path, archive_error_string(reader.get()));
    return 1;
  }
  return 0;
}
