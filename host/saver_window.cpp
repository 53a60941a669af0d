// saver_window.cpp -- the saver window (full screen or preview child), with
// the process's message loop around it.
#include "host.h"
#include "host_state.h"

namespace {

const char kClassName[] = "WindowsScreenSaverClass";
const char kFullScreenName[] = "Screen Saver";
const char kPreviewName[] = "Preview";

enum {
    kIconId = 100,
    kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC,
    kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
    kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
};

struct WindowShape {
    DWORD exStyle, style;
    const char *name;
    RECT box;  // left, top, width, height in right and bottom
};

void PreviewShape(HWND parent, WindowShape *shape) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(parent, &client);
    *shape = {0, kPreviewStyle, kPreviewName, {0, 0, client.right, client.bottom}};
}

void FullScreenShape(WindowShape *shape) {
    RECT clip = {0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    GetClipBox(screen, &clip);
    ReleaseDC(nullptr, screen);
    *shape = {WS_EX_TOPMOST, kFullScreenStyle, kFullScreenName,
              {clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top}};
}

}  // namespace

int RunSaverWindow(HWND parent) {
    WNDCLASSA windowClass = {};
    windowClass.hIcon = LoadIconA(gHost.hInstance, MAKEINTRESOURCEA(kIconId));
    windowClass.style = kClassStyle;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = gHost.hInstance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = kClassName;

    WindowShape shape;
    if (parent) {
        PreviewShape(parent, &shape);
        gHost.isPreview = 1;
    } else {
        FullScreenShape(&shape);
        HWND running = FindWindowA(kClassName, kFullScreenName);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier();
    }
    gHost.autoPlayMessage = gHost.isWin9xFamily ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    // A class that cannot be registered, a window that cannot be created or a
    // loop whose fetch broke is a failed run, not a normal end: -1, like every
    // mode that ran nothing.
    int result = -1;
    if (RegisterClassA(&windowClass)) {
        HWND window = CreateWindowExA(shape.exStyle, kClassName, shape.name, shape.style,
                                      shape.box.left, shape.box.top, shape.box.right,
                                      shape.box.bottom, parent, nullptr, gHost.hInstance, nullptr);
        if (window) {
            if (!parent) SetForegroundWindow(window);
            result = RunMessageLoop(GetMessageA);
        }
    }
    UnloadPasswordVerifier();
    return result;
}
