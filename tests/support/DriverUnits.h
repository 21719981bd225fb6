// Returns every driver unit to "not loaded", so each test starts afresh.
#pragma once

#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/LHA32.h"
#include "drivers/RAR32.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"

inline void ReleaseAllDriverUnits() {
  LhaUnit().Release();
  ZipUnit().Release();
  CabUnit().Release();
  ArjUnit().Release();
  TarUnit().Release();
  RarUnit().Release();
}
