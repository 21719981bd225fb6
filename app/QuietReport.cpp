#include "app/QuietReport.h"

#include <cstring>

#include "platform/rtl/Translate.h"

namespace {
// A moment as scripts read it, whatever the regional formats.
std::string MomentText(TDateTime moment) { return FormatDateTime(R"(yyyy"-"mm"-"dd hh":"nn":"ss)", moment); }
}  // namespace

void TQuietReport::Describe(std::FILE* out, bool verbose, bool dryRun) {
  out_ = out;
  verbose_ = verbose;
  dryRun_ = dryRun;
}

void TQuietReport::Redated(const std::string& path, const TRedateResult& result) {
  switch (result.outcome) {
    case TRedateOutcome::Skipped:
    case TRedateOutcome::NotRead: Failed(path, result.reason); break;
    case TRedateOutcome::NotSet:
      Failed(path, std::string(Translate("the last-write time could not be set")) + ": " + result.reason);
      break;
    case TRedateOutcome::Redated:
      if (verbose_ || dryRun_)
        Tell(path, (result.hadTime ? MomentText(result.before) : std::string(Translate("unknown"))) + " -> " +
                       MomentText(result.date + result.time));
      break;
    case TRedateOutcome::NoEntry:
      if (verbose_) Tell(path, std::string(Translate("left as it is")) + " (" + Translate("no dated entry") + ")");
      break;
    case TRedateOutcome::ReadOnly:
    case TRedateOutcome::OutOfRange:
      if (verbose_) Tell(path, std::string(Translate("left as it is")) + " (" + result.reason + ")");
      break;
    case TRedateOutcome::NoArchive: break;
  }
}

void TQuietReport::Missing(const std::string& path, int error) { Failed(path, std::strerror(error)); }

void TQuietReport::NotScanned(const std::string& path, int error) {
  Failed(path, std::string(Translate("could not be read")) + ": " + std::strerror(error));
}

void TQuietReport::RunBroken(const std::string& path, const std::exception& error) {
  if (sink_ == nullptr) return;
  failed_ = true;
  if (!path.empty()) Failed(path, error.what());
}

void TQuietReport::Failed(const std::string& path, const std::string& reason) {
  if (sink_ == nullptr) return;
  failed_ = true;
  std::fprintf(sink_, "dovanel: %s: %s\n", path.c_str(), reason.c_str());
  std::fflush(sink_);
}

void TQuietReport::Tell(const std::string& path, const std::string& what) {
  if (out_ == nullptr) return;
  std::fprintf(out_, "%s: %s\n", path.c_str(), what.c_str());
  std::fflush(out_);
}
