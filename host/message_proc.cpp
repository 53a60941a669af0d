// message_proc.cpp -- the two procedures around the engine: SaverWindowProc
// (the class procedure, in front of the engine) and SaverDefaultProc (behind
// it: the close rules, the verify message, the auto-play answer).
#include "host.h"
#include "host_state.h"

namespace {

void HideCursor(void) { SetCursor(nullptr); }

void PostClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void NoteCursor(void) { GetCursorPos(&gHost.lastCursor); }

// Small moves add up: the distance counts from the position noted at creation,
// at the last refused close or at the last close the mouse caused.
int MovedFarEnough(void) {
    POINT now;
    GetCursorPos(&now);
    int32_t dx = now.x - gHost.lastCursor.x, dy = now.y - gHost.lastCursor.y;
    uint32_t distance = (uint32_t)(dx < 0 ? -dx : dx) + (uint32_t)(dy < 0 ? -dy : dy);
    return distance > gHost.mouseThreshold;
}

void DetachInputMethod(HWND window) {
    // Only a module the process already has; the saver never loads it.
    gHost.immModule = GetModuleHandleA("IMM32.DLL");
    if (!gHost.immModule) return;
    gHost.immAssociateContext =
        (ImmAssociateContextFn)(void *)GetProcAddress(gHost.immModule, "ImmAssociateContext");
    if (gHost.immAssociateContext)
        gHost.savedInputContext = gHost.immAssociateContext(window, nullptr);
}

void RestoreInputMethod(HWND window) {
    if (gHost.immModule && gHost.immAssociateContext && gHost.savedInputContext)
        gHost.immAssociateContext(window, gHost.savedInputContext);
}

LRESULT ForwardToParent(HWND window, UINT message, LPARAM lParam) {
    HWND parent = GetParent(window);
    if (parent && IsWindow(parent)) PostMessageA(parent, message, (WPARAM)parent, lParam);
    return 1;
}

// A help request's lParam points to a HELPINFO in this process, which a
// posted message would hand to the parent's process as a bare address. The
// default handling sends it up to the parent, and the system carries the
// HELPINFO across with it.
LRESULT HelpToParent(HWND window, WPARAM wParam, LPARAM lParam) {
    DefWindowProcA(window, WM_HELP, wParam, lParam);
    return 1;
}

int IsRefusedSysCommand(WPARAM command) {
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

// Step 1 of SaverDefaultProc: the full-screen rules. Returns 1 with *result
// set when the message is answered here.
int ApplyCloseRules(HWND window, UINT message, WPARAM wParam, LRESULT *result) {
    if (gHost.isWin9xFamily) {
        if (message == WM_CLOSE && !VerifyBeforeClose(window)) {
            NoteCursor();  // the mouse rule starts afresh from here
            *result = 0;
            return 1;
        }
        if (message == WM_SAVER_VERIFY) {
            *result = gHost.verifyPassword ? gHost.verifyPassword(window) : 1;
            return 1;
        }
    }
    if (gHost.verifying) return 0;  // the password dialog is up
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) HideCursor();
        break;
    case WM_ACTIVATEAPP:
        if (!wParam) PostClose(window);
        break;
    case WM_SETCURSOR:
        HideCursor();
        *result = 1;
        return 1;
    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME) PostClose(window);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_POWERBROADCAST:
        PostClose(window);
        break;
    case WM_MOUSEMOVE:
        if (MovedFarEnough()) {
            PostClose(window);
            NoteCursor();
        }
        break;
    }
    return 0;
}

}  // namespace

LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (!gHost.isPreview && !gHost.closing && ApplyCloseRules(window, message, wParam, &result))
        return result;
    if (gHost.autoPlayMessage && message == gHost.autoPlayMessage) {
        PostClose(window);
        return gHost.verifyPassword ? 1 : 0;  // 1 asks the system to cancel its auto-play
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        DetachInputMethod(window);
        NoteCursor();
        if (!gHost.isPreview) HideCursor();
        break;
    case WM_DESTROY:
        RestoreInputMethod(window);
        PostQuitMessage(0);  // before the engine tears down
        break;
    case WM_SETTEXT:
        return 0;  // the window's title never changes
    case WM_PAINT:
        if (gHost.closing) return DefWindowProcA(window, message, wParam, lParam);
        if (!gHost.isPreview) HideCursor();
        break;
    case WM_HELP:
        if (gHost.isPreview) return HelpToParent(window, wParam, lParam);
        break;
    case WM_CONTEXTMENU:  // its lParam is plain coordinates, which posting carries
        if (gHost.isPreview) return ForwardToParent(window, message, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (gHost.closing) return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!gHost.isPreview && IsRefusedSysCommand(wParam)) return 0;
        break;
    case WM_TIMER:
        if (gHost.closing) return 0;  // the engine no longer ticks
        Sleep(0);
        break;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}
