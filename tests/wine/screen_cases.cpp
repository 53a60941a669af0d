// screen_cases.cpp -- the full-screen saver over the test picture: how much it
// darkens, that the ball moves, and what ends it.
#include "picture.h"
#include "saver_cases.h"

namespace {

void StoreDimPercent(int percent) {
    uint8_t record[12] = {(uint8_t)percent, 0, 0, 0};
    CHECK(SetValue(kSettingsKey, kSettingsValue, REG_BINARY, record, sizeof record),
          "cannot store the setting");
}

void CaseDim30() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    ExpectBallMoves(30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}
const CaseRegistration kDim30Case("dim30", CaseDim30);
const CaseRegistration kSmokeCase("smoke", CaseDim30);

void CaseDim55() {
    StoreDimPercent(55);
    Saver saver = StartOverPicture(55, nullptr, kBall, nullptr);
    ExpectBallMoves(55);
    MoveCursorTo(ScreenWidth() / 2, ScreenHeight() / 2);
    Click();
    ExpectExit(saver, 5000, 0, "a mouse click");
    Stop(saver);
}
const CaseRegistration kDim55Case("dim55", CaseDim55);

// The cursor is moved 4 pixels in total (3 right, 1 down): the saver stays.
// One more pixel ends it.
void CaseMouse() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    POINT before, after;
    GetCursorPos(&before);
    MouseMoveBy(3, 0);
    Pump(100);
    MouseMoveBy(0, 1);
    Pump(100);
    GetCursorPos(&after);
    if (after.x - before.x != 3 || after.y - before.y != 1)
        Fail("the pointer moved by (%ld,%ld), not (3,1)", after.x - before.x, after.y - before.y);
    Pump(500);
    CHECK(StillRunning(saver), "a 4-pixel move ended the saver");
    MouseMoveBy(1, 0);
    ExpectExit(saver, 5000, 0, "a 5-pixel move");
    Stop(saver);
}
const CaseRegistration kMouseCase("mouse", CaseMouse);

// Another window taking the activation away ends the saver.
void CaseDeactivate() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    SetForegroundWindow(gPicture.window);
    ExpectExit(saver, 5000, 0, "losing the activation");
    Stop(saver);
}
const CaseRegistration kDeactivateCase("deactivate", CaseDeactivate);

void CaseSecondInstance() {
    Saver first = StartOverPicture(30, nullptr, kBall, nullptr);
    HWND window = FindWindowA(kSaverClass, "Screen Saver");
    Saver second = StartSaver(gHarness.scr, "/s", nullptr);
    ExpectExit(second, 10000, 0, "a second /s");
    Stop(second);
    CHECK(StillRunning(first), "the first saver ended when the second started");
    CHECK(FindWindowA(kSaverClass, "Screen Saver") == window, "the saver window changed");
    CHECK(GetForegroundWindow() == window, "the first saver's window is not in the foreground");
    PressKeys(1);
    ExpectExit(first, 5000, 0, "a key press on the first saver");
    Stop(first);
}
const CaseRegistration kSecondInstanceCase("second-instance", CaseSecondInstance);

}  // namespace
