// passwords.cpp -- the 95/98 family's screen-saver password: the system's
// verifier (PASSWORD.CPL) asked before a close, and the system's password
// change (MPR.DLL). Both are looked up at run time, in the system folder only;
// outside the family none of this runs.
#include "host.h"
#include "host_state.h"
#include "system_library.h"

namespace {

enum { kVerifyPauseMs = 200 };  // a close this soon after a verification asks nothing

typedef DWORD(WINAPI *PwdChangePasswordFn)(LPCSTR provider, HWND owner, DWORD reserved1,
                                            LPVOID reserved2);

int PasswordInUse(void) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return -1;
    BYTE value[4] = {0, 0, 0, 0};  // a shorter value fills the low bytes
    DWORD size = sizeof value;
    int inUse = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, value, &size) ==
                    ERROR_SUCCESS &&
                (value[0] | value[1] | value[2] | value[3]) != 0;
    RegCloseKey(key);
    return inUse;
}

}  // namespace

void SetSaverRunning(int running) {
    if (!gHost.isWin9xFamily) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, (UINT)running, &previous, 0);
}

void LoadPasswordVerifier(void) {
    if (!gHost.isWin9xFamily) return;
    if (gHost.verifierModule) UnloadPasswordVerifier();
    if (PasswordInUse() != 1) return;
    gHost.verifierModule = LoadSystemLibrary("PASSWORD.CPL");
    if (!gHost.verifierModule) return;
    gHost.verifyPassword =
        (VerifyScreenSavePwdFn)(void *)GetProcAddress(gHost.verifierModule, "VerifyScreenSavePwd");
    if (gHost.verifyPassword)
        SetSaverRunning(1);
    else
        UnloadPasswordVerifier();
}

void UnloadPasswordVerifier(void) {
    if (!gHost.isWin9xFamily || !gHost.verifierModule) return;
    FreeLibrary(gHost.verifierModule);
    gHost.verifierModule = nullptr;
    if (gHost.verifyPassword) {
        gHost.verifyPassword = nullptr;
        SetSaverRunning(0);
    }
}

int VerifyBeforeClose(HWND window) {
    if (gHost.verifying) return 0;  // a close during a verification is refused
    if (!gHost.verifyPassword) {
        gHost.closing = 1;
        return 1;
    }
    DWORD now = GetTickCount();
    if (gHost.lastVerifyEnd != kNoVerifyYet && now - gHost.lastVerifyEnd < kVerifyPauseMs)
        return 0;
    gHost.verifying = 1;
    // Ticks that piled up before the dialog would otherwise all run at once
    // under it; at most two are dropped.
    MSG pending;
    for (int i = 0; i < 2; ++i)
        PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    LRESULT answer = SendMessageA(window, WM_SAVER_VERIFY, 0, 0);
    gHost.closing = (int)answer;
    gHost.verifying = 0;
    if (!answer) SetCursor(nullptr);
    gHost.lastVerifyEnd = GetTickCount();
    return gHost.closing;
}

void ChangeSaverPassword(HWND owner) {
    HMODULE mpr = LoadSystemLibrary("MPR.DLL");
    if (!mpr) return;
    PwdChangePasswordFn change =
        (PwdChangePasswordFn)(void *)GetProcAddress(mpr, "PwdChangePasswordA");
    if (change) change("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(mpr);
}
