// password_cases.cpp -- the 95/98 family: a password asked through the
// stand-in PASSWORD.CPL before a close, and the password change through the
// stand-in MPR.DLL. (That one is only loaded when the suite runs the case
// with WINEDLLOVERRIDES=mpr=n, since Wine prefers its own.)
#include "picture.h"
#include "saver_cases.h"

void BecomeWin98() { SetString(kAppDefaultsKey, "Version", "win98"); }

void SetPasswordAnswer(int answer, DWORD holdMs, const char *extra) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "%d %lu %s", answer ? 1 : 0, holdMs, extra);
    WriteFileBytes(InRunDir("password-answer.txt"), text, (size_t)n);
}

int VerifierCalls() { return CountLines(ReadText(InRunDir("password-calls.txt"))); }

namespace {

int VerifierAsks() {
    std::string events = ReadText(InRunDir("password-events.txt"));
    int asks = 0;
    for (size_t at = events.find("asked"); at != std::string::npos; at = events.find("asked", at + 1))
        ++asks;
    return asks;
}

}  // namespace

// A storm queues thousands of messages, and the stand-in's modal loop
// dispatches them all before it answers, which takes a second or two under
// Wine; a fixed pause read the log while the first answer was still due.
bool AwaitVerifierAnswers(DWORD timeoutMs) {
    const DWORD quiet = 500;  // longer than the pause after a verification
    DWORD start = GetTickCount(), settled = start;
    int seen = -1;
    while (GetTickCount() - start < timeoutMs) {
        int asks = VerifierAsks(), answers = VerifierCalls();
        bool answered = asks >= 1 && answers == asks;
        if (!answered || answers != seen) settled = GetTickCount();
        seen = answered ? answers : -1;
        if (answered && GetTickCount() - settled >= quiet) return true;
        Pump(20);
    }
    return false;
}

int RunRunningStateChild() {
    UINT running = 2;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return (int)running;
}

namespace {

// What the system holds now: read by a fresh child, since a process keeps
// the value it read first.
int SystemSaverRunning() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    Saver child = StartSaver(self, "running-state - -", nullptr);
    DWORD code = 3;
    if (!WaitExit(child, 10000, &code)) Fail("the running-state child did not end");
    Stop(child);
    return (int)code;
}

std::string PasswordEvents() { return ReadText(InRunDir("password-events.txt")); }

void CaseWin98NoPassword() {
    BecomeWin98();
    DeleteFileA(InRunDir("password-calls.txt").c_str());
    SetPasswordAnswer(0);
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press without a password");
    CHECK(VerifierCalls() == 0, "the verifier was asked although no password is in use");
    Stop(saver);
}
const CaseRegistration kWin98NoPasswordCase("win98-no-password", CaseWin98NoPassword);

void CaseWin98Password() {
    BecomeWin98();
    SetDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    DeleteFileA(InRunDir("password-calls.txt").c_str());
    SetPasswordAnswer(0);
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    // Two presses at once: the second lands within 200 ms of the refusal
    // (the stand-in takes 50 ms to answer) and must ask nothing.
    PressKeys(2);
    Pump(700);
    CHECK(StillRunning(saver), "a refused password ended the saver");
    CHECK(VerifierCalls() == 1, "the verifier was asked %d times for two quick keys, wanted 1",
          VerifierCalls());
    ExpectBallMoves(30);
    SetPasswordAnswer(1);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "an accepted password");
    CHECK(VerifierCalls() == 2, "the verifier was asked %d times in all, wanted 2", VerifierCalls());
    Stop(saver);
}
const CaseRegistration kWin98PasswordCase("win98-password", CaseWin98Password);

void CaseChangePassword(int win98) {
    if (win98) BecomeWin98();
    DeleteFileA(InRunDir("mpr-calls.txt").c_str());
    ShowPicture(200, 200, 200, 100, 1);
    Saver saver = StartSaver(gHarness.scr, "/a " + HandleText(gPicture.window), nullptr);
    ExpectExit(saver, 10000, win98 ? 0 : 0xFFFFFFFFu, "the password change");
    Stop(saver);
    std::string log = ReadText(InRunDir("mpr-calls.txt"));
    if (win98) {
        char wanted[128];
        std::snprintf(wanted, sizeof wanted, "provider=SCRSAVE owner=%lu\n",
                      (unsigned long)(uintptr_t)gPicture.window);
        CHECK(log == wanted, "MPR's password change saw \"%s\", wanted \"%s\"", log.c_str(), wanted);
    } else {
        CHECK(log.empty(), "the password change ran outside the 95/98 family: \"%s\"", log.c_str());
    }
}
const CaseRegistration kWin98ChangePasswordCase("win98-change-password", [] { CaseChangePassword(1); });
const CaseRegistration kChangePasswordRefusedCase("change-password-refused", [] { CaseChangePassword(0); });

