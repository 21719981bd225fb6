// The names of a split ARJ archive's volumes: the first is the archive
// itself (name.arj, or a self-extractor), then name.a01 to name.a99, then
// name.100 to name.999, beside it.
#pragma once

#include <optional>
#include <string>

namespace dv {

// The volume after the one at `path`; nothing after the last possible one.
// The letter follows the case of the first letter of the extension, as the
// archiver names them on a file system that keeps case.
std::optional<std::string> NextArjVolume(const std::string& path);

}  // namespace dv
