// screensaverproc_win32.cpp -- ScreenSaverProc, the engine's window procedure
// on Windows, exported from orb.scr under that name.
//
// The host's window procedure hands it every message it does not keep for
// itself. The engine acts on creation, timer ticks and destruction, then lets
// the host's SaverDefaultProc have the message too; the background is never
// erased, so the desktop stays on screen until the first tick paints over it.
#include <windows.h>

#include "engine.h"

// The host's close rules and default handling (host/message_proc.cpp).
LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_CREATE:
        EngineSetup(window);
        break;
    case WM_TIMER:  // any identifier counts as a tick
        EngineTick(window);
        break;
    case WM_DESTROY:
        EngineTeardown(window);
        break;
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}
