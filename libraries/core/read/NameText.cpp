#include "libraries/core/read/NameText.h"

#include <cstdint>

namespace dv {
namespace {

// The length of the UTF-8 sequence `lead` starts, with its allowed second
// byte range; 0 for a byte that starts none.
struct Utf8Lead {
  int length;
  unsigned char low, high;
};

Utf8Lead LeadOf(unsigned char c) {
  if (c < 0x80) return {1, 0, 0};
  if (c >= 0xC2 && c <= 0xDF) return {2, 0x80, 0xBF};
  if (c == 0xE0) return {3, 0xA0, 0xBF};
  if (c == 0xED) return {3, 0x80, 0x9F};  // no surrogates
  if (c >= 0xE1 && c <= 0xEF) return {3, 0x80, 0xBF};
  if (c == 0xF0) return {4, 0x90, 0xBF};
  if (c >= 0xF1 && c <= 0xF3) return {4, 0x80, 0xBF};
  if (c == 0xF4) return {4, 0x80, 0x8F};  // up to U+10FFFF
  return {0, 0, 0};
}

}  // namespace

std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const Utf8Lead lead = LeadOf(static_cast<unsigned char>(text[at]));
  const auto length = static_cast<std::size_t>(lead.length);
  if (length <= 1 || text.size() - at < length) return 1;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if (second < lead.low || second > lead.high) return 1;
  for (std::size_t k = 2; k < length; ++k)
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 1;
  return length;
}

bool IsUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {  // most names are ASCII
      ++i;
      continue;
    }
    const std::size_t length = CharacterLength(bytes, i);
    if (length == 1) return false;
    i += length;
  }
  return true;
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string text;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    auto code = static_cast<std::uint32_t>(wide[i]);
    // UTF-16 (where wchar_t has 16 bits): a pair makes one character.
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size()) {
      const auto low = static_cast<std::uint32_t>(wide[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | (code >> 6));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      text += static_cast<char>(0xE0 | (code >> 12));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (code >> 18));
      text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return text;
}

std::string StoredNameAsText(std::string_view stored, const char* declaredCharset) {
  if (declaredCharset != nullptr) {
    if (auto text = ConvertToUtf8(stored, declaredCharset)) return std::move(*text);
  }
  if (IsUtf8(stored)) return std::string(stored);
  if (auto text = LegacyToUtf8(stored)) return std::move(*text);
  return std::string(stored);
}

void DecodeStoredName(std::string& name) {
  if (!IsUtf8(name)) name = StoredNameAsText(name);
}

}  // namespace dv
