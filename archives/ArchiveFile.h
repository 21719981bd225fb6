// The archive layer's face to the application: one component per archive
// file. Binding a name picks the format and creates its driver; the listing
// operations forward to the driver with the handle kept between open and close.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "drivers/base/Archiver.h"
#include "drivers/base/ArchiverType.h"
#include "platform/rtl/Component.h"

struct EXTRACTINGINFOEX;
using LPEXTRACTINGINFOEX = EXTRACTINGINFOEX*;
using TArchiverProgressEvent = std::function<void(TComponent* sender, int state, LPEXTRACTINGINFOEX info, bool& abort)>;

class TArchiveFile : public TComponent {
 public:
  explicit TArchiveFile(TComponent* owner);
  ~TArchiveFile() override;

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value);
  TArchiverType ArchiverType() const { return archiverType_; }
  void SetArchiverType(TArchiverType value);
  int OutputSize() const { return static_cast<int>(output_.size()); }
  void SetOutputSize(int size);
  TArchiverOptions& Options() { return *options_; }
  // Takes the given set in place of the owned one and frees it later.
  void SetOptions(std::unique_ptr<TArchiverOptions> options);
  TArchiverProgressEvent OnProgress;

  // The bound driver, or null; for callers of the command operations.
  TArchiver* Archiver() const { return archiver_.get(); }
  std::string& Output() { return output_; }

  HARC OpenArchive(HWND ownerWindow, DWORD mode);
  int FindFirst(const std::string& wildcard, ENTRYINFO* entry);
  int FindNext(ENTRYINFO* entry);
  void CloseArchive();

 private:
  void CheckArchiver() const;
  void AutoDetectType();
  void BindArchiver(std::unique_ptr<TArchiver> archiver);

  TArchiverType archiverType_ = atAutoDetect;
  std::unique_ptr<TArchiver> archiver_;
  std::unique_ptr<TArchiverOptions> options_;
  std::string fileName_;
  std::string output_;
  HARC archiveHandle_ = 0;
};
