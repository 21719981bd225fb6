#include "archives/CmdOpt.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archives/UnsetMarker.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/Exception.h"

void TCmdOpt::Append(const std::string& argument) {
  Text += ' ';
  Text += argument;
}

void TCmdOpt::AddSwitch(const std::string& name, const std::string& value) {
  if (IsUnset(value)) return;
  if (name.empty()) {
    Append('"' + value + '"');
    return;
  }
  const std::string switchText = name[0] == ' ' ? name.substr(1) : "-" + name;
  if (Spaced) {
    Append(switchText);
    Append('"' + value + '"');
  } else {
    Append('"' + switchText + value + '"');
  }
}

void TCmdOpt::AddValue(const std::string& name, const std::string& value) { AddSwitch(name, value); }

void TCmdOpt::AddIntSwitch(const std::string& name, int value) {
  if (value != -1) Append("-" + name + std::to_string(value));
}

void TCmdOpt::AddPath(const std::string& name, const std::string& directory) {
  if (!IsGivenAndNotEmpty(directory)) return;
  AddValue(name, IncludeTrailingPathDelimiter(directory));
}

std::string TCmdOpt::Filtered(const std::string& fileName) const {
  return NameFilter != nullptr ? NameFilter(fileName) : fileName;
}

void TCmdOpt::AddFileName(const std::string& name, const std::string& fileName) {
  AddValue(name, Filtered(fileName));
}

void TCmdOpt::AddFileNames(const std::string& name, const TStringList& fileNames) {
  for (const std::string& fileName : fileNames) AddFileName(name, fileName);
}

void TCmdOpt::WriteResponseFile(const TStringList& fileNames, const std::string& path) {
  std::string text;
  for (const std::string& fileName : fileNames) text += '"' + Filtered(fileName) + "\"\r\n";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) throw EFCreateError("Cannot create file \"" + path + "\". " + std::strerror(errno));
  std::size_t written = 0;
  int error = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (error != 0) throw EInOutError("Cannot write file \"" + path + "\". " + std::strerror(error));
  AddValue("", "@" + path);
}
