#include "drivers/base/ArchiverOptions.h"

void TArchiverOptions::ResetOptions() {
#define DV_RESET_NUMBER(name) name = -1;
#define DV_RESET_TEXT(name) name = UnsetMarker();
#define DV_RESET_LIST(name) name.Clear();
  DV_OPTION_SWITCHES(DV_RESET_NUMBER, DV_RESET_TEXT, DV_RESET_LIST)
#undef DV_RESET_NUMBER
#undef DV_RESET_TEXT
#undef DV_RESET_LIST
  UserOptions.clear();
  UserFileList.clear();
  PackFilter = pfArchiver;
  ResFileName.clear();
  ResFileUsage = TResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem};
}

// ResFileUsage is copied too: a copy that kept the target's own usage would
// send file lists a different way than the set it was copied from.
void TArchiverOptions::AssignTo(TPersistent& target) const {
  auto* options = dynamic_cast<TArchiverOptions*>(&target);
  if (options == nullptr) {
    TPersistent::AssignTo(target);
    return;
  }
  if (options == this) return;
#define DV_COPY_FIELD(name) options->name = name;
#define DV_COPY_LIST(name) options->name.Assign(name);
  DV_OPTION_SWITCHES(DV_COPY_FIELD, DV_COPY_FIELD, DV_COPY_LIST)
#undef DV_COPY_FIELD
#undef DV_COPY_LIST
  options->UserOptions = UserOptions;
  options->UserFileList = UserFileList;
  options->PackFilter = PackFilter;
  options->ResFileName = ResFileName;
  options->ResFileUsage = ResFileUsage;
}
