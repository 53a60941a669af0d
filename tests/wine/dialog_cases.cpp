// dialog_cases.cpp -- orb.scr's configuration dialog driven from outside,
// as a user and the display settings would: it starts the saver with /c (or
// nothing), finds the dialog, reads the slider, presses keys, clicks OK and
// then looks at the registry and the exit code.
#include "dialog_support.h"

#include <commctrl.h>

#include <cwchar>

namespace {

// ---------------------------------------------------------------- owners

// A plain white window of the test's own, shown at once; one class serves
// every such window of the run.
HWND ShowWhiteWindow(const wchar_t *title, DWORD style, int x, int y, int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass;
        std::memset(&windowClass, 0, sizeof windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = L"OrbDialogTestWindow";
        RegisterClassW(&windowClass);
        registered = true;
    }
    return CreateWindowExW(0, L"OrbDialogTestWindow", title, style | WS_VISIBLE, x, y, width,
                           height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

HWND CreateOwner(const wchar_t *title, int x) {
    HWND window = ShowWhiteWindow(title, WS_OVERLAPPEDWINDOW, x, 20, 200, 120);
    Pump(200);
    return window;
}

void MakeForeground(HWND window) {
    SetForegroundWindow(window);
    Pump(200);
    if (GetForegroundWindow() != window) Fail("cannot make the test's own window the foreground");
}

// Opens the dialog with the arguments and checks whose it is: the owner must
// be `expected` (null for none) and, while the dialog runs, disabled.
void ExpectOwner(const std::string &arguments, HWND expected) {
    DialogRun run;
    if (!OpenDialog(arguments, &run)) return;
    HWND owner = GetWindow(run.dialog, GW_OWNER);
    if (owner != expected) {
        Fail("with %s the dialog's owner is %p, expected %p", arguments.c_str(),
             static_cast<void *>(owner), static_cast<void *>(expected));
    }
    if (expected && IsWindowEnabled(expected)) Fail("the owner stays enabled under the modal dialog");
    PressKey(FocusOf(run), VK_ESCAPE);
    ExpectDialogExit(&run, 1);
    if (expected && !IsWindowEnabled(expected)) Fail("the owner is still disabled after the dialog");
}

// No stored value: the slider starts at 30, the controls carry their texts,
// Esc ends with 1 and leaves no key behind.
void CaseNoKeyEscape() {
    DeleteKeyTree(kVendorKey);
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    ExpectSlider(run, 30);
    HWND slider = GetDlgItem(run.dialog, kSliderId);
    CHECK(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0) == 0, "slider minimum is not 0");
    CHECK(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0) == 100, "slider maximum is not 100");
    wchar_t caption[64];
    GetWindowTextW(run.dialog, caption, 64);
    if (std::wcscmp(caption, kCaption) != 0) Fail("caption \"%s\"", Narrow(caption).c_str());
    // The live controls, in tab order, with the template's texts intact.
    int i = 0;
    for (HWND child = GetWindow(run.dialog, GW_CHILD); child && i < kControlCount;
         child = GetWindow(child, GW_HWNDNEXT), i++) {
        wchar_t text[256];
        GetWindowTextW(child, text, 256);
        if (std::wcscmp(text, kControls[i].text) != 0) {
            Fail("control %d shows \"%s\", expected \"%s\"", i + 1, Narrow(text).c_str(),
                 Narrow(kControls[i].text).c_str());
        }
        if (GetDlgCtrlID(child) != kControls[i].id && kControls[i].id != -1) {
            Fail("control %d has id %d", i + 1, GetDlgCtrlID(child));
        }
    }
    CHECK(i == kControlCount, "the dialog lacks controls");
    CHECK(FocusOf(run) == GetDlgItem(run.dialog, kOkId), "OK does not have the focus");
    PressKey(FocusOf(run), VK_ESCAPE);
    ExpectDialogExit(&run, 1);
    CHECK(!KeyExists(kSettingsKey), "Esc left a settings key behind");
}
const CaseRegistration kNoKeyEscapeCase("no_key_escape", CaseNoKeyEscape);

// Opens the dialog, which must show `shown`, and clicks OK: the stored value
// becomes the full record of `stored`.
void ExpectOkStores(LRESULT shown, int32_t stored) {
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    ExpectSlider(run, shown);
    ClickAt(GetDlgItem(run.dialog, kOkId));
    ExpectDialogExit(&run, 1);
    ExpectRecord(stored);
}

// Opens the dialog, which must show `shown`, and leaves with Esc: the stored
// value stays exactly as it was.
void ExpectEscapeKeeps(LRESULT shown, DWORD type, const void *data, DWORD size) {
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    ExpectSlider(run, shown);
    PressKey(FocusOf(run), VK_ESCAPE);
    ExpectDialogExit(&run, 1);
    ExpectValueUnchanged(type, data, size);
}

// No stored value: a click on OK stores 30 as the full record.
void CaseNoKeyOk() {
    DeleteKeyTree(kVendorKey);
    ExpectOkStores(30, 30);
}
const CaseRegistration kNoKeyOkCase("no_key_ok", CaseNoKeyOk);

// The close box cancels like Esc: the stored value stays as it was.
void CaseCloseBox() {
    const int32_t record[3] = {55, 7, 9};
    WriteSettingsValue(REG_BINARY, record, sizeof record);
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    ExpectSlider(run, 55);
    PressKey(GetDlgItem(run.dialog, kSliderId), VK_RIGHT);  // moved, then abandoned
    PostMessageW(run.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectDialogExit(&run, 1);
    ExpectValueUnchanged(REG_BINARY, record, sizeof record);
}
const CaseRegistration kCloseBoxCase("close_box", CaseCloseBox);

// A 4-byte value of any type fills the start of the record.
void CaseShortValue() {
    const DWORD stored = 55;
    WriteSettingsValue(REG_DWORD, &stored, sizeof stored);
    ExpectEscapeKeeps(55, REG_DWORD, &stored, sizeof stored);
}
const CaseRegistration kShortValueCase("short_value", CaseShortValue);

// A number beyond the range opens at the nearer end, and OK stores that end.
void CaseOutOfRange() {
    WriteRecord(250, 0, 0);
    ExpectOkStores(100, 100);
}
const CaseRegistration kOutOfRangeCase("out_of_range", CaseOutOfRange);

// A value longer than the record is not read at all: the default shows.
void CaseLongValue() {
    const int32_t stored[4] = {55, 0, 0, 0};
    WriteSettingsValue(REG_BINARY, stored, sizeof stored);
    ExpectEscapeKeeps(30, REG_BINARY, stored, sizeof stored);
}
const CaseRegistration kLongValueCase("long_value", CaseLongValue);

// The slider moved from the keyboard; Enter (OK is the default button)
// stores where it ended.
void CaseKeyboard() {
    WriteRecord(30, 0, 0);
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    HWND slider = GetDlgItem(run.dialog, kSliderId);
    PressKey(FocusOf(run), VK_TAB);  // from OK to the slider
    if (FocusOf(run) != slider) Fail("Tab does not reach the slider");
    for (int i = 0; i < 3; i++) PressKey(slider, VK_RIGHT);  // 33
    PressKey(slider, VK_NEXT);   // 53: a page is a fifth of the range
    PressKey(slider, VK_NEXT);   // 73
    PressKey(slider, VK_PRIOR);  // 53
    PressKey(slider, VK_LEFT);   // 52
    ExpectSlider(run, 52);
    CHECK(ReadSettingsValue().bytes.size() == 12 && ReadSettingsValue().bytes[0] == 30,
          "moving the slider wrote the registry before OK");
    PressKey(slider, VK_RETURN);
    ExpectDialogExit(&run, 1);
    ExpectRecord(52);
    // Home and End reach the ends of the range.
    if (!OpenDialog("/c", &run)) return;
    ExpectSlider(run, 52);
    slider = GetDlgItem(run.dialog, kSliderId);
    PressKey(slider, VK_END);
    ExpectSlider(run, 100);
    PressKey(slider, VK_HOME);
    ExpectSlider(run, 0);
    ClickAt(GetDlgItem(run.dialog, kOkId));
    ExpectDialogExit(&run, 1);
    ExpectRecord(0);
}
const CaseRegistration kKeyboardCase("keyboard", CaseKeyboard);

// /c:HWND makes that window the owner; /c with anything else, or a colon
// with no window behind it, takes the foreground window; nothing at all
// opens the dialog with no owner.
void CaseOwners() {
    WriteRecord(30, 0, 0);
    HWND foreground = CreateOwner(L"foreground", 20);
    HWND other = CreateOwner(L"named", 260);
    MakeForeground(foreground);
    ExpectOwner("/c:" + HandleText(other), other);
    MakeForeground(foreground);
    ExpectOwner("/c " + HandleText(other), foreground);
    MakeForeground(foreground);
    if (!IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(1234)))) {
        ExpectOwner("/c 1234", foreground);
        MakeForeground(foreground);
        ExpectOwner("/c:1234", foreground);
    }
    MakeForeground(foreground);
    ExpectOwner("-C", foreground);
    ExpectOwner("", nullptr);
    DestroyWindow(other);
    DestroyWindow(foreground);
}
const CaseRegistration kOwnersCase("owners", CaseOwners);

