// Included by platform/winapi/DragDrop.h: the shell's drops.
#pragma once

#include "contract/WinTypes.h"

#include <shellapi.h>
