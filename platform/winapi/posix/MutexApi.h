// Named mutexes by their Windows names, per user: a name is a lock file in
// the user's runtime folder, held by the process that created it until its
// handle is closed or the process ends (a crash included, so none goes stale).
#pragma once

#include <string>

#include "contract/WinTypes.h"

constexpr DWORD MUTEX_ALL_ACCESS = 0x001F0001;
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;

struct SECURITY_ATTRIBUTES;

// A handle when a process (this one included) holds the mutex; null with
// ERROR_FILE_NOT_FOUND when nobody does.
HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, LPCSTR name);
// Takes the mutex. When someone already holds it: a handle all the same, and
// GetLastError() gives ERROR_ALREADY_EXISTS. Null only when the lock file
// cannot be made. Ownership of the mutex object itself is not modelled.
HANDLE CreateMutexA(SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, LPCSTR name);
// Closes a handle of this layer; the mutex ends with its last handle.
BOOL CloseHandle(HANDLE handle);

DWORD GetLastError();
void SetLastError(DWORD error);

// The user's own folder for locks and sockets: $XDG_RUNTIME_DIR/dovanel, or
// /tmp/dovanel-<uid> without it. Made on first use, private to the user;
// empty when it cannot be made safely.
std::string UserRuntimeFolder();
