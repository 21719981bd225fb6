/* A program that is not ours calling our archiver DLLs as any other program
 * would: by file name with LoadLibraryA, each function by its plain name
 * with GetProcAddress, called as WINAPI (__stdcall on 32-bit x86), with the
 * entry record declared here by its layout alone. It speaks its ANSI code
 * page, so the names it gives and gets are bytes of that page.
 *
 *   foreign_caller CODE_PAGE DLL_FOLDER ARCHIVE_FOLDER DLL PREFIX ARCHIVE_HEX ENTRY_HEX [...]
 *
 * CODE_PAGE is the page the caller expects to run in; each group of four
 * names a DLL, its functions' prefix, the archive's file name and the one
 * entry it holds, both as hexadecimal bytes of that code page. Prints what
 * it saw; exits 0 only when every check held. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#pragma pack(push, 1)
typedef struct {
  DWORD dwOriginalSize;
  DWORD dwCompressedSize;
  DWORD dwCRC;
  UINT uFlag;
  UINT uOSType;
  WORD wRatio;
  WORD wDate;
  WORD wTime;
  char szFileName[513];
  char dummy1[3];
  char szAttribute[8];
  char szMode[8];
} EntryRecord;
#pragma pack(pop)

typedef UINT_PTR Harc;
typedef BOOL(WINAPI* CheckArchiveFn)(LPCSTR, int);
typedef Harc(WINAPI* OpenArchiveFn)(HWND, LPCSTR, DWORD);
typedef int(WINAPI* FindFirstFn)(Harc, LPCSTR, EntryRecord*);
typedef int(WINAPI* FindNextFn)(Harc, EntryRecord*);
typedef int(WINAPI* CloseArchiveFn)(Harc);
typedef int(WINAPI* CommandFn)(HWND, LPCSTR, LPSTR, DWORD);

static int failures = 0;

static void Check(int holds, const char* what) {
  printf("%s: %s\n", holds ? "ok" : "FAILED", what);
  if (!holds) ++failures;
}

/* Hexadecimal text to bytes, terminated; NULL when it is not hexadecimal. */
static char* FromHex(const char* hex) {
  size_t length = strlen(hex), i;
  char* bytes;
  if (length % 2 != 0) return NULL;
  bytes = (char*)calloc(length / 2 + 1, 1);
  for (i = 0; i < length / 2; ++i) {
    unsigned value;
    if (sscanf(hex + 2 * i, "%2x", &value) != 1) {
      free(bytes);
      return NULL;
    }
    bytes[i] = (char)value;
  }
  return bytes;
}

static void PrintHex(const char* label, const char* bytes) {
  printf("%s ", label);
  for (; *bytes != '\0'; ++bytes) printf("%02X", (unsigned char)*bytes);
  printf("\n");
}

static FARPROC Function(HMODULE library, const char* prefix, const char* name) {
  char full[128];
  FARPROC function;
  snprintf(full, sizeof full, "%s%s", prefix, name);
  function = GetProcAddress(library, full);
  printf("%s: %s\n", function != NULL ? "ok" : "FAILED", full);
  if (function == NULL) ++failures;
  return function;
}

static void ListOne(const char* dllFolder, const char* archiveFolder, const char* dll, const char* prefix,
                    const char* archiveHex, const char* entryHex) {
  char path[MAX_PATH * 2], report[256];
  char* archive = FromHex(archiveHex);
  char* entry = FromHex(entryHex);
  HMODULE library;
  CheckArchiveFn checkArchive;
  OpenArchiveFn openArchive;
  FindFirstFn findFirst;
  FindNextFn findNext;
  CloseArchiveFn closeArchive;
  CommandFn command;
  EntryRecord record;
  Harc handle;

  printf("-- %s\n", dll);
  if (archive == NULL || entry == NULL) {
    Check(0, "the names are hexadecimal");
    return;
  }
  snprintf(path, sizeof path, "%s\\%s", dllFolder, dll);
  library = LoadLibraryA(path);
  Check(library != NULL, "LoadLibraryA");
  if (library == NULL) return;
  checkArchive = (CheckArchiveFn)Function(library, prefix, "CheckArchive");
  openArchive = (OpenArchiveFn)Function(library, prefix, "OpenArchive");
  findFirst = (FindFirstFn)Function(library, prefix, "FindFirst");
  findNext = (FindNextFn)Function(library, prefix, "FindNext");
  closeArchive = (CloseArchiveFn)Function(library, prefix, "CloseArchive");
  command = (CommandFn)Function(library, prefix, "");
  if (!checkArchive || !openArchive || !findFirst || !findNext || !closeArchive || !command) return;

  snprintf(path, sizeof path, "%s\\%s", archiveFolder, archive);
  Check(checkArchive(path, 0) == TRUE, "CheckArchive of the archive named in the code page");
  handle = openArchive(NULL, path, 0);
  Check(handle != 0, "OpenArchive");
  if (handle != 0) {
    memset(&record, 0x55, sizeof record);
    Check(findFirst(handle, "*", &record) == 0, "FindFirst finds the entry");
    PrintHex("expected", entry);
    PrintHex("got     ", record.szFileName);
    Check(strcmp(record.szFileName, entry) == 0, "the entry's name is in the caller's code page");
    Check(record.wDate != 0, "the entry has a date");
    Check(findNext(handle, &record) == -1, "FindNext ends the listing");
    Check(closeArchive(handle) == 0, "CloseArchive");
  }
  /* A command that fails still reports within the buffer, with the same name. */
  snprintf(report, sizeof report, "x \"%s\\%s.none\"", archiveFolder, archive);
  Check(command(NULL, report, report, sizeof report) != 0, "a command on a missing archive fails");
  Check(memchr(report, '\0', sizeof report) != NULL, "its report ends within the buffer");
  FreeLibrary(library);
  free(archive);
  free(entry);
}

int main(int argc, char** argv) {
  int i;
  if (argc < 8 || (argc - 4) % 4 != 0) {
    fprintf(stderr, "usage: %s CODE_PAGE DLL_FOLDER ARCHIVE_FOLDER (DLL PREFIX ARCHIVE_HEX ENTRY_HEX)...\n", argv[0]);
    return 2;
  }
  printf("GetACP() = %u\n", GetACP());
  Check(GetACP() == (UINT)strtoul(argv[1], NULL, 10), "the process runs in the expected code page");
  for (i = 4; i + 3 < argc; i += 4) ListOne(argv[2], argv[3], argv[i], argv[i + 1], argv[i + 2], argv[i + 3]);
  printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