// A white window over the whole screen: the desktop the saver will darken.
HWND ShowWhiteDesktop() {
    HWND window = ShowWhiteWindow(L"white", WS_POPUP, 0, 0, ScreenWidth(), ScreenHeight());
    UpdateWindow(window);
    Pump(300);
    return window;
}

// How many of a few points far apart (more than a ball's width) show
// `level` in all three channels; the ball can cover one of them at most.
int PointsAtLevel(int level) {
    const int width = ScreenWidth(), height = ScreenHeight();
    const POINT points[5] = {{width / 8, height / 8},         {width * 7 / 8, height / 8},
                             {width / 2, height / 2},         {width / 8, height * 7 / 8},
                             {width * 7 / 8, height * 7 / 8}};
    HDC screen = GetDC(nullptr);
    int matches = 0;
    for (const POINT &point : points) {
        if (GetPixel(screen, point.x, point.y) == RGB(level, level, level)) matches++;
    }
    ReleaseDC(nullptr, screen);
    return matches;
}

// What the dialog stores is what the next full-screen run darkens by.
void CaseDimsNextStart() {
    WriteRecord(30, 0, 0);
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    HWND slider = GetDlgItem(run.dialog, kSliderId);
    PressKey(slider, VK_NEXT);
    PressKey(slider, VK_NEXT);
    ExpectSlider(run, 70);
    PressKey(slider, VK_RETURN);
    ExpectDialogExit(&run, 1);
    ExpectRecord(70);

    HWND white = ShowWhiteDesktop();
    CHECK(PointsAtLevel(255) == 5, "the white test desktop is not on the screen");
    Saver saver = StartSaver(gHarness.scr, "/s", nullptr);
    if (!saver.process) return;
    // The engine keeps bits 8..15 of 255 * (70 * 256 / 100).
    const int expected = (255 * (70 * 256 / 100)) >> 8;
    int matches = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDialogWaitMs && matches < 4) {
        Pump(200);
        matches = PointsAtLevel(expected);
    }
    if (matches < 4) Fail("the saver does not show the desktop darkened to %d (70 %%)", expected);
    HWND window = FindProcessWindow(saver.id, kSaverClass, false);
    if (window) {
        PressKey(window, VK_SPACE);
        ExpectExit(saver, kExitWaitMs, 0, "a key on the saver");
    } else {
        Fail("no saver window");
    }
    Stop(saver);
    DestroyWindow(white);
}
const CaseRegistration kDimsNextStartCase("dims_next_start", CaseDimsNextStart);

// Keeps the dialog open until the harness has taken its picture: writes the
// dialog's screen rectangle to dialog_rect.txt and waits for dialog_shot.done.
void CaseScreenshot() {
    DeleteKeyTree(kVendorKey);
    DialogRun run;
    if (!OpenDialog("/c", &run)) return;
    RECT rect;
    GetWindowRect(run.dialog, &rect);
    const std::string rectPath = InRunDir("dialog_rect.txt");
    const std::string donePath = InRunDir("dialog_shot.done");
    DeleteFileA(donePath.c_str());
    FILE *file = std::fopen(rectPath.c_str(), "wb");
    if (!file) {
        Fail("cannot write %s", rectPath.c_str());
        return Stop(run.saver);
    }
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(file);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(donePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 30000) {
            Fail("no screenshot taken within 30 s");
            break;
        }
        Pump(100);
    }
    PressKey(FocusOf(run), VK_ESCAPE);
    ExpectDialogExit(&run, 1);
}
const CaseRegistration kScreenshotCase("screenshot", CaseScreenshot);

}  // namespace
