// Named mutexes by their Windows names (OpenMutexA, CreateMutexA,
// CloseHandle, GetLastError): the system's own on Windows.
#pragma once

#include "MutexApi.h"
