// Builds one command line for an archiver library: every argument follows one
// blank; values go in double quotes; unset values are skipped. A value that
// holds a double quote cannot be quoted, so it raises EArchiver instead.
#pragma once

#include <string>

#include "platform/rtl/Strings.h"

class TCmdOpt {
 public:
  using TNameFilter = std::string (*)(const std::string&);

  // How a switch and its value are joined: false gives "-wabc", true gives -w "abc".
  bool Spaced = false;
  // When set, every file name passes through it before it is added.
  TNameFilter NameFilter = nullptr;
  std::string Text;

  void Append(const std::string& argument);
  void AddSwitch(const std::string& name, const std::string& value);
  void AddValue(const std::string& name, const std::string& value);
  void AddIntSwitch(const std::string& name, int value);
  void AddPath(const std::string& name, const std::string& directory);
  void AddFileName(const std::string& name, const std::string& fileName);
  void AddFileNames(const std::string& name, const TStringList& fileNames);
  // Writes one quoted name per line (CR LF) and adds the "@path" argument.
  // Every name is checked before the file is created.
  void WriteResponseFile(const TStringList& fileNames, const std::string& path);

 private:
  std::string Filtered(const std::string& fileName) const;
  // Raises EArchiver naming the value when it cannot go between quotes.
  static void RequireQuotable(const std::string& value);
};
