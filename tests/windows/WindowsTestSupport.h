// What the Windows suites share: a private folder for each test, the built
// program and fake libraries (named by the test's environment), and starting
// a program with its own standard streams.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"

// A fresh folder (its name given in UTF-8, Japanese names welcome) under the
// system's temporary folder, removed with everything in it at the end.
class TTestFolder {
 public:
  explicit TTestFolder(const std::string& name);
  ~TTestFolder();
  TTestFolder(const TTestFolder&) = delete;
  TTestFolder& operator=(const TTestFolder&) = delete;
  // With its trailing delimiter.
  const std::string& Path() const { return path_; }

 private:
  std::string root_;
  std::string path_;
};

// A variable of the test's environment (set by its CMake registration); the
// test fails when it is missing.
std::string TestSetting(const char* name);
// The fake library `file` of the fake folder `folder` (tests/fakes' names).
std::string FakeLibrary(const std::string& folder, const std::string& file);

void CopyInto(const std::string& from, const std::string& to);
// A file of these bytes, dated `date` (a local DOS date and time).
std::string WriteFile(const std::string& path, const std::string& bytes, TDosDateTime date);

struct TProgramRun {
  int exitCode = -1;
  std::string output;  // standard output and error, as they came
};
// Starts a program with these arguments and these variables added to the
// environment ("NAME=VALUE"), and waits for it (at most a minute).
TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment = {});
