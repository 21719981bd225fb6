// MessageBoxA by its Windows name: the system's own on Windows.
#pragma once

#include "MessageBoxApi.h"
