// Where an entry may land: its path as folder names below the base
// directory, or nothing when it would climb out of it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dv {

// The names of `path` split at '/' and '\' (archives from DOS and Windows
// use either), without empty and "." names. A '\' that is the second byte
// of a Shift-JIS character (表, ソ, 能 end in 0x5C) is part of its name,
// unless the whole path reads as UTF-8, which has no such bytes. Nothing for
// an absolute path ("/x", "\x", "C:x"), one holding ".." or a NUL, whatever
// follows it: such an entry is not extracted at all rather than put
// somewhere else. An empty
// list names the base directory itself.
std::optional<std::vector<std::string>> SafeComponents(std::string_view path);

// The names joined with '/'.
std::string JoinComponents(const std::vector<std::string>& components);

// `path` as it would be written below the base, for comparing names:
// "./a//b/" and "a\\b" are "a/b". A path that would not be written
// (absolute, or holding "..") stays as it is.
std::string NormalPath(std::string_view path);

}  // namespace dv
