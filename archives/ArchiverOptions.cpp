#include "archives/ArchiverOptions.h"

void TArchiverOptions::ResetOptions() {
#define DV_RESET_NUMBER(name) name = -1;
  DV_OPTION_NUMBERS(DV_RESET_NUMBER)
#undef DV_RESET_NUMBER
#define DV_RESET_TEXT(name) name = UnsetMarker();
  DV_OPTION_TEXTS(DV_RESET_TEXT)
#undef DV_RESET_TEXT
  jx.Clear();
  UserOptions.clear();
  UserFileList.clear();
  PackFilter = pfArchiver;
  ResFileName.clear();
  ResFileUsage = TResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem};
}
