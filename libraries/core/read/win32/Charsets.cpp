#include <cstdlib>
#include <cstring>

#include "libraries/core/read/NameText.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace dv {
namespace {

constexpr UINT kLegacyCodePage = 932;

// UTF-16LE bytes as UTF-8; nothing for an odd count or a lone surrogate.
std::optional<std::string> FromUtf16(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::wstring wide(bytes.size() / 2, L'\0');
  std::memcpy(wide.data(), bytes.data(), bytes.size());
  if (wide.empty()) return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::nullopt;
  return Narrow(wide);
}

// Text of code page `page` as UTF-8; nothing when a byte is no character of it.
std::optional<std::string> FromCodePage(std::string_view bytes, UINT page) {
  if (bytes.empty()) return std::string();
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length);
  return Narrow(wide);
}

// "CP<number>" and "UTF-8" by their code page; 0 for any other name.
UINT CodePageOf(std::string_view charset) {
  if (_strnicmp(charset.data(), "UTF-8", 6) == 0) return CP_UTF8;
  if (charset.size() < 3 || _strnicmp(charset.data(), "CP", 2) != 0) return 0;
  char* end = nullptr;
  const unsigned long page = std::strtoul(charset.data() + 2, &end, 10);
  return *end == '\0' && page > 0 && page < 65536 ? static_cast<UINT>(page) : 0;
}

}  // namespace

std::optional<std::string> LegacyToUtf8(std::string_view bytes) { return FromCodePage(bytes, kLegacyCodePage); }

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* charset) {
  if (_stricmp(charset, "UTF-16LE") == 0) return FromUtf16(bytes);
  const UINT page = CodePageOf(charset);
  if (page == 0 || !IsValidCodePage(page)) return std::nullopt;
  return FromCodePage(bytes, page);
}

}  // namespace dv
