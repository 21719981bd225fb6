#include "app/ProgramInfo.h"

#include <cstring>

#ifndef DOVANEL_VERSION
#error "the build defines DOVANEL_VERSION"
#endif

namespace {
const char* const kUsage = R"(Usage: dovanel [/Q] [PATH...]
       dovanel --help | --version

Gives archive files the date of their contents: sets the last-write time of
each archive to the date and time of the newest entry it holds. Each PATH is a
file or a folder; folders are searched recursively. Without /Q a window shows
every file, its time before the run and its new time; files and folders can
be dropped on it. A /Q run goes ahead beside an open window. With no display
(neither DISPLAY nor WAYLAND_DISPLAY, and no QT_QPA_PLATFORM), a start
without /Q runs as /Q would and says so on stderr. Any argument other than /Q
is taken as a path.

  /Q         re-date without showing a window, then end (any case, anywhere
             among the paths)
  --help     print this help and end
  --version  print the version and end

Archives are recognised by their extension: .lzh (LHA), .zip (ZIP), .cab
(CAB), .arj (ARJ), .tar (TAR), .tgz .taz .gz .z (gzip- or compress-packed
tar, also a plain .gz), .bz2 .tbz2 (bzip2-packed tar, also a plain .bz2),
.xz .txz (xz-packed tar, also a plain .xz), .zst .tzst (zstd-packed tar,
also a plain .zst), .rar (RAR), .7z (7z); an .exe by its content (a
self-extracting archive of these formats).

Each format is read through its archiver library (UNLHA32.DLL, UNZIP32.DLL,
ZIP32J.DLL, LMZIP32.DLL, CAB32.DLL, UNARJ32J.DLL, tar32.dll, UNRAR32.DLL,
7-ZIP32.DLL),
looked for in the folders of DOVANEL_LIBRARY_PATH (separated by ':'), the
program's own folder, ../lib/dovanel beside it, then the system's library path.

With /Q nothing is printed when all goes well. Each archive that could not be
handled gets one line "PATH: REASON" on standard error: its library is
missing (the line names the folders searched), its library refused to open
it (an empty file, or one that is no archive of its type), or its time could
not be set (no permission, held by another process). An archive that its
library opens but that lists no entry (an empty archive, or one damaged
before its first entry) is left as it is.

Exit status with /Q:
  0  every archive was re-dated or deliberately left as it is: read-only
     (no write permission bit, or on a read-only file system), no entries,
     not an archive, or a newest entry dated 2100 or later
  1  some archive could not be handled (see above), or the program ended on
     an error it names on stderr
A start without /Q exits with 0, or, with no display, as a /Q run does; with
1 when it ends on an error (the window system cannot be loaded, for one).
)";
}  // namespace

const char* ProgramVersion() { return DOVANEL_VERSION; }

bool AnswerInformationRequest(int argc, const char* const* argv, std::FILE* out) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, out);
    return true;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::fprintf(out, "DOVANEL For Archiver %s\n", ProgramVersion());
    return true;
  }
  return false;
}
