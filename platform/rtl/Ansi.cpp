#include "platform/rtl/Ansi.h"

#include <vector>

namespace {
TCodePage g_codePage = TCodePage::Utf8;

bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsShiftJisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
bool IsUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

void SetAnsiCodePage(TCodePage page) { g_codePage = page; }
TCodePage AnsiCodePage() { return g_codePage; }

std::size_t AnsiCharLength(const std::string& text, std::size_t index) {
  const auto lead = static_cast<unsigned char>(text[index]);
  const std::size_t left = text.size() - index;
  if (g_codePage == TCodePage::ShiftJis) {
    if (IsShiftJisLead(lead) && left >= 2 && IsShiftJisTrail(static_cast<unsigned char>(text[index + 1]))) return 2;
    return 1;
  }
  std::size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (want > left) return 1;
  for (std::size_t k = 1; k < want; ++k)
    if (!IsUtf8Continuation(static_cast<unsigned char>(text[index + k]))) return 1;
  return want;
}

std::size_t AnsiLastCharIndex(const std::string& text) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < text.size(); i += AnsiCharLength(text, i)) last = i;
  return last;
}

bool AnsiEndsWithChar(const std::string& text, char c) {
  const std::size_t last = AnsiLastCharIndex(text);
  return last != std::string::npos && last == text.size() - 1 && text[last] == c;
}

std::size_t AnsiLastDelimiter(const std::string& delimiters, const std::string& text) {
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = AnsiCharLength(text, i);
    if (len == 1 && delimiters.find(text[i]) != std::string::npos) found = i;
    i += len;
  }
  return found;
}

std::string AnsiUpperCase(const std::string& text) {
  std::string upper = text;
  // Only single-byte characters: a trail byte that looks like a letter stays.
  for (std::size_t i = 0; i < upper.size();) {
    const std::size_t length = AnsiCharLength(upper, i);
    if (length == 1 && upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    i += length;
  }
  return upper;
}

bool SameText(const std::string& a, const std::string& b) { return AnsiUpperCase(a) == AnsiUpperCase(b); }

std::string ExtractFileExt(const std::string& path) {
  const std::size_t dot = AnsiLastDelimiter(std::string(".") + PathDelim, path);
  if (dot == std::string::npos || path[dot] != '.') return {};
  return path.substr(dot);
}

std::string ExtractFileName(const std::string& path) {
  const std::size_t delim = AnsiLastDelimiter(std::string(1, PathDelim), path);
  return delim == std::string::npos ? path : path.substr(delim + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const std::size_t delim = AnsiLastDelimiter(std::string(1, PathDelim), path);
  return delim == std::string::npos ? std::string() : path.substr(0, delim + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t dot = AnsiLastDelimiter(std::string(".") + PathDelim, path);
  if (dot == std::string::npos || path[dot] != '.') return path + ext;
  return path.substr(0, dot) + ext;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return AnsiEndsWithChar(path, PathDelim) ? path : path + PathDelim;
}
