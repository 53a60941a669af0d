// shcore_standin.cpp -- a planted SHCORE.DLL: it must never load beside
// orb.scr, and says so in shcore-loaded.txt if it does.
#include "standin_log.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) StandinAppend(self, "shcore-loaded.txt", "loaded\n");
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI GetDpiForMonitor(HMONITOR, int, UINT *, UINT *) {
    return E_NOTIMPL;
}
