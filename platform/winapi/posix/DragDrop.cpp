#include "platform/winapi/DragDrop.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/winapi/Window.h"

struct HDROP__ {
  std::vector<std::string> files;
  POINT point;
};

namespace {
constexpr UINT kCountQuery = 0xFFFFFFFF;

std::map<HDROP, std::unique_ptr<HDROP__>>& Drops() {
  static std::map<HDROP, std::unique_ptr<HDROP__>> drops;
  return drops;
}
}  // namespace

void DragAcceptFiles(HWND window, BOOL accept) {
  if (IsWindow(window)) window->acceptFiles = accept != FALSE;
}

UINT DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
  if (!IsDropHandle(drop)) return 0;
  if (index == kCountQuery) return static_cast<UINT>(drop->files.size());
  if (index >= drop->files.size()) return 0;
  const std::string& path = drop->files[index];
  if (file == nullptr) return static_cast<UINT>(path.size());
  if (size == 0) return 0;
  const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
  std::memcpy(file, path.data(), copied);
  file[copied] = '\0';
  return static_cast<UINT>(copied);
}

BOOL DragQueryPoint(HDROP drop, POINT* point) {
  if (!IsDropHandle(drop) || point == nullptr) return FALSE;
  *point = drop->point;
  return TRUE;
}

void DragFinish(HDROP drop) { Drops().erase(drop); }

HDROP MakeDropHandle(std::vector<std::string> files, POINT point) {
  auto drop = std::make_unique<HDROP__>();
  drop->files = std::move(files);
  drop->point = point;
  HDROP handle = drop.get();
  Drops().emplace(handle, std::move(drop));
  return handle;
}

bool IsDropHandle(HDROP drop) { return drop != nullptr && Drops().count(drop) != 0; }
int LiveDropCount() { return static_cast<int>(Drops().size()); }
