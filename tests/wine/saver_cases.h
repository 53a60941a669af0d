// saver_cases.h -- what the saver driver's case files share: the helpers
// that more than one theme uses (screen_cases.cpp: darkening, ball, ends;
// preview_cases.cpp: inside another window; container_cases.cpp:
// "Scrsvr.lib"; password_cases.cpp: the 95/98 family; hostile_cases.cpp:
// storms, floods, odd sizes; startup_cases.cpp: switches, resources, guards).
#ifndef ORB_TESTS_WINE_SAVER_CASES_H
#define ORB_TESTS_WINE_SAVER_CASES_H

#include "harness.h"

// The child half of the fault-guard case: faults under the saver's guard.
int RunFaultChild();
// A child that reports, as its exit code, whether the system holds that a
// screen saver runs (0 or 1; 2 when it will not say). A fresh process reads
// what the system holds now, not what this one read before.
int RunRunningStateChild();

// ---------------------------------------------------------------- containers

// A container whose every frame lights the whole w x h sprite evenly by
// `level`: the sprite shows on screen as an exact rectangle of known colours.
std::vector<uint8_t> SolidContainer(int w, int h, int mode, int frames, int level);
// The container built into orb.scr, read from its resources as data.
std::vector<uint8_t> BuiltinContainer();
// An empty folder for the saver to start in, with no "Scrsvr.lib" yet.
std::string ContainerFolder();

// ---------------------------------------------------------------- 95/98 family

void BecomeWin98();  // Wine reports the 95/98 family to orb.scr
// What the stand-in PASSWORD.CPL answers, how long its modal loop runs
// before it does, and "refuse-window" to have the saver window refused.
void SetPasswordAnswer(int answer, DWORD holdMs = 50, const char *extra = "");
int VerifierCalls();  // how often the stand-in was asked
// Waits until the stand-in has been asked and has answered every question,
// with no new one for a moment; false if that does not come in time.
bool AwaitVerifierAnswers(DWORD timeoutMs);

// Without a window manager (the suite's Xvfb has none), Wine waits 2 s for
// one to withdraw each managed top-level window it hides, so every close of
// the full-screen window would cost 2 s. Left unmanaged, orb.scr's window
// closes at once; the setting is for orb.scr only and only for the case.
struct UnmanagedSaverWindows {
    const char *key = "Software\\Wine\\AppDefaults\\orb.scr\\X11 Driver";
    UnmanagedSaverWindows() { SetString(key, "Managed", "N"); }
    ~UnmanagedSaverWindows() { DeleteValue(key, "Managed"); }
};

#endif
