// The live archive handles of one library. A handle is a number the
// registry hands out, never a pointer, so a stale or made-up handle is just
// not found.
#pragma once

#include <memory>

#include "contract/EntryInfo.h"
#include "libraries/core/api/Listing.h"

namespace dv {

HARC RegisterListing(std::shared_ptr<Listing> listing);
// The listing of a live handle; nothing for 0, unknown or closed handles.
std::shared_ptr<Listing> FindListing(HARC handle);
// Forgets the handle; harmless for any value.
void UnregisterListing(HARC handle);

}  // namespace dv
