#include "libraries/core/api/CallerText.h"

#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace dv {

std::string FromCaller(const char* text) {
  if (text == nullptr || *text == '\0') return "";
  const UINT page = GetACP();
  if (page == CP_UTF8) return text;
  const int length = MultiByteToWideChar(page, 0, text, -1, nullptr, 0);
  if (length <= 1) return "";
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(page, 0, text, -1, wide.data(), length);
  wide.pop_back();  // the terminator
  return Narrow(wide);
}

std::string ToCaller(const std::string& text) {
  const UINT page = GetACP();
  if (page == CP_UTF8 || text.empty()) return text;
  const std::wstring wide = Wide(text);
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return "";
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(page, 0, wide.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace dv
