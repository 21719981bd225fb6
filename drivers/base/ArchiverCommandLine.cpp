// The two pieces every driver's command line ends with.
#include "drivers/base/Archiver.h"
#include "drivers/base/CmdOpt.h"

void TArchiver::AddArchiveAndDirectory(TCmdOpt& builder, const std::string& archiveName,
                                       const std::string& baseDirectory) const {
  builder.AddValue("", archiveName);
  builder.AddPath("", baseDirectory);
}

void TArchiver::AddFileList(TCmdOpt& builder, const TArchiverOptions& options, const TStringList* files,
                            bool useResponseFile) const {
  if (files != nullptr) {
    if (useResponseFile && IsGivenAndNotEmpty(options.ResFileName))
      builder.WriteResponseFile(*files, options.ResFileName);
    else
      builder.AddFileNames("", *files);
  }
  builder.Append(options.UserFileList);
}
