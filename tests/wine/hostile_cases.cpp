// hostile_cases.cpp -- hostile conditions for the full-screen saver: a screen
// too small for the ball, many short runs in a row, storms of input and
// closes, floods of timer messages. Every case ends by checking that no
// orb.scr process is left.
#include "picture.h"
#include "saver_cases.h"

#include <tlhelp32.h>

namespace {

// ---------------------------------------------------------------- full screen, too small

// Run in a virtual desktop one pixel short of the ball and its 3 pixels of
// slack: the saver starts, draws nothing at all (not even the darkened
// screen) and still ends on a key.
void CaseTooSmall() {
    ShowPicture(0, 0, ScreenWidth(), ScreenHeight(), 0);
    Saver saver = StartSaver(gHarness.scr, "/s", nullptr);
    if (!WaitForWindow(kSaverClass, "Screen Saver", nullptr, 10000))
        Fail("no full-screen saver window appeared");
    Pump(300);
    Shot before, after;
    ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &before);
    Pump(300);
    ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &after);
    CHECK(before.pixels == after.pixels, "the screen changed although the ball does not fit");
    CHECK(CompareWithDimmed(after, 30).mismatches > 0,
          "the darkened picture was painted although the ball does not fit");
    CHECK(StillRunning(saver), "the saver ended by itself");
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
    ExpectNothingLeft("a key press");
}
const CaseRegistration kHostileTooSmallCase("hostile-too-small", CaseTooSmall);

// ---------------------------------------------------------------- many runs

// Start, first paint, key, exit -- fifty times, each closed as soon as its
// first frame is on the screen. Run in a virtual desktop of an odd width, so
// every run also checks the padded rows of the capture pixel by pixel.
void CaseCycles() {
    const int kRuns = 50;
    ShowPicture(0, 0, ScreenWidth(), ScreenHeight(), 0);
    MoveCursorTo(ScreenWidth() / 2, ScreenHeight() / 2);
    DWORD start = GetTickCount(), slowest = 0;
    int done = 0;
    for (; done < kRuns && !gHarness.failures; ++done) {
        char what[32];
        std::snprintf(what, sizeof what, "run %d", done + 1);
        if (!WaitForPicture(3000)) {
            Fail("%s: the plain picture is not back on the screen", what);
            break;
        }
        DWORD runStart = GetTickCount();
        Saver saver = StartSaver(gHarness.scr, "/s", nullptr);
        if (!WaitForWindow(kSaverClass, "Screen Saver", nullptr, 10000))
            Fail("%s: no saver window appeared", what);
        Comparison c;
        Shot shot;
        if (!gHarness.failures && !WaitForDimmed(0, 0, ScreenWidth(), ScreenHeight(), 30, kBall, &c,
                                                &shot, 10000))
            ReportDimmed(c, 30);
        PressKeys(1);
        ExpectExit(saver, 5000, 0, what);
        Stop(saver);
        CHECK(!FindWindowA(kSaverClass, nullptr), "%s: its window outlived it", what);
        DWORD took = GetTickCount() - runStart;
        if (took > slowest) slowest = took;
    }
    Note("%d runs of %dx%d in %lu ms, slowest %lu ms", done, ScreenWidth(), ScreenHeight(),
         GetTickCount() - start, slowest);
    ExpectNothingLeft("the last run");
}
const CaseRegistration kHostileCyclesCase("hostile-cycles", CaseCycles);

// ---------------------------------------------------------------- storms

// Suspends every thread of a process; ReleaseThreads resumes them.
std::vector<HANDLE> HoldThreads(DWORD processId) {
    std::vector<HANDLE> held;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return held;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread && SuspendThread(thread) != (DWORD)-1) held.push_back(thread);
        else if (thread) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return held;
}

void ReleaseThreads(std::vector<HANDLE> &held) {
    for (HANDLE thread : held) {
        ResumeThread(thread);
        CloseHandle(thread);
    }
    held.clear();
}

// Thousands of input messages and closes posted to the window, hundreds of
// keys, moves and clicks sent through the system behind them, all queued
// while the saver's threads are held, and more posted while it goes on.
void StormTheSaver(const Saver &saver, HWND window) {
    const UINT messages[] = {WM_KEYDOWN, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                             WM_SYSKEYDOWN, WM_MBUTTONDOWN, WM_CLOSE};
    auto post = [&](int i) {
        return window && PostMessageA(window, messages[i % 7], 'Q', MAKELPARAM(i % 640, i % 480));
    };
    // Posted messages are fetched before input.
    std::vector<HANDLE> held = HoldThreads(saver.id);
    CHECK(!held.empty(), "cannot hold the saver's threads");
    int posted = 0;
    while (posted < 2000 && post(posted)) ++posted;
    CHECK(posted == 2000, "only %d messages could be posted to the saver", posted);

    const WORD keys[] = {'Q', 'W', VK_SPACE, VK_LEFT, VK_RETURN, VK_SHIFT, 'Z'};
    const DWORD buttons[][2] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
                                {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
                                {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP}};
    std::vector<INPUT> storm;
    for (int i = 0; i < 300; ++i) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = keys[i % 7];
        storm.push_back(in);
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        storm.push_back(in);
        INPUT move = {};
        move.type = INPUT_MOUSE;
        move.mi.dx = (i & 1) ? 9 : -9;
        move.mi.dy = (i & 2) ? 5 : -5;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
        storm.push_back(move);
        if (i % 3 == 0) {
            INPUT click = {};
            click.type = INPUT_MOUSE;
            click.mi.dwFlags = buttons[i % 9 / 3][0];
            storm.push_back(click);
            click.mi.dwFlags = buttons[i % 9 / 3][1];
            storm.push_back(click);
        }
    }
    UINT sent = SendInput((UINT)storm.size(), storm.data(), sizeof storm[0]);
    CHECK(sent == storm.size(), "only %u of %zu input events went out", sent, storm.size());
    ReleaseThreads(held);
    int more = 0;
    while (more < 3000 && IsWindow(window) && post(more)) ++more;
    Note("%d messages posted, %zu input events sent, %d more posted while it went on", posted,
         storm.size(), more);
}

