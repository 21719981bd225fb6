// Lists an archive through a loaded library and renders what it lists as
// one comparable line per entry.
#pragma once

#include <string>
#include <vector>

#include "contract/EntryInfo.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/support/TempDir.h"  // RunIn and Quote, which the probes' users run tools with

struct Listing {
  bool opened = false;
  std::vector<ENTRYINFO> records;
  std::vector<std::string> lines;  // RenderLine of each record
};

// Opens `path`, walks FindFirst/FindNext to the end and closes it.
Listing ListArchive(const ArchiverApi& api, const std::string& path, const char* wildcard = "*.*",
                    DWORD mode = kProbeOpenMode);

// "2001-02-03 04:05:06" from DOS date and time words.
std::string DosText(std::uint16_t date, std::uint16_t time);
// "name=<szFileName> date=<YYYY-MM-DD> time=<hh:mm:ss>"
std::string RenderLine(const ENTRYINFO& record);
// DosText of the newest record; "" when there is none.
std::string NewestText(const std::vector<ENTRYINFO>& records);

// A packed record field as a value: gtest's checks take references, which
// must not bind to the record's unaligned fields.
template <typename T>
T Copy(T value) {
  return value;
}

// What the family's smallest DOS stamp renders as.
inline const std::string kSmallestDosText = "1980-01-01 00:00:00";

// `bytes` written to `path`, then `tail` appended (an executable stub before
// an archive, say).
void WriteConcatenation(const std::string& path, const std::string& bytes, const std::string& tailFile);

// A shell command that runs the Python `code` with the fixture builders of
// tests/data/fixtures (cab, lha, rar) importable.
std::string FixturePython(const std::string& code);

// A small archive of `format` ("lha", "zip", "cab", "arj", "rar", "tar", "7z")
// for tests that need one of each, made in `dir` by a tool (RAR, which no
// tool here writes, by the fixture builder).
std::string SampleArchive(const std::string& format, const std::string& dir);
