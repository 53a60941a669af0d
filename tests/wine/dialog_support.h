// dialog_support.h -- what the dialog driver's cases share: the template as
// the dialog must carry it, the running dialog and how a user works it, and
// the stored value it reads and writes (dialog_file_cases.cpp: template,
// texts, store; dialog_cases.cpp: the running dialog).
#ifndef ORB_TESTS_WINE_DIALOG_SUPPORT_H
#define ORB_TESTS_WINE_DIALOG_SUPPORT_H

#include "harness.h"

const wchar_t kCaption[] = L"ORB 05-1999 Screen saver";
const int kDialogId = 2003;
const int kOkId = 1000;
const int kSliderId = 1001;
const DWORD kDialogWaitMs = 30000;
const DWORD kExitWaitMs = 15000;

// The template's controls: position, size, style, id and text, in tab order.
struct ExpectedControl {
    int id;
    const wchar_t *className;  // for the predefined classes, the ordinal's name
    WORD classOrdinal;         // 0 when the class is given by name
    const wchar_t *text;
    short x, y, cx, cy;
    DWORD style;
};
extern const ExpectedControl kControls[];
extern const int kControlCount;

// Wide text for a report, with anything beyond ASCII as <U+XXXX>.
std::string Narrow(const std::wstring &text);

// ---------------------------------------------------------------- the dialog

struct DialogRun {
    Saver saver;
    HWND dialog;
};

// Starts orb.scr with `arguments` and waits until it shows its dialog; on
// failure nothing of it is left running.
bool OpenDialog(const std::string &arguments, DialogRun *run);
// The saver must end with `expected`, then lets go of it.
void ExpectDialogExit(DialogRun *run, DWORD expected);
// The control that has the keyboard focus inside the dialog.
HWND FocusOf(const DialogRun &run);
// A key posted into the dialog's own message loop, which decides, as for a
// typed key, whether the control or the dialog manager acts on it.
void PressKey(HWND target, UINT virtualKey);
void ClickAt(HWND window);  // a real click at its centre, through the input queue
void ExpectSlider(const DialogRun &run, LRESULT expected);

// ---------------------------------------------------------------- the stored value

// Replaces the whole settings key with one value of that type and bytes.
void WriteSettingsValue(DWORD type, const void *data, DWORD size);
void WriteRecord(int32_t first, int32_t second, int32_t third);
StoredValue ReadSettingsValue();
// The stored value must be exactly the 12-byte REG_BINARY record
// (first, second, third); the dialog always stores (position, 0, 0).
void ExpectRecord(int32_t first, int32_t second = 0, int32_t third = 0);
void ExpectValueUnchanged(DWORD type, const void *data, DWORD size);

#endif
