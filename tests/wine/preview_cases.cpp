// preview_cases.cpp -- the saver as a preview inside a window of ours: it
// fills the parent, ignores keys and clicks, hands context menus to the
// parent, lives in parents of awkward sizes and ends with the parent.
#include "picture.h"
#include "saver_cases.h"

namespace {

// The preview runs inside a window of ours whose client width (333) makes
// padded device-independent rows differ from the engine's.
void CasePreview() {
    const int width = 333, height = 251;
    HWND parent = ShowPicture(120, 90, width, height, 1);
    Saver saver = StartSaver(gHarness.scr, "/p " + HandleText(parent), nullptr);
    HWND child = WaitForWindow(kSaverClass, "Preview", parent, 10000);
    if (!child) {
        Fail("no preview window appeared inside the parent");
        Stop(saver);
        return;
    }
    RECT client, childBox;
    GetClientRect(parent, &client);
    GetWindowRect(child, &childBox);
    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    CHECK(childBox.left == origin.x && childBox.top == origin.y &&
              childBox.right - childBox.left == client.right &&
              childBox.bottom - childBox.top == client.bottom,
          "the preview (%ld,%ld %ldx%ld) does not fill the parent's client area (%ld,%ld %ldx%ld)",
          childBox.left, childBox.top, childBox.right - childBox.left,
          childBox.bottom - childBox.top, origin.x, origin.y, client.right, client.bottom);
    // Wine does not show what a process draws into a child of another
    // process's window, so the picture is only checked on Windows; the
    // padded rows of odd widths are checked full screen (dim30 at 1021x767).
    if (!RunningUnderWine()) {
        Comparison c;
        Shot shot;
        if (!WaitForDimmed(origin.x, origin.y, width, height, 30, kBall, &c, &shot, 10000))
            ReportDimmed(c, 30);
        else
            SaveShot(shot, "");
    }
    // A context-menu request goes to the parent, with the parent's handle.
    PostMessageA(child, WM_CONTEXTMENU, (WPARAM)child, MAKELPARAM(200, 200));
    PostMessageA(child, WM_KEYDOWN, 'Q', 0x00100001);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    Pump(600);
    CHECK(StillRunning(saver), "a key or a click ended the preview");
    CHECK(IsWindow(child), "the preview window is gone after a key and a click");
    CHECK(gPicture.forwardedMenus == 1, "the parent got %d forwarded context-menu requests, wanted 1",
          gPicture.forwardedMenus);
    DestroyWindow(parent);
    ExpectExit(saver, 5000, 0, "closing the parent");
    Stop(saver);
}
const CaseRegistration kPreviewCase("preview", CasePreview);

struct ClientSize {
    int width, height;
};

// The saver draws only when the window leaves the sprite 3 pixels of slack
// both ways (the classic 128 where the fine ball's frame does not fit); below
// that the preview must still live and end quietly.
int LeavesRoomForBall(ClientSize size) {
    return size.width - kClassicBall >= 3 && size.height - kClassicBall >= 3;
}

// Wine does not show what another process draws into our window, so only
// Windows gets the pixels checked here; under Wine the same widths are
// checked full screen in virtual desktops. Where the ball fits, the
// darkened picture must come; elsewhere (`drawn` 0) nothing may change.
void ExpectPreviewPicture(ClientSize size, int drawn, const char *what) {
    if (RunningUnderWine() || LeavesRoomForBall(size) != drawn) return;
    int seenWidth = size.width < ScreenWidth() ? size.width : ScreenWidth();
    int seenHeight = size.height < ScreenHeight() ? size.height : ScreenHeight();
    Shot shot;
    if (drawn) {
        Comparison c;
        if (!WaitForDimmed(0, 0, seenWidth, seenHeight, 30, kBall, &c, &shot, 10000))
            ReportDimmed(c, 30);
        return;
    }
    ReadScreen(0, 0, seenWidth, seenHeight, &shot);
    CHECK(CompareWithDimmed(shot, 100).mismatches == 0, "%s drew although the ball does not fit",
          what);
}

void PreviewInParent(ClientSize size) {
    char what[64];
    std::snprintf(what, sizeof what, "the %dx%d preview", size.width, size.height);
    HWND parent = ShowPreviewParent(size.width, size.height);
    RECT client = {0, 0, 0, 0};
    GetClientRect(parent, &client);
    if (client.right != size.width || client.bottom != size.height) {
        Fail("%s: the parent's client area is %ldx%ld", what, client.right, client.bottom);
        DestroyWindow(parent);
        return;
    }
    Saver saver = StartSaver(gHarness.scr, "/p " + HandleText(parent), nullptr);
    HWND child = WaitForWindow(kSaverClass, "Preview", parent, 10000);
    if (!child) {
        Fail("%s: no preview window appeared", what);
    } else {
        RECT box;
        GetClientRect(child, &box);
        CHECK(box.right == size.width && box.bottom == size.height,
              "%s: the preview's client area is %ldx%ld", what, box.right, box.bottom);
        ExpectPreviewPicture(size, 1, what);
        Pump(400);
        CHECK(StillRunning(saver) && IsWindow(child), "%s ended by itself", what);
        ExpectPreviewPicture(size, 0, what);
    }
    DestroyWindow(parent);
    ExpectExit(saver, 5000, 0, what);
    Stop(saver);
    ExpectNothingLeft(what);
}

void CasePreviewSizes() {
    const ClientSize sizes[] = {{1, 1}, {128, 128}, {130, 131}, {131, 131}, {1023, 700}, {1366, 768}};
    for (ClientSize size : sizes) PreviewInParent(size);
}
const CaseRegistration kHostilePreviewSizesCase("hostile-preview-sizes", CasePreviewSizes);

}  // namespace
