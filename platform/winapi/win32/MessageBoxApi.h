// Included by platform/winapi/MessageBox.h: the system's message box.
#pragma once

#include "contract/WinTypes.h"
