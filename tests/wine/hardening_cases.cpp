// hardening_cases.cpp -- what the saver must not let in or leave behind: the
// SHCORE.DLL planted beside it (the suite puts one there), a help request
// lost on its way to the preview's owner, and a window that has gone still
// showing on the saver.
#include "picture.h"
#include "saver_cases.h"

namespace {

// What the system turns an F1 key into; its default handling asks for help.
const UINT kKeyF1 = 0x004D;
const COLORREF kCoverColour = RGB(255, 0, 255);  // no darkened picture or ball shows it

// Ours, over part of the full-screen saver. It never takes the activation,
// which would end the saver.
HWND ShowCover(const RECT &box) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrbTestCover";
    windowClass.hbrBackground = CreateSolidBrush(kCoverColour);
    RegisterClassA(&windowClass);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                                 "OrbTestCover", "Orb test cover", WS_POPUP, box.left, box.top,
                                 BoxWidth(box), BoxHeight(box), nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(cover, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(cover);
    return cover;
}

int ShowsCover(const RECT &box) {
    Shot shot;
    int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    return ReadScreen(x, y, 1, 1, &shot) &&
           shot.At(x, y) == (uint32_t)(GetRValue(kCoverColour) << 16 |
                                       GetGValue(kCoverColour) << 8 | GetBValue(kCoverColour));
}

// Full screen: the planted DLL stays out, and where the cover was, the
// darkened picture comes back once the cover goes.
void ExpectUncoveredRepainted() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    const RECT box = {40, 60, 40 + 300, 60 + 200};  // away from the cursor in the middle
    HWND cover = ShowCover(box);
    int shown = 0;
    for (int i = 0; i < 50 && !(shown = ShowsCover(box)); ++i) Pump(20);
    CHECK(shown, "the covering window did not show over the saver");
    DestroyWindow(cover);
    Comparison c;
    Shot shot;
    if (!WaitForDimmed(0, 0, ScreenWidth(), ScreenHeight(), 30, kBall, &c, &shot, 3000)) {
        ReportDimmed(c, 30);
        SaveShot(shot, "-uncovered");
    }
    CHECK(StillRunning(saver), "the covering window ended the saver");
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
    DestroyWindow(gPicture.window);
}

// Preview: F1 there must reach the parent as a help request it can read.
void ExpectHelpReachesParent() {
    HWND parent = ShowPicture(120, 90, 333, 251, 1);
    Saver saver = StartSaver(gHarness.scr, "/p " + HandleText(parent), nullptr);
    HWND child = WaitForWindow(kSaverClass, "Preview", parent, 10000);
    CHECK(child, "no preview window appeared inside the parent");
    gPicture.helpFrom = nullptr;
    if (child) PostMessageA(child, kKeyF1, 0, 0);
    for (int i = 0; i < 50 && !gPicture.helpFrom; ++i) Pump(20);
    CHECK(child && gPicture.helpFrom == child,
          "the parent got no readable help request from the preview");
    DestroyWindow(parent);
    ExpectExit(saver, 5000, 0, "closing the parent");
    Stop(saver);
}

void CaseHardening() {
    const std::string marker = InRunDir("shcore-loaded.txt");
    DeleteFileA(marker.c_str());
    UnmanagedSaverWindows unmanaged;
    ExpectUncoveredRepainted();
    ExpectHelpReachesParent();
    CHECK(GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES,
          "the SHCORE.DLL beside orb.scr was loaded");
}
const CaseRegistration kHardeningCase("hardening", CaseHardening);

}  // namespace
