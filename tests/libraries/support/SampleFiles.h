// The three source files the extracting and creating tests archive.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "tests/support/TempDir.h"

using Files = std::map<std::string, std::string>;

// a.txt, d/b.txt (`bSize` b's) and d/e/c.txt, different bytes each.
inline Files ThreeFiles(std::size_t bSize) {
  return {{"a.txt", "alpha\n"}, {"d/b.txt", std::string(bSize, 'b')}, {"d/e/c.txt", "charlie\n"}};
}

// Writes `files` below dir/src.
inline void MakeFiles(const TempDir& dir, const Files& files) {
  for (const auto& [name, bytes] : files) WriteFile(dir / ("src/" + name), bytes);
}
