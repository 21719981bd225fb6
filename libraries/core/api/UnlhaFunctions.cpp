#include "libraries/core/api/UnlhaFunctions.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string_view>

#include "contract/ResultCodes.h"
#include "libraries/core/api/CallerText.h"
#include "libraries/core/api/CommandRunner.h"
#include "libraries/core/api/EntryRecord.h"
#include "libraries/core/api/FamilyFunctions.h"
#include "libraries/core/api/Registry.h"
#include "libraries/core/util/DosTime.h"

namespace dv::unlha {
namespace {

constexpr WORD kVersion = 100;
constexpr WORD kSubVersion = 1;
constexpr WORD kDefaultCursorInterval = 80;
constexpr DWORD kNoDword = static_cast<DWORD>(-1);
constexpr UINT kNoUint = static_cast<UINT>(-1);

// The table's names in its order: UnlhaQueryFunctionList's numbering.
#define DV_UNLHA_NAME(name, stubName, Result, parameters, arguments) std::string_view(#name),
constexpr std::string_view kFunctionNames[] = {DV_UNLHA_FUNCTIONS(DV_UNLHA_NAME)};
#undef DV_UNLHA_NAME

std::atomic<BOOL> backgroundMode{FALSE};
std::atomic<BOOL> cursorMode{FALSE};
std::atomic<WORD> cursorInterval{kDefaultCursorInterval};

// Runs `answer` on the entry the handle's walk found last; `none` when there
// is no such handle or entry.
template <typename Result, typename Answer>
Result AboutEntry(HARC archive, Result none, Answer answer) {
  const auto listing = FindListing(archive);
  const std::optional<Entry> entry = listing ? listing->Current() : std::nullopt;
  return entry ? answer(*entry) : none;
}

// Runs `answer` on the handle's archive file.
template <typename Result, typename Answer>
Result AboutArchive(HARC archive, Result none, Answer answer) {
  const auto listing = FindListing(archive);
  return listing ? answer(listing->file()) : none;
}

// The sizes of every entry of the archive, read by a walk of its own so the
// handle's walk stays where it is.
struct Totals {
  std::uint64_t original = 0, packed = 0;
  std::optional<unsigned> firstOsType;
};

Totals TotalsOf(const std::shared_ptr<const PositionalFile>& file) {
  Totals totals;
  const auto source = OpenSource(file, Format::kLha, ReadFor::kData);
  Entry entry;
  for (bool first = true; source && source->Next(entry) == ReadResult::kEntry; first = false) {
    totals.original += entry.size.value_or(0);
    totals.packed += entry.packedSize.value_or(0);
    if (first) totals.firstOsType = entry.osType;
  }
  return totals;
}

int CopyText(const std::string& utf8, LPSTR buffer, int size) {
  const std::string text = ToCaller(utf8);
  if (buffer == nullptr || size <= 0 || text.size() >= static_cast<std::size_t>(size)) return -1;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 0;
}

DWORD Seconds(const std::optional<std::time_t>& when) {
  if (!when || *when < 0 || *when >= static_cast<std::time_t>(kNoDword)) return kNoDword;
  return static_cast<DWORD>(*when);
}

DWORD Size(const std::optional<std::uint64_t>& size) { return size ? Clamp32(*size) : kNoDword; }

}  // namespace

WORD UnlhaGetVersion() { return kVersion; }
WORD UnlhaGetSubVersion() { return kSubVersion; }
BOOL UnlhaGetRunning() { return IsCommandRunning() ? TRUE : FALSE; }
BOOL UnlhaGetBackGroundMode() { return backgroundMode.load(); }
BOOL UnlhaSetBackGroundMode(BOOL mode) {
  backgroundMode = mode != FALSE ? TRUE : FALSE;
  return TRUE;
}
BOOL UnlhaGetCursorMode() { return cursorMode.load(); }
BOOL UnlhaSetCursorMode(BOOL mode) {
  cursorMode = mode != FALSE ? TRUE : FALSE;
  return TRUE;
}
WORD UnlhaGetCursorInterval() { return cursorInterval.load(); }
BOOL UnlhaSetCursorInterval(WORD interval) {
  cursorInterval = interval;
  return TRUE;
}

int Unlha(HWND, LPCSTR line, LPSTR output, DWORD size) {
  return RunCommand(CommandLanguage::kLha, Format::kLha, line, output, size);
}
BOOL UnlhaCheckArchive(LPCSTR path, int) { return CheckArchive(path, Format::kLha); }
BOOL UnlhaConfigDialog(HWND, LPSTR, int) { return kErrorNotSupported; }

int UnlhaGetFileCount(LPCSTR path) {
  const auto listing = Listing::Open(FromCaller(path).c_str(), Format::kLha);
  if (!listing) return -1;
  int count = 0;
  for (int found = listing->FindFirst("", nullptr); found == kOk; found = listing->FindNext(nullptr)) ++count;
  return count;
}

HARC UnlhaOpenArchive(HWND, LPCSTR path, DWORD) { return OpenArchive(path, Format::kLha); }
int UnlhaCloseArchive(HARC archive) { return CloseArchive(archive); }
int UnlhaFindFirst(HARC archive, LPCSTR wildcard, ENTRYINFO* entry) { return FindFirst(archive, wildcard, entry); }
int UnlhaFindNext(HARC archive, ENTRYINFO* entry) { return FindNext(archive, entry); }

int UnlhaGetArcFileName(HARC archive, LPSTR buffer, int size) {
  return AboutArchive(archive, -1, [&](const auto& file) { return CopyText(file->path(), buffer, size); });
}
DWORD UnlhaGetArcFileSize(HARC archive) {
  return AboutArchive(archive, kNoDword, [](const auto& file) { return Clamp32(file->size()); });
}
DWORD UnlhaGetArcOriginalSize(HARC archive) {
  return AboutArchive(archive, kNoDword, [](const auto& file) { return Clamp32(TotalsOf(file).original); });
}
DWORD UnlhaGetArcCompressedSize(HARC archive) {
  return AboutArchive(archive, kNoDword, [](const auto& file) { return Clamp32(TotalsOf(file).packed); });
}
WORD UnlhaGetArcRatio(HARC archive) {
  return AboutArchive(archive, WORD{0}, [](const auto& file) {
    const Totals totals = TotalsOf(file);
    Entry whole;
    whole.size = totals.original;
    whole.packedSize = totals.packed;
    return RatioPerMille(whole);
  });
}
WORD UnlhaGetArcDate(HARC archive) {
  return AboutArchive(archive, WORD{0}, [](const auto& file) { return ToDosStamp(file->modified()).date; });
}
WORD UnlhaGetArcTime(HARC archive) {
  return AboutArchive(archive, WORD{0}, [](const auto& file) { return ToDosStamp(file->modified()).time; });
}
UINT UnlhaGetArcOSType(HARC archive) {
  return AboutArchive(archive, kNoUint, [](const auto& file) { return TotalsOf(file).firstOsType.value_or(kNoUint); });
}

int UnlhaGetFileName(HARC archive, LPSTR buffer, int size) {
  return AboutEntry(archive, -1, [&](const Entry& entry) { return CopyText(entry.path, buffer, size); });
}
int UnlhaGetMethod(HARC archive, LPSTR buffer, int size) {
  return AboutEntry(archive, -1, [&](const Entry& entry) { return CopyText(entry.method, buffer, size); });
}
DWORD UnlhaGetOriginalSize(HARC archive) {
  return AboutEntry(archive, kNoDword, [](const Entry& entry) { return Size(entry.size); });
}
DWORD UnlhaGetCompressedSize(HARC archive) {
  return AboutEntry(archive, kNoDword, [](const Entry& entry) { return Size(entry.packedSize); });
}
WORD UnlhaGetRatio(HARC archive) { return AboutEntry(archive, WORD{0}, &RatioPerMille); }
WORD UnlhaGetDate(HARC archive) {
  return AboutEntry(archive, WORD{0}, [](const Entry& entry) { return EntryDosStamp(entry).date; });
}
WORD UnlhaGetTime(HARC archive) {
  return AboutEntry(archive, WORD{0}, [](const Entry& entry) { return EntryDosStamp(entry).time; });
}
DWORD UnlhaGetWriteTime(HARC archive) {
  return AboutEntry(archive, kNoDword, [](const Entry& entry) { return Seconds(entry.modified); });
}
DWORD UnlhaGetAccessTime(HARC archive) {
  return AboutEntry(archive, kNoDword, [](const Entry& entry) { return Seconds(entry.accessed); });
}
DWORD UnlhaGetCreateTime(HARC archive) {
  return AboutEntry(archive, kNoDword, [](const Entry& entry) { return Seconds(entry.created); });
}
DWORD UnlhaGetCRC(HARC archive) {
  return AboutEntry(archive, kNoDword, [](const Entry& entry) { return entry.crc.value_or(kNoDword); });
}
int UnlhaGetAttribute(HARC archive) {
  return AboutEntry(archive, -1, [](const Entry& entry) {
    int bits = entry.IsDirectory() ? 0x10 : 0x20;
    if (entry.permissions && (*entry.permissions & 0200u) == 0) bits |= 0x01;
    return bits;
  });
}
UINT UnlhaGetOSType(HARC archive) {
  return AboutEntry(archive, kNoUint, [](const Entry& entry) { return entry.osType.value_or(kNoUint); });
}

BOOL UnlhaQueryFunctionList(int function) {
  const auto count = static_cast<int>(std::size(kFunctionNames));
  if (function < 1 || function > count) return FALSE;
  return kFunctionNames[function - 1] != "UnlhaConfigDialog" ? TRUE : FALSE;
}
BOOL UnlhaSetOwnerWindow(HWND window) { return SetOwnerWindow(window); }
BOOL UnlhaClearOwnerWindow() { return ClearOwnerWindow(); }

}  // namespace dv::unlha
