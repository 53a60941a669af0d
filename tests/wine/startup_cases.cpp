// startup_cases.cpp -- what orb.scr is and does around any screen: switches
// that run nothing, the resources the display settings rely on, the fault
// guard around every mode and the message loop's ends.
#include "host.h"  // RunUnderFaultGuard, kFaultExitCode, RunMessageLoop
#include "saver_cases.h"

namespace {

// Command lines that run nothing end at once with -1 and show no window.
void CaseBadSwitches() {
    const char *lines[] = {"/p", "/p 4000000001", "/p:1234", "/x", "/?", "/\t"};
    for (const char *line : lines) {
        Saver saver = StartSaver(gHarness.scr, line, nullptr);
        DWORD code = 0;
        if (!WaitExit(saver, 10000, &code))
            Fail("\"%s\" did not end", line);
        else
            CHECK(code == 0xFFFFFFFFu, "\"%s\" ended with %ld, wanted -1", line, (long)code);
        Stop(saver);
    }
}
const CaseRegistration kBadSwitchesCase("bad-switches", CaseBadSwitches);

// What the system's display settings rely on: the display name in string 1,
// the two exports by name, the animation and the manifest.
void CaseResources() {
    HMODULE data = LoadLibraryExA(gHarness.scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!data) {
        Fail("cannot open %s as data", gHarness.scr.c_str());
        return;
    }
    char name[64] = "";
    LoadStringA(data, 1, name, sizeof name);
    CHECK(std::strcmp(name, "Orb") == 0, "string 1 is \"%s\", wanted \"Orb\"", name);
    HRSRC manifest = FindResourceA(data, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    std::string text;
    if (manifest) {
        const char *bytes = (const char *)LockResource(LoadResource(data, manifest));
        if (bytes) text.assign(bytes, SizeofResource(data, manifest));
    }
    CHECK(text.find("PerMonitorV2") != std::string::npos && text.find("supportedOS") != std::string::npos,
          "no per-monitor DPI-aware manifest with supported OS entries");
    CHECK(BuiltinContainer().size() > 292, "no animation container in RCDATA 250");
    FreeLibrary(data);
    HMODULE code = LoadLibraryA(gHarness.scr.c_str());
    CHECK(code && GetProcAddress(code, "ScreenSaverProc"), "ScreenSaverProc is not exported");
    CHECK(code && GetProcAddress(code, "ScreenSaverConfigureDialog"),
          "ScreenSaverConfigureDialog is not exported");
    if (code) FreeLibrary(code);
}
const CaseRegistration kResourcesCase("resources", CaseResources);

// The saver's fault guard (host/fault_guard.cpp) is linked into the driver:
// a child copy of the driver faults under it. The system must be left to
// decide (the suite turns Wine's debugger off, as a machine without one
// would be), and then the guard clears the running state and ends the process
// with the fault exit code.
int FaultyBody(void *) {
    volatile int *nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

int QuietBody(void *) { return 7; }

void CaseFaultGuard() {
    DeleteFileA(InRunDir("running-cleared.txt").c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    Saver child = StartSaver(self, "fault-child \"" + gHarness.scr + "\" \"" + gHarness.runDir + "\"",
                             nullptr);
    ExpectExit(child, 20000, (DWORD)kFaultExitCode, "a fault under the guard");
    Stop(child);
    CHECK(ReadText(InRunDir("running-cleared.txt")) == "0",
          "the guard did not clear the running state");
}
const CaseRegistration kFaultGuardCase("fault-guard", CaseFaultGuard);

// The saver's message loop (host/message_loop.cpp) is linked into the driver
// too and runs here on a window of ours, once with the system's fetch and
// once with one that fails the way GetMessage reports a broken call.
const UINT kProbeMessage = WM_APP + 7;

struct LoopProbe {
    HWND window;
    int calls;       // fetches so far
    int dispatched;  // sum of the probe messages' wParams that reached the window
};
LoopProbe gLoop;

LRESULT CALLBACK LoopProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kProbeMessage) return DefWindowProcA(window, message, wParam, lParam);
    gLoop.dispatched += (int)wParam;
    return 0;
}

// Two probe messages carrying 42, then -1. A loop that kept going past -1
// would be handed the quit message with 0 after a hundred more calls.
BOOL WINAPI BrokenFetch(LPMSG message, HWND, UINT, UINT) {
    int call = gLoop.calls++;
    if (call >= 2 && call < 100) return -1;
    *message = MSG();
    message->hwnd = gLoop.window;
    message->message = call < 2 ? kProbeMessage : (UINT)WM_QUIT;
    message->wParam = call < 2 ? 42 : 0;
    return call < 2;
}

void CaseMessageLoop() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LoopProbeProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrbLoopProbe";
    RegisterClassA(&windowClass);
    gLoop = {CreateWindowExA(0, "OrbLoopProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA(nullptr), nullptr),
             0, 0};
    CHECK(gLoop.window, "cannot make the probe window");

    PostMessageA(gLoop.window, kProbeMessage, 42, 0);
    PostQuitMessage(5);
    int result = RunMessageLoop(GetMessageA);
    CHECK(result == 5 && gLoop.dispatched == 42,
          "the quit message with 5 ended the loop with %d after dispatching %d, wanted 5 after 42",
          result, gLoop.dispatched);

    gLoop.calls = gLoop.dispatched = 0;
    result = RunMessageLoop(BrokenFetch);
    CHECK(result == -1, "a failed fetch after messages with 42 ended the loop with %d, wanted -1",
          result);
    CHECK(gLoop.calls == 3 && gLoop.dispatched == 84,
          "a failed fetch: %d fetches and %d dispatched, wanted 3 and 84", gLoop.calls,
          gLoop.dispatched);
    DestroyWindow(gLoop.window);
}
const CaseRegistration kMessageLoopCase("message-loop", CaseMessageLoop);

}  // namespace

int RunFaultChild() {
    if (RunUnderFaultGuard(QuietBody, nullptr) != 7) return 3;
    RunUnderFaultGuard(FaultyBody, nullptr);
    return 4;  // not reached
}

// What the guard calls once it has handled a fault; the real one talks to the
// 95/98 system, this one leaves a note for the test.
void SetSaverRunning(int running) {
    WriteFileBytes(InRunDir("running-cleared.txt"), running ? "1" : "0", 1);
}
