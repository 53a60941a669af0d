// config_dialog.h -- the Windows configuration dialog (DIALOG 2003): one
// slider for DimPercent, stored on OK, never on cancel.
//
//   PrepareDialogControls(instance)   registers the trackbar class; 1
//   RunConfigDialog(owner, win9x)     runs the dialog modally (through the
//                                     ANSI call on the 95/98 family); its
//                                     result (1 after OK or cancel)
//   ScreenSaverConfigureDialog(...)   the dialog procedure, exported by name
#ifndef ORB_SETTINGS_CONFIG_DIALOG_H
#define ORB_SETTINGS_CONFIG_DIALOG_H

#include <windows.h>

enum {
    kConfigDialogId = 2003,
    kConfigOkId = 1000,
    kConfigSliderId = 1001,
};

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam,
                                                  LPARAM lParam);
int PrepareDialogControls(HINSTANCE instance);
int RunConfigDialog(HWND owner, int win9xFamily);

#endif
