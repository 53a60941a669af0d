// host_state.h -- SaverHostState, the saver host's one process-wide record.
//
// Each part of the host writes some fields and reads others:
//   startup.cpp        hInstance, isWin9xFamily (before any mode runs; never change)
//   saver_window.cpp   isPreview, autoPlayMessage
//   message_proc.cpp   immModule, immAssociateContext, savedInputContext, lastCursor
//   passwords.cpp      closing, verifying, verifierModule, verifyPassword, lastVerifyEnd
// One thread reads and writes it; the only re-entry, the password verifier's
// modal dialog, is guarded by `verifying`.
#ifndef ORB_HOST_HOST_STATE_H
#define ORB_HOST_HOST_STATE_H

#include <windows.h>
#include <imm.h>

// The saver window's private message: "ask the password verifier". Both
// parameters are 0; the answer is the verifier's result.
enum : UINT { WM_SAVER_VERIFY = WM_APP };

enum : DWORD { kNoVerifyYet = 0xFFFFFFFFu };  // lastVerifyEnd before any verification

typedef BOOL(WINAPI *VerifyScreenSavePwdFn)(HWND window);
typedef HIMC(WINAPI *ImmAssociateContextFn)(HWND window, HIMC context);

struct SaverHostState {
    HINSTANCE hInstance;
    int isWin9xFamily;  // the 95/98 family: passwords, running state, auto-play query
    int isPreview;      // the window is a preview child of another window
    int closing;        // a close of the full-screen saver was allowed; never cleared
    int verifying;      // a password verification is in progress
    HMODULE verifierModule;               // "PASSWORD.CPL", or null
    VerifyScreenSavePwdFn verifyPassword;  // null: no password in use
    UINT autoPlayMessage;                  // "QueryCancelAutoPlay", 0 when not registered
    HMODULE immModule;                     // "IMM32.DLL" if already loaded; never released
    ImmAssociateContextFn immAssociateContext;
    HIMC savedInputContext;  // the window's input context before the detach
    POINT lastCursor;        // where the mouse rule measures from
    DWORD lastVerifyEnd;     // tick count at the end of the last verification
    DWORD mouseThreshold;    // a move must exceed this many pixels (|dx| + |dy|)
};

extern SaverHostState gHost;

#endif
