#include "app/QuietReport.h"

#include <cerrno>
#include <cstring>

#include "drivers/base/EArchiver.h"

namespace {
std::string TimeChangeReason(const TTimeChange& change) {
  const std::string prefix = "the last-write time could not be set: ";
  if (change.error == EWOULDBLOCK) return prefix + "another process holds the file";
  if (change.error == EINVAL) return prefix + "it is no regular file";
  return prefix + std::strerror(change.error);
}
}  // namespace

void TQuietReport::NotSetUp(const std::string& path, const std::exception& error) {
  if (const auto* missing = dynamic_cast<const ELibraryMissing*>(&error))
    Failed(path, std::string(missing->what()) + " (searched " + missing->Searched() + ")");
  else
    Failed(path, error.what());
}

void TQuietReport::Listed(const std::string& path, const TNewestEntry& newest) {
  if (!newest.opened && !newest.found) Failed(path, "the archive could not be opened or read");
}

void TQuietReport::TimeChanged(const std::string& path, const TTimeChange& change) {
  if (change.outcome == TTimeChangeOutcome::Refused) Failed(path, TimeChangeReason(change));
}

void TQuietReport::RunBroken(const std::string& path, const std::exception& error) {
  if (sink_ == nullptr) return;
  failed_ = true;
  if (!path.empty()) Failed(path, error.what());
}

void TQuietReport::Failed(const std::string& path, const std::string& reason) {
  if (sink_ == nullptr) return;
  failed_ = true;
  std::fprintf(sink_, "%s: %s\n", path.c_str(), reason.c_str());
  std::fflush(sink_);
}
