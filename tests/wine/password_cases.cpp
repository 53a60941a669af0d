// password_cases.cpp -- the 95/98 family: a password asked through the
// stand-in PASSWORD.CPL before a close, and the password change through the
// stand-in MPR.DLL. (That one is only loaded when the suite runs the case
// with WINEDLLOVERRIDES=mpr=n, since Wine prefers its own.)
#include "picture.h"
#include "saver_cases.h"

void BecomeWin98() { SetString(kAppDefaultsKey, "Version", "win98"); }

void SetPasswordAnswer(int answer) {
    WriteFileBytes(InRunDir("password-answer.txt"), answer ? "1" : "0", 1);
}

int VerifierCalls() { return CountLines(ReadText(InRunDir("password-calls.txt"))); }

namespace {

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

}  // namespace

std::vector<Case> PasswordCases() {
    return {
        {"win98-no-password", CaseWin98NoPassword},
        {"win98-password", CaseWin98Password},
        {"win98-change-password", [] { CaseChangePassword(1); }},
        {"change-password-refused", [] { CaseChangePassword(0); }},
    };
}
