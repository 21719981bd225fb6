#include "app/ProgramInfo.h"

#include "app/Arguments.h"
#include "platform/rtl/Translate.h"

#ifndef DOVANEL_VERSION
#error "the build defines DOVANEL_VERSION"
#endif

namespace {
const char* const kUsageLine = "Usage: dovanel [OPTION]... [PATH]...\n";

const char* const kHelp = R"(
Gives archive files the date of their contents: sets the last-write time of
each archive to the date and time of the newest entry it holds. Each PATH is a
file or a folder; folders are searched recursively. Without /Q a window shows
every file, its time before the run and its new time; files and folders can
be dropped on it. A /Q run goes ahead beside an open window. With no display
(neither DISPLAY nor WAYLAND_DISPLAY, and no QT_QPA_PLATFORM), a start
without /Q runs as /Q would and says so on stderr.

  /Q, -q, --quiet  re-date without showing a window, then end (/Q in any
                   case, anywhere among the paths)
  -n, --dry-run    change nothing: print each archive that would be
                   re-dated, with its time now and its new time
  -v, --verbose    print each archive re-dated, with its old and new time,
                   and each archive left as it is, with the reason
  --help           print this help and end
  --version        print the version and end
  --               end of the options: every argument after it is a path

Short options may be joined (-qn). Any other argument that starts with "-"
is refused (exit status 2); a path that starts with "-" follows "--".
The lines of -n and -v go to standard output, one an archive:
  PATH: OLD -> NEW                     (re-dated, or would be with -n)
  PATH: left as it is (REASON)         (with -v)
Times are written yyyy-mm-dd hh:mm:ss, in local time.

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
handled gets one line "dovanel: PATH: REASON" on standard error: its library
is missing (the line names the folders searched), or its library refused to open
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
  2  the command line was refused (an unknown option)
A start without /Q exits with 0, or, with no display, as a /Q run does; with
1 when it ends on an error (the window system cannot be loaded, for one).
)";
}  // namespace

const char* ProgramVersion() { return DOVANEL_VERSION; }

const char* ProgramName() { return "DOVANEL For Archiver"; }

const char* UsageLine() { return Translate(kUsageLine); }

int AnswerInformationRequest(const TArguments& arguments, std::FILE* out) {
  if (arguments.help) {
    std::fputs(UsageLine(), out);
    std::fputs(Translate(kHelp), out);
  } else if (arguments.version) {
    std::fprintf(out, "%s %s\n", ProgramName(), ProgramVersion());
  } else {
    return -1;
  }
  // A full disk or a closed pipe must not pass for an answer given.
  return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}
