// dlopen and its kin over LoadLibraryW, for the Windows test programs alone:
// contract/LibraryLoader.h then loads our DLLs there as it loads the shared
// objects on Linux. (Declared without <windows.h>, whose types clash with
// the contract's.)
#pragma once

inline constexpr int RTLD_NOW = 2;
inline constexpr int RTLD_LOCAL = 0;

// `path` is UTF-8.
void* dlopen(const char* path, int mode);
void* dlsym(void* library, const char* name);
int dlclose(void* library);
// Why the last call failed, as the system's error number.
const char* dlerror();