// A refused window creation still clears the running state it set.
void ExpectRefusedCreationClears() {
    SetPasswordAnswer(0, 50, "refuse-window");
    Saver refused = StartSaver(gHarness.scr, "/s", nullptr);
    ExpectExit(refused, 10000, 0xFFFFFFFFu, "a refused window creation");
    Stop(refused);
    std::string events = PasswordEvents();
    CHECK(events == "creation refused running=1\n",
          "the refused creation did not come with the running state set: \"%s\"", events.c_str());
    CHECK(SystemSaverRunning() == 0, "after a refused creation the system still holds that a saver "
          "runs (%d)", SystemSaverRunning());
    DeleteFileA(InRunDir("password-events.txt").c_str());
}

// While the password dialog is up, everything that would close the saver
// is dispatched inside the call that asks: a posted close, a large mouse
// move, keys and a click. None may close or ask again, and the ball keeps
// moving.
void StirUnderTheDialog(const Saver &saver) {
    DWORD start = GetTickCount();
    while (PasswordEvents().empty() && GetTickCount() - start < 3000) Pump(20);
    CHECK(PasswordEvents() == "asked depth=1 running=1\n", "the first key did not ask: \"%s\"",
          PasswordEvents().c_str());
    PostMessageA(FindWindowA(kSaverClass, "Screen Saver"), WM_CLOSE, 0, 0);
    Pump(100);
    MouseMoveBy(40, 30);
    Pump(100);
    PressKeys(2);
    Click();
    ExpectBallMoves(30);
    CHECK(StillRunning(saver) && VerifierCalls() == 0,
          "input under the password dialog ended it (running %d, %d answers)", StillRunning(saver),
          VerifierCalls());
}

// On the 95/98 family with a password, the stand-in's dialog stays up for
// 2.5 s. The screen-saver-running state is checked around it all: set while
// the saver runs, cleared when it ends, and cleared after a refused window
// creation too.
void CasePasswordDialog() {
    BecomeWin98();
    SetDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    DeleteFileA(InRunDir("password-calls.txt").c_str());
    DeleteFileA(InRunDir("password-events.txt").c_str());
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &previous, 0);
    CHECK(SystemSaverRunning() == 0, "cannot clear the running state to start from");
    ExpectRefusedCreationClears();

    SetPasswordAnswer(0, 2500);
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    CHECK(SystemSaverRunning() == 1, "the system was not told that the saver runs");
    PressKeys(1);
    StirUnderTheDialog(saver);
    DWORD start = GetTickCount();
    while (VerifierCalls() < 1 && GetTickCount() - start < 5000) Pump(20);
    Pump(400);  // past the pause after a verification
    CHECK(StillRunning(saver), "a refused password ended the saver");
    CHECK(VerifierCalls() == 1 && CountLines(PasswordEvents()) == 1,
          "the dialog was asked for %d times (%d answers), wanted once",
          CountLines(PasswordEvents()), VerifierCalls());
    // The cursor now stands 70 pixels from where it was noted before the
    // dialog: noted again at the refusal, 3 more do not close, 5 do.
    MouseMoveBy(3, 0);
    Pump(500);
    CHECK(StillRunning(saver) && CountLines(PasswordEvents()) == 1,
          "a 3-pixel move after the refusal closed the saver or asked again");
    SetPasswordAnswer(1, 300);
    MouseMoveBy(2, 0);
    ExpectExit(saver, 5000, 0, "an accepted password after a 5-pixel move");
    Stop(saver);
    CHECK(VerifierCalls() == 2, "the verifier was asked %d times in all, wanted 2", VerifierCalls());
    CHECK(SystemSaverRunning() == 0, "the system was not told that the saver ended");
}
const CaseRegistration kWin98PasswordDialogCase("win98-password-dialog", CasePasswordDialog);

}  // namespace