// The storm ends the saver once, with 0.
void CaseInputStorm() {
    UnmanagedSaverWindows quickClose;
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    StormTheSaver(saver, FindWindowA(kSaverClass, "Screen Saver"));
    ExpectExit(saver, 10000, 0, "the input storm");
    Stop(saver);
    ExpectNothingLeft("the input storm");
    Pump(300);  // the rest of the storm lands on our own window
}
const CaseRegistration kHostileInputStormCase("hostile-input-storm", CaseInputStorm);

// On the 95/98 family with a password: a storm whose password is refused
// leaves the saver running and animating; one whose password is accepted ends
// it with 0 after a single question (the window is gone before the next).
void CaseInputStormWin98() {
    UnmanagedSaverWindows quickClose;
    BecomeWin98();
    SetDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    DeleteFileA(InRunDir("password-calls.txt").c_str());
    DeleteFileA(InRunDir("password-events.txt").c_str());
    SetPasswordAnswer(0);
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    HWND window = FindWindowA(kSaverClass, "Screen Saver");
    StormTheSaver(saver, window);
    CHECK(AwaitVerifierAnswers(15000), "the storm's closes asked no password, or it went unanswered");
    CHECK(StillRunning(saver) && IsWindow(window), "a storm with a refused password ended the saver");
    int refused = VerifierCalls();
    MoveCursorTo(ScreenWidth() / 2, ScreenHeight() / 2);
    ExpectBallMoves(30);
    SetPasswordAnswer(1);
    StormTheSaver(saver, window);
    ExpectExit(saver, 10000, 0, "a storm with an accepted password");
    Stop(saver);
    Note("the password was asked %d times in the refused storm", refused);
    CHECK(VerifierCalls() == refused + 1, "the accepted storm asked %d times, wanted once",
          VerifierCalls() - refused);
    ExpectNothingLeft("a storm with an accepted password");
    Pump(300);
}
const CaseRegistration kHostileInputStormWin98Case("hostile-input-storm-win98", CaseInputStormWin98);

// Thousands of timer messages posted to the saver window, with any
// identifier: it keeps running, draws correctly afterwards, and still ends
// with 0 on a key. Then the same flood with a close inside it.
void CaseTimerFlood() {
    const int kFlood = 4000;
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    HWND window = FindWindowA(kSaverClass, "Screen Saver");
    int posted = 0;
    DWORD start = GetTickCount();
    std::vector<HANDLE> held = HoldThreads(saver.id);  // the whole flood queued at once
    for (int i = 0; i < kFlood && window; ++i)
        posted += PostMessageA(window, WM_TIMER, (i % 3 == 0) ? 1 : (WPARAM)i * 7919u, 0) != 0;
    ReleaseThreads(held);
    CHECK(posted == kFlood, "only %d of %d timer messages could be posted", posted, kFlood);
    // Each queued tick draws a frame: the screen must stay exact outside the
    // ball and the ball keep moving. The key below is input, which is fetched
    // only after every posted message, so it also waits for the flood's end.
    Pump(300);
    CHECK(StillRunning(saver), "the saver died in a flood of %d timer messages", posted);
    Comparison c;
    Shot shot;
    if (!WaitForDimmed(0, 0, ScreenWidth(), ScreenHeight(), 30, kBall, &c, &shot, 15000))
        ReportDimmed(c, 30);
    ExpectBallMoves(30);
    Note("flood of %d drawn through within %lu ms", posted, GetTickCount() - start);
    PressKeys(1);
    ExpectExit(saver, 10000, 0, "a key press after the flood");
    Stop(saver);
    ExpectNothingLeft("a key press after the flood");

    // A close in the middle: ticks queued behind it meet a window (and an
    // engine) that is gone.
    WaitForPicture(3000);
    saver = StartOverPicture(30, nullptr, kBall, nullptr);
    window = FindWindowA(kSaverClass, "Screen Saver");
    held = HoldThreads(saver.id);
    posted = 0;
    for (int i = 0; i < kFlood && window; ++i) {
        if (i == kFlood / 2) posted += PostMessageA(window, WM_CLOSE, 0, 0) != 0;
        posted += PostMessageA(window, WM_TIMER, 1, 0) != 0;
    }
    ReleaseThreads(held);
    CHECK(posted == kFlood + 1, "only %d of %d messages could be posted around the close", posted,
          kFlood + 1);
    ExpectExit(saver, 15000, 0, "a close inside a timer flood");
    Stop(saver);
    ExpectNothingLeft("a close inside a timer flood");
}
const CaseRegistration kHostileTimerFloodCase("hostile-timer-flood", CaseTimerFlood);

}  // namespace
