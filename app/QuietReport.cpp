#include "app/QuietReport.h"

#include <cstring>


void TQuietReport::Redated(const std::string& path, const TRedateResult& result) {
  switch (result.outcome) {
    case TRedateOutcome::Skipped:
    case TRedateOutcome::NotRead:
      Failed(path, result.reason);
      break;
    case TRedateOutcome::NotSet:
      Failed(path, "the last-write time could not be set: " + result.reason);
      break;
    default:
      break;
  }
}

void TQuietReport::Missing(const std::string& path, int error) { Failed(path, std::strerror(error)); }

void TQuietReport::NotScanned(const std::string& path, int error) {
  Failed(path, std::string("could not be read: ") + std::strerror(error));
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
