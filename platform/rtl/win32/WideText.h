// Our text is UTF-8 bytes on Windows too; the system's wide (UTF-16) calls
// take it converted here, whatever the process's code page, and a long
// absolute path gets the prefix that lifts the 260-character limit.
#pragma once

#include <string>

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
// A path for the wide file calls: "\\?\" before an absolute path of a drive
// or a share that is longer than the classic limit, "/" turned into "\".
std::wstring WidePath(const std::string& path);
// The system's last error as an errno value, as the POSIX files report.
int ErrnoOfLastError(unsigned long error);
