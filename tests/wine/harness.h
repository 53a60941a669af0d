// harness.h -- what the Windows-side test drivers share. They run as Windows
// programs (under Wine in the suite; unchanged on Windows) and only do what a
// user or the system would: start orb.scr with a command line, pump their own
// windows, press keys and move the mouse, read the screen, the registry and
// exit codes.
//
//   Fail(...) / CHECK(cond, ...)  one line per failed check; Note(...) a fact
//   HarnessMain(...)             runs the case named on the command line
//   Pump(ms)                     dispatches our own windows' messages
//   StartSaver / WaitExit / ExpectExit / Stop   a process and its end
//   SetDword / SetString / DeleteValue / ReadValue   HKEY_CURRENT_USER
//   ReadScreen / SaveShot        the screen as 0x00RRGGBB pixels
//   PressKeys / Click / MouseMoveBy              input through the system
#ifndef ORB_TESTS_WINE_HARNESS_H
#define ORB_TESTS_WINE_HARNESS_H

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// ---------------------------------------------------------------- reporting

struct HarnessState {
    std::string caseName, scr, runDir;  // the case, orb.scr, the folder it runs in
    int failures;
};
extern HarnessState gHarness;

void Fail(const char *format, ...);
void Note(const char *format, ...);

#define CHECK(cond, ...)                \
    do {                                \
        if (!(cond)) Fail(__VA_ARGS__); \
    } while (0)

struct Case {
    const char *name;
    void (*run)();
};

// Each case file registers its cases where it defines them, at namespace
// scope; a driver knows the cases of the files linked into it.
struct CaseRegistration {
    CaseRegistration(const char *name, void (*run)());
};

// `program <case> <orb.scr> <run folder>`: runs the registered case of that
// name between two calls of `reset` and prints "passed <case>" or "FAILED
// <case>". Returns the exit code: 0 passed, 1 failed, 2 bad usage or an
// unknown case.
int HarnessMain(int argc, char **argv, void (*reset)());

// ---------------------------------------------------------------- waiting

// Our own windows must answer what the saver sends them (a dialog's owner
// gets WM_ENABLE, a preview parent its child's notifications), so every wait
// pumps.
void Pump(DWORD ms);

// ---------------------------------------------------------------- processes

struct Saver {
    HANDLE process;  // null when it could not be started
    DWORD id, threadId;
};

// Starts `program` with `arguments` in `folder` (the run folder when null).
Saver StartSaver(const std::string &program, const std::string &arguments, const char *folder);
// 1 with the exit code when the process ended within the time.
int WaitExit(const Saver &saver, DWORD timeoutMs, DWORD *code);
int StillRunning(const Saver &saver);
// Fails unless it ends within the time with `wanted`; a hung one is killed.
void ExpectExit(const Saver &saver, DWORD timeoutMs, DWORD wanted, const char *what);
// Kills it if it still runs and lets go of its handle.
void Stop(Saver &saver);

extern const char kSaverClass[];  // the saver window's class
HWND WaitForWindow(const char *className, const char *name, HWND parent, DWORD timeoutMs);
// The first top-level window of that process with that class (with
// `visibleOnly`, the first one that shows); null when there is none.
HWND FindProcessWindow(DWORD processId, const char *className, bool visibleOnly);
int CountSaverProcesses();
// No orb.scr process and no saver window may outlive a case.
void ExpectNothingLeft(const char *after);
int RunningUnderWine();
std::string HandleText(HWND window);  // as a command line names a window

// ---------------------------------------------------------------- files

std::string InRunDir(const char *name);
void WriteFileBytes(const std::string &path, const void *data, size_t size);
std::string ReadText(const std::string &path);
int CountLines(const std::string &text);

// ---------------------------------------------------------------- registry

extern const char kVendorKey[];       // the saver's vendor key
extern const char kSettingsKey[];     // below it, the settings
extern const char kSettingsValue[];   // the saver's one value
extern const char kDesktopKey[];      // the system's desktop settings
extern const char kAppDefaultsKey[];  // Wine's settings for orb.scr alone

struct StoredValue {
    bool present;
    DWORD type;
    std::vector<BYTE> bytes;
};

// Each returns 1 when the registry took it.
int SetValue(const char *path, const char *name, DWORD type, const void *data, DWORD size);
int SetDword(const char *path, const char *name, DWORD value);
int SetString(const char *path, const char *name, const char *value);
void DeleteValue(const char *path, const char *name);
StoredValue ReadValue(const char *path, const char *name);
int KeyExists(const char *path);
void DeleteKeyTree(const char *path);

// ---------------------------------------------------------------- the screen

struct Shot {
    int x, y, width, height;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    uint32_t At(int sx, int sy) const {
        return pixels[(size_t)(sy - y) * width + (sx - x)] & 0xFFFFFF;
    }
};

int ScreenWidth();
int ScreenHeight();
int ReadScreen(int x, int y, int width, int height, Shot *shot);
// Keeps the shot as <run folder>\<case><suffix>.bmp.
void SaveShot(const Shot &shot, const char *suffix);

// ---------------------------------------------------------------- input

void MoveCursorTo(int x, int y);
void MouseMoveBy(int dx, int dy);
void Click();
void PressKeys(int count);

#endif
