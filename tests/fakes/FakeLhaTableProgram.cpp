// A program with nothing but the LHA function table linked in: its entry
// appends "main" to the load log the fake UNLHA32.DLL writes to, so the log
// shows whether the table loaded the library before the entry and released
// it after.
#include <cstdio>
#include <cstdlib>

int main() {
  const char* path = std::getenv("DOVANEL_FAKE_LOAD_LOG");
  if (path == nullptr) return 2;
  std::FILE* file = std::fopen(path, "a");
  if (file == nullptr) return 3;
  std::fputs("main\n", file);
  return std::fclose(file) == 0 ? 0 : 4;
}
