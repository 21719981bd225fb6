// How a name stored in an archive becomes text in the libraries' encoding,
// UTF-8. Most formats store names without saying in which character set:
// Linux tools write UTF-8 there, the Japanese Windows tools this family's
// users have write code page 932 (Shift-JIS). So a stored name that is
// valid UTF-8 is taken as it is, any other as CP932, and bytes that are
// neither stay as they are, so that nothing is lost. Once a name is text,
// a '\' in it is a real '\': the second byte of a double-byte character
// (表 0x95 0x5C, ソ 0x83 0x5C, 能 0x94 0x5C) no longer stands on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dv {

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF). ASCII is.
bool IsUtf8(std::string_view bytes);

// The bytes of the character at `at` (< text.size()): a well-formed UTF-8
// sequence, or one byte where none starts.
std::size_t CharacterLength(std::string_view text, std::size_t at);

// `bytes` converted from `charset` ("CP<code page>", "UTF-8", "UTF-16LE")
// to UTF-8; nothing when they are not text of that charset.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* charset);

// `bytes` converted from CP932 to UTF-8; nothing when they are not CP932.
std::optional<std::string> LegacyToUtf8(std::string_view bytes);

// Wide text (UTF-16 or UTF-32, as wide as wchar_t is) as UTF-8; a lone
// surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

// The text of a stored name by the rule above. A charset the archive
// declares for the name is tried first.
std::string StoredNameAsText(std::string_view stored, const char* declaredCharset = nullptr);

// StoredNameAsText in place; a name that is UTF-8 already is not copied.
void DecodeStoredName(std::string& name);

}  // namespace dv
