// startup.cpp -- process entry and the command-line dispatch.
//
// The runtime's own start-up (WinMain's) runs first, so the heap and file
// access the engine uses are ready; SaverStartup then takes the command line
// from the system itself, as the saver's entry has always done.
#include <windows.h>

#include "command_line.h"
#include "config_dialog.h"
#include "host.h"
#include "host_state.h"

namespace {

const char *NextAnsiChar(const char *text) { return CharNextA(text); }

int IsWin9xFamily(void) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;  // 148
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// An owner for the dialog or the password change: the named window when it is
// one, else the foreground window.
HWND OwnerOrForeground(uint32_t handle) {
    HWND owner = WindowFromHandleValue(handle);
    if (!owner || !IsWindow(owner)) owner = GetForegroundWindow();
    return owner;
}

int RunCommand(void *context) {
    SaverCommand command = ParseSaverCommand((const char *)context);
    switch (command.kind) {
    case kSwitchConfigure:
        return RunConfigDialog(nullptr, gHost.isWin9xFamily);
    case kSwitchConfigureOwned:
        return RunConfigDialog(OwnerOrForeground(command.handle), gHost.isWin9xFamily);
    case kSwitchChangePassword:
        if (!gHost.isWin9xFamily) return -1;
        ChangeSaverPassword(OwnerOrForeground(command.handle));
        return 0;
    case kSwitchPreview:
        return RunPreview(command.argument);
    case kSwitchSaver:
        return RunSaverWindow(nullptr);
    case kSwitchUnknown:
        break;
    }
    return -1;
}

}  // namespace

HWND WindowFromHandleValue(uint32_t value) { return (HWND)(intptr_t)(int32_t)value; }

int RunPreview(const char *text) {
    HWND parent = WindowFromHandleValue(ParseWindowHandle(text));
    if (!parent || !IsWindow(parent)) return -1;
    return RunSaverWindow(parent);
}

int SaverMain(HINSTANCE module, const char *commandText) {
    gHost.hInstance = module;
    gHost.isWin9xFamily = IsWin9xFamily();
    return RunUnderFaultGuard(RunCommand, (void *)commandText);
}

extern "C" void SaverStartup(void) {
    const char *text = SkipProgramName(GetCommandLineA(), NextAnsiChar);
    ExitProcess((UINT)SaverMain(GetModuleHandleA(nullptr), text));
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SaverStartup();
    return 0;  // not reached: SaverStartup ends the process
}
