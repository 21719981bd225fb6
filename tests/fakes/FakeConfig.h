// What a test tells an instrumented fake library (tests/fakes): typed
// fields, so a misspelt setting does not compile. The fake holds one; the
// test changes it in place through FakeLibrary::Config(), and FakeClear()
// puts every field back to the values below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One entry a listing gives: its name and its DOS date and time words.
struct FakeEntry {
  std::string name;
  std::uint16_t date = 0;
  std::uint16_t time = 0;
};

struct FakeConfig {
  std::vector<FakeEntry> entries;
  bool acceptOpen = true;
  int archiveType = 1;    // TarGetArchiveType's answer
  int commandResult = 0;  // the command functions' answer (every function's, for the LHA table)
  int ownerResult = 1;    // SetOwnerWindowEx's and KillOwnerWindowEx's answer
  std::string watchPath;  // each command call records whether this path is present
  std::string writePath;  // each command call writes writeBytes here (a library creating its archive)
  std::string writeBytes;
  // Called as a listing begins (FindFirst), to change the world in mid-run.
  std::function<void()> whileListing;
};
