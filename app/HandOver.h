// What a second start hands the running window: its paths, made absolute
// (the running window has another working folder), as one block of
// NUL-ended texts tagged kDroppedPaths, sent as WM_COPYDATA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi/Window.h"

inline constexpr std::uintptr_t kDroppedPaths = 0x44560001;  // "DV", 1

std::string PackPaths(const std::vector<std::string>& paths);
std::vector<std::string> UnpackPaths(const COPYDATASTRUCT& data);

// Gives the paths to the window of another instance; true when it took them.
bool HandPathsOver(HWND window, const std::vector<std::string>& paths);
