// system_library_win32.cpp -- LoadSystemLibrary: the system folder, never a
// search by bare name.
#include "system_library.h"

#include <cstring>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// The search flags exist where AddDllDirectory does (Windows 8, and 7 or
// Vista with their loader update); older systems would not refuse an unknown
// flag everywhere, so its presence is asked for first.
int HasSystemFolderSearch(void) {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    return kernel && GetProcAddress(kernel, "AddDllDirectory");
}

// The full path keeps the load itself in the system folder where the flag
// is missing (the 95/98 family, XP, unpatched Vista and 7).
HMODULE LoadByFullPath(const char *name) {
    char path[MAX_PATH];
    UINT folder = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = std::strlen(name);
    if (folder == 0 || folder >= MAX_PATH || folder + 1 + nameLength >= MAX_PATH) return nullptr;
    if (path[folder - 1] != '\\') path[folder++] = '\\';
    std::memcpy(path + folder, name, nameLength + 1);
    return LoadLibraryA(path);
}

}  // namespace

HMODULE LoadSystemLibrary(const char *name) {
    if (!name || std::strpbrk(name, "\\/:")) return nullptr;  // a file name, not a path
    if (HasSystemFolderSearch()) return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadByFullPath(name);
}
