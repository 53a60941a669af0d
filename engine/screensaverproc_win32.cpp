// screensaverproc_win32.cpp -- ScreenSaverProc, the engine's window procedure
// on Windows, exported from orb.scr under that name.
//
// The host's window procedure hands it every message it does not keep for
// itself. The engine acts on creation, timer ticks, paints and destruction,
// then lets the host's SaverDefaultProc have the message too; the background
// is never erased, so the desktop stays on screen until the first paint.
#include <windows.h>

#include "engine.h"

// The host's close rules and default handling (host/message_proc.cpp).
LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where the system does not compose windows, whatever covered the saver (a
// password dialog, a window dragged across the preview) stays on the screen
// until someone paints there. The uncovered part gets the darkened picture
// back; before the first tick has shown it, and when there is none (the
// engine is inert, or the window too small for the ball), it gets black.
// Like a tick, this allocates nothing.
static void PaintUncovered(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc) return;
    const RECT &part = paint.rcPaint;
    if (!EngineRepaint(window, part.left, part.top, part.right - part.left,
                       part.bottom - part.top))
        FillRect(dc, &part, (HBRUSH)GetStockObject(BLACK_BRUSH));
    EndPaint(window, &paint);
}

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
    case WM_PAINT:  // the default handling that follows finds nothing left to paint
        PaintUncovered(window);
        break;
    case WM_DESTROY:
        EngineTeardown(window);
        break;
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}
