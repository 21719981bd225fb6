#include "archives/ArchiveFile.h"

#include "archives/DetectArchiverType.h"
#include "drivers/DriverTable.h"
#include "drivers/base/UnsetMarker.h"

namespace {
const char* const kUnknownFormat = "書庫の形式を判別できません。";
}  // namespace

TArchiveFile::TArchiveFile(TComponent* owner)
    : TComponent(owner), options_(std::make_unique<TArchiverOptions>()), fileName_(UnsetMarker()) {}

// An open listing is not closed here: the caller closes it first.
TArchiveFile::~TArchiveFile() = default;

void TArchiveFile::SetFileName(const std::string& value) {
  SetArchiverType(DetectArchiverType(value, true));  // raises before the name changes
  fileName_ = value;
}

void TArchiveFile::SetArchiverType(TArchiverType value) {
  if (HasDriver(value)) {
    BindArchiver(MakeDriver(value));  // loads its library or raises
    archiverType_ = value;
  } else if (value == atNone) {
    // Nothing changes: the name gave no format.
  } else if (value == atAutoDetect) {
    archiverType_ = atAutoDetect;  // the driver stays bound
  } else if (ComponentState() & csReading) {
    archiverType_ = value;
  } else {
    throw EArchiver("現在のバージョンではこの形式の書庫をサポートしていません。");
  }
}

void TArchiveFile::SetOutputSize(int size) {
  if (size <= 0) {
    output_.clear();
    output_.shrink_to_fit();
    return;
  }
  output_ = std::string(static_cast<std::size_t>(size), '\0');
}

void TArchiveFile::SetOptions(std::unique_ptr<TArchiverOptions> options) {
  if (options) options_ = std::move(options);
}

void TArchiveFile::CheckArchiver() const {
  if (!archiver_) throw EArchiver(kUnknownFormat);
}

void TArchiveFile::AutoDetectType() {
  if (archiverType_ == atAutoDetect) SetArchiverType(DetectArchiverType(fileName_, false));
}

void TArchiveFile::BindArchiver(std::unique_ptr<TArchiver> archiver) { archiver_ = std::move(archiver); }

HARC TArchiveFile::OpenArchive(HWND ownerWindow, DWORD mode) {
  AutoDetectType();
  CheckArchiver();
  archiveHandle_ = archiver_->OpenArchive(ownerWindow, fileName_, mode);
  return archiveHandle_;
}

// Without a bound driver the walk is simply empty.
int TArchiveFile::FindFirst(const std::string& wildcard, ENTRYINFO* entry) {
  return archiver_ ? archiver_->FindFirst(archiveHandle_, entry, wildcard) : -1;
}

int TArchiveFile::FindNext(ENTRYINFO* entry) { return archiver_ ? archiver_->FindNext(archiveHandle_, entry) : -1; }

void TArchiveFile::CloseArchive() {
  if (archiver_) archiver_->CloseArchive(archiveHandle_);
  archiveHandle_ = 0;
}
