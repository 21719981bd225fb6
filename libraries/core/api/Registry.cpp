#include "libraries/core/api/Registry.h"

#include <mutex>
#include <unordered_map>

namespace dv {
namespace {

struct Handles {
  std::mutex mutex;
  std::unordered_map<HARC, std::shared_ptr<Listing>> live;
  HARC last = 0;
};

Handles& TheHandles() {
  static Handles handles;
  return handles;
}

}  // namespace

HARC RegisterListing(std::shared_ptr<Listing> listing) {
  Handles& handles = TheHandles();
  std::lock_guard lock(handles.mutex);
  // Numbers are never reused while the library is loaded, so a handle kept
  // after its close cannot reach a later listing.
  const HARC handle = ++handles.last;
  handles.live.emplace(handle, std::move(listing));
  return handle;
}

std::shared_ptr<Listing> FindListing(HARC handle) {
  Handles& handles = TheHandles();
  std::lock_guard lock(handles.mutex);
  const auto found = handles.live.find(handle);
  return found != handles.live.end() ? found->second : nullptr;
}

void UnregisterListing(HARC handle) {
  Handles& handles = TheHandles();
  std::lock_guard lock(handles.mutex);
  handles.live.erase(handle);
}

}  // namespace dv
