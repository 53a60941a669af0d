// shcore_standin.cpp -- a planted SHCORE.DLL: dropped beside orb.scr, it must
// never load. If it does, it says so in shcore-loaded.txt.
#include "standin_log.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) StandinAppend(self, "shcore-loaded.txt", "loaded\n");
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI GetDpiForMonitor(HMONITOR, int, UINT *dpiX,
                                                                 UINT *dpiY) {
    *dpiX = *dpiY = 96;
    return S_OK;
}
