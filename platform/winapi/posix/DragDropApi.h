// Files dropped from the desktop, by the shell's Windows names. A drop handle
// is owned by this layer: made by the forms layer for one drop, freed by
// DragFinish (the forms layer frees any that its receiver left).
#pragma once

#include <string>
#include <vector>

#include "contract/WinTypes.h"

constexpr UINT WM_DROPFILES = 0x0233;

struct HDROP__;
using HDROP = HDROP__*;

// Registers a window for drops, or withdraws it; harmless for a window that is gone.
void DragAcceptFiles(HWND window, BOOL accept);
// index 0xFFFFFFFF: the number of files. With no buffer: the length of path
// `index` without its NUL. With one: copies at most size - 1 characters,
// NUL-terminates and returns the number copied. 0 for a bad handle or index.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size);
// The drop point in the receiving window's client coordinates.
BOOL DragQueryPoint(HDROP drop, POINT* point);
// Frees the drop; harmless for a handle already freed.
void DragFinish(HDROP drop);

// The forms layer's side: a drop of these paths (ANSI bytes) at this point.
HDROP MakeDropHandle(std::vector<std::string> files, POINT point);
bool IsDropHandle(HDROP drop);
// Drops made and not yet freed.
int LiveDropCount();
