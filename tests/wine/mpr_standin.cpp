// mpr_standin.cpp -- a stand-in for MPR.DLL's PwdChangePasswordA: it logs the
// provider and the owner window to mpr-calls.txt beside it.
#include "standin_log.h"

static HMODULE gSelf;

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gSelf = self;
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner,
                                                                 DWORD, LPVOID) {
    char line[160];
    std::snprintf(line, sizeof line, "provider=%s owner=%lu\n", provider ? provider : "(null)",
                  (unsigned long)(ULONG_PTR)owner);
    StandinAppend(gSelf, "mpr-calls.txt", line);
    return 0;
}
