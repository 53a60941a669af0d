// display_cases.cpp -- the full-screen saver on the screens people own. On
// several monitors its window covers the whole virtual screen, monitors left
// of and above the primary one included, and every monitor shows the
// darkened picture outside the one ball, which moves across all of them. On
// a dense screen it plays a larger ball.
#include "picture.h"
#include "saver_cases.h"

namespace {

struct MonitorList {
    int count;
    int beforePrimary;  // monitors reaching left of or above the primary's corner
};

BOOL CALLBACK NoteMonitor(HMONITOR, HDC, LPRECT box, LPARAM data) {
    MonitorList *list = (MonitorList *)data;
    Note("monitor %d: (%ld,%ld)-(%ld,%ld)", list->count, box->left, box->top, box->right,
         box->bottom);
    list->count += 1;
    list->beforePrimary += box->left < 0 || box->top < 0;
    return TRUE;
}

RECT VirtualScreen() {
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void CaseMonitors() {
    MonitorList monitors = {0, 0};
    EnumDisplayMonitors(nullptr, nullptr, NoteMonitor, (LPARAM)&monitors);
    if (monitors.count < 2 || monitors.beforePrimary < 1) {
        Fail("the system shows %d monitors, %d of them left of or above the primary one; the "
             "case needs two and one",
             monitors.count, monitors.beforePrimary);
        return;
    }
    const RECT screen = VirtualScreen();
    Saver saver = StartOverPictureIn(screen, 30, nullptr, kBall, nullptr);
    RECT window = {0, 0, 0, 0};
    GetWindowRect(FindWindowA(kSaverClass, "Screen Saver"), &window);
    CHECK(std::memcmp(&window, &screen, sizeof window) == 0,
          "the saver window covers (%ld,%ld)-(%ld,%ld), not the virtual screen (%ld,%ld)-(%ld,%ld)",
          window.left, window.top, window.right, window.bottom, screen.left, screen.top,
          screen.right, screen.bottom);
    ExpectBallMovesIn(screen, 30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}
const CaseRegistration kMonitorsCase("monitors", CaseMonitors);

// At 192 DPI the ball is the fine 256-pixel one, which plays by default: as it
// grows back, its shadow reaches past anything a classic ball of 256 pixels
// (or the fine 128's frame of 174) can cover, and never past its own frame of
// 348. Outside it the screen stays the darkened picture.
void CaseDpi192() {
    const int frame = 348, classic = 256;
    Saver saver = StartOverPicture(30, nullptr, 256, nullptr);
    int widest = 0;
    DWORD start = GetTickCount();
    Shot shot;
    while (GetTickCount() - start < 1500) {
        Pump(20);
        ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot);
        Comparison c = CompareWithDimmed(shot, 30);
        if (!c.mismatches || BoxWidth(c.box) > frame || BoxHeight(c.box) > frame) {
            ReportDimmed(c, 30);
            break;
        }
        if (BoxWidth(c.box) > widest) {
            widest = BoxWidth(c.box);
            if (widest > classic) SaveShot(shot, "-widest");
        }
    }
    Note("the ball's rectangle was at most %d pixels wide", widest);
    CHECK(widest > classic, "the widest ball was %d pixels: not the fine 256-pixel ball", widest);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}
const CaseRegistration kDpi192Case("dpi192", CaseDpi192);

}  // namespace
