#include "drivers/base/CmdOpt.h"

#include "drivers/base/EArchiver.h"
#include "drivers/base/UnsetMarker.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/FileStream.h"

void TCmdOpt::RequireQuotable(const std::string& value) {
  // The command language has no escape for a double quote inside quotes: the
  // library would split the value and act on other names.
  if (value.find('"') != std::string::npos)
    throw EArchiver("ファイル名やオプションに使えない文字 (\") が含まれています: " + value);
}

void TCmdOpt::Append(const std::string& argument) {
  Text += ' ';
  Text += argument;
}

void TCmdOpt::AddSwitch(const std::string& name, const std::string& value) {
  if (IsUnset(value)) return;
  RequireQuotable(value);
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

void TCmdOpt::AddFileName(const std::string& name, const std::string& fileName) { AddValue(name, Filtered(fileName)); }

void TCmdOpt::AddFileNames(const std::string& name, const TStringList& fileNames) {
  for (const std::string& fileName : fileNames) AddFileName(name, fileName);
}

void TCmdOpt::WriteResponseFile(const TStringList& fileNames, const std::string& path) {
  const std::string argument = "@" + path;
  RequireQuotable(argument);
  std::string text;
  for (const std::string& fileName : fileNames) {
    const std::string filtered = Filtered(fileName);
    RequireQuotable(filtered);
    text += '"' + filtered + "\"\r\n";
  }
  {
    TFileStream file(path, fmCreate);
    file.WriteBuffer(text.data(), text.size());
  }
  AddValue("", argument);
}
