// config_dialog_win32.cpp -- the configuration dialog (template DIALOG 2003 in
// resources/config_dialog.rc): a slider whose position is DimPercent. OK
// stores it; Esc and the close box leave the stored value alone. Both ways
// out end with 1, so the caller cannot tell them apart.
#include "config_dialog.h"

#include <commctrl.h>

#include "settings.h"

// The module this code lives in holds the template too, whether it runs as
// the saver executable or is loaded by something else.
extern "C" IMAGE_DOS_HEADER __ImageBase;

enum {
    kDialogDone = 1,  // the result of OK and of cancel alike
};

int PrepareDialogControls(HINSTANCE) {
    // The template names the trackbar class, which exists only once the
    // common controls are initialised; without it the dialog fails to build.
    InitCommonControls();
    return 1;
}

static void ShowStoredValue(HWND dialog) {
    // A stored number outside the range is left to the slider, which
    // settles it at the nearer end; OK then stores that end.
    SendDlgItemMessageA(dialog, kConfigSliderId, TBM_SETRANGE, TRUE,
                        MAKELPARAM(kMinDimPercent, kMaxDimPercent));
    SendDlgItemMessageA(dialog, kConfigSliderId, TBM_SETPOS, TRUE, LoadDimPercent());
}

static void StoreSliderValue(HWND dialog) {
    const LRESULT position = SendDlgItemMessageA(dialog, kConfigSliderId, TBM_GETPOS, 0, 0);
    StoreSettings(ORB_SETTINGS_VALUE_NAME, static_cast<int32_t>(position), 0, 0);
}

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam,
                                                  LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        ShowStoredValue(dialog);
        return TRUE;  // focus goes to the first tab stop, OK
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kConfigOkId:
            // Stored even when unchanged, so OK always leaves a full record.
            StoreSliderValue(dialog);
            EndDialog(dialog, kDialogDone);
            return TRUE;
        case IDCANCEL:  // Esc and the close box
            EndDialog(dialog, kDialogDone);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        // Moving the slider changes nothing until OK.
        return FALSE;
    }
}

// The exported procedure keeps the BOOL the system declares for it; the
// dialog manager reads a pointer-sized result, so widen it here rather than
// cast the function's type.
static INT_PTR CALLBACK ConfigDialogThunk(HWND dialog, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
}

// The wide call where the system has it: the ANSI one may hand the
// template's texts to the controls through the system's ANSI code page, and
// on a machine whose code page is not 1250 "ě", "ř" and "č" come out without
// their háček (seen under Wine with cp1252). The 95/98 family has only a stub
// of the wide call, so there the ANSI one is the only one that opens. The
// procedure handles no text, so it does not care which way the dialog was made.
static INT_PTR ShowDialog(HINSTANCE instance, HWND owner, int win9xFamily) {
    if (win9xFamily)
        return DialogBoxParamA(instance, MAKEINTRESOURCEA(kConfigDialogId), owner,
                               ConfigDialogThunk, 0);
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(kConfigDialogId), owner, ConfigDialogThunk,
                           0);
}

int RunConfigDialog(HWND owner, int win9xFamily) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    if (!PrepareDialogControls(instance)) {
        return 0;
    }
    return static_cast<int>(ShowDialog(instance, owner, win9xFamily));
}
