// Text in the process's multibyte ("ANSI") code page. The one place that knows
// that a double-byte character's second byte may equal '\' or '.', and so is
// no delimiter.
#pragma once

#include <cstddef>
#include <string>

enum class TCodePage { Utf8, ShiftJis };

// UTF-8 unless switched; tests switch to code page 932 to exercise the rules.
void SetAnsiCodePage(TCodePage page);
TCodePage AnsiCodePage();

// Length in bytes of the character that starts at `index` (1 for a lone or
// stray byte, so a scan always moves on).
std::size_t AnsiCharLength(const std::string& text, std::size_t index);
// Index of the first byte of the last character; npos for an empty text.
std::size_t AnsiLastCharIndex(const std::string& text);
// True when the last character is exactly the one byte `c`.
bool AnsiEndsWithChar(const std::string& text, char c);
// Index of the last character equal to one of `delimiters`, scanning by
// characters; npos when there is none.
std::size_t AnsiLastDelimiter(const std::string& delimiters, const std::string& text);
// Upper case for the letters a to z only, as the system's comparisons need.
std::string AnsiUpperCase(const std::string& text);
// Equal ignoring the case of A to Z.
bool SameText(const std::string& a, const std::string& b);

// The platform's path delimiter (PathDelim), from the system's folder.
#include "PathDelimiter.h"

// The text from the last '.' after the last delimiter, that dot included.
std::string ExtractFileExt(const std::string& path);
// The part after the last delimiter.
std::string ExtractFileName(const std::string& path);
// The part up to and including the last delimiter.
std::string ExtractFilePath(const std::string& path);
// The path with its extension replaced (appended when it has none).
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingPathDelimiter(const std::string& path);
// Absolute form of the path, "." and ".." folded, links not followed.
std::string ExpandFileName(const std::string& path);
