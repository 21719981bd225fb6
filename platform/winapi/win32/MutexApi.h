// Included by platform/winapi/Mutex.h: the system's named mutexes.
#pragma once

#include "contract/WinTypes.h"
