// host.h -- the saver host: start-up, the saver window, its message
// procedures and the password services of the 95/98 family.
//
//   SaverStartup()              process entry: reads the command line, runs
//                               SaverMain, ends the process with its result
//   SaverMain(module, text)     runs the one mode the switch asks for: 0, -1
//                               or the dialog's result
//   RunPreview(text)            the preview in the window named by text; -1
//                               when there is none
//   RunSaverWindow(parent)      creates the saver window (full screen when
//                               parent is null) and runs the message loop; 0,
//                               or -1 when nothing ran or the loop broke
//   RunMessageLoop(fetch)       dispatches what fetch (GetMessageA) brings
//                               until the quit message (its wParam) or a
//                               failed fetch (-1)
//   SaverWindowProc             the window class's procedure
//   SaverDefaultProc            close rules and default handling, below the engine
//   SetSaverRunning(0/1)        tells the 95/98 system whether a saver runs
//   Load/UnloadPasswordVerifier PASSWORD.CPL around the full-screen window
//   VerifyBeforeClose(window)   non-zero when a close may proceed
//   ChangeSaverPassword(owner)  MPR.DLL's password change
#ifndef ORB_HOST_HOST_H
#define ORB_HOST_HOST_H

#include <windows.h>

#include <cstdint>

// The exit code after the fault guard has handled a fault: neither 0 (done),
// nor -1 (nothing ran), nor a dialog result.
enum { kFaultExitCode = -2 };

extern "C" void SaverStartup(void);
int SaverMain(HINSTANCE module, const char *commandText);
// A handle value from the command line as a window handle (sign-extended, as
// the system widens 32-bit handles).
HWND WindowFromHandleValue(uint32_t value);
int RunPreview(const char *text);

int RunSaverWindow(HWND parent);
typedef BOOL(WINAPI *FetchMessageFn)(LPMSG message, HWND window, UINT first, UINT last);
int RunMessageLoop(FetchMessageFn fetch);
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam);

void SetSaverRunning(int running);
void LoadPasswordVerifier(void);
void UnloadPasswordVerifier(void);
int VerifyBeforeClose(HWND window);
void ChangeSaverPassword(HWND owner);

// Runs body(context) with the fault guard around it. Returns body's result,
// or kFaultExitCode when a fault nobody else handled ended it.
int RunUnderFaultGuard(int (*body)(void *context), void *context);

#endif
