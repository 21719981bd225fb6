// Included by platform/winapi/Library.h: the system's loader.
#pragma once

#include "contract/WinTypes.h"
