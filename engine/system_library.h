// system_library.h -- loading a system DLL that the saver looks up at run time.
//
// A bare name would be searched for in the saver's own folder, the current
// folder and the PATH before or instead of the system's, so a DLL planted
// beside an .scr in Downloads would run inside it. Every run-time load of a
// system DLL goes through here instead.
#ifndef ORB_ENGINE_SYSTEM_LIBRARY_H
#define ORB_ENGINE_SYSTEM_LIBRARY_H

#include <windows.h>

// `name` from the system folder only (a plain file name such as "MPR.DLL");
// null when it is not there. Release it with FreeLibrary.
HMODULE LoadSystemLibrary(const char *name);

#endif
