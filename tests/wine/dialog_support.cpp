// dialog_support.cpp -- the dialog driver's shared steps (see dialog_support.h).
#include "dialog_support.h"

#include <commctrl.h>

#include <cwchar>

const ExpectedControl kControls[] = {
    {kOkId, L"Button", 0x0080, L"OK", 56, 57, 50, 14, 0x50010001},
    {-1, L"Static", 0x0082, L"Zm\u011bna plat\u00ed od p\u0159\u00ed\u0161t\u00edho spu\u0161t\u011bn\u00ed spo\u0159i\u010de.",
     4, 35, 156, 16, 0x50020201},
    {-1, L"Static", 0x0082, L"Ztmaven\u00ed", 4, 17, 36, 18, 0x50020200},
    {kSliderId, L"msctls_trackbar32", 0, L"Slider1", 40, 17, 120, 18, 0x50010014},
    {-1, L"Static", 0x0082, L"100 %", 40, 4, 42, 13, 0x50020200},
    {-1, L"Static", 0x0082, L"0 %", 128, 4, 32, 13, 0x50020202},
};
const int kControlCount = sizeof kControls / sizeof kControls[0];

std::string Narrow(const std::wstring &text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "<U+%04X>", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}

// ---------------------------------------------------------------- the dialog

namespace {

bool WaitForDialog(DialogRun *run) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDialogWaitMs) {
        HWND found = FindProcessWindow(run->saver.id, "#32770", true);  // the dialog class
        if (found && GetDlgItem(found, kSliderId)) {
            run->dialog = found;
            Pump(300);  // let it finish painting and settle its focus
            return true;
        }
        DWORD code = 0;
        if (!StillRunning(run->saver) && GetExitCodeProcess(run->saver.process, &code)) {
            Fail("the saver exited with %ld before showing the dialog", static_cast<long>(code));
            return false;
        }
        Pump(50);
    }
    Fail("no dialog within %lu ms", kDialogWaitMs);
    return false;
}

void ClickAtPoint(int x, int y) {
    const int width = ScreenWidth(), height = ScreenHeight();
    INPUT inputs[3];
    std::memset(inputs, 0, sizeof inputs);
    for (INPUT &input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (x * 65535 + width / 2) / (width - 1);
        input.mi.dy = (y * 65535 + height / 2) / (height - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &inputs[0], sizeof(INPUT));
    Pump(100);
    SendInput(2, &inputs[1], sizeof(INPUT));
    Pump(150);
}

}  // namespace

bool OpenDialog(const std::string &arguments, DialogRun *run) {
    run->dialog = nullptr;
    run->saver = StartSaver(gHarness.scr, arguments, nullptr);
    if (!run->saver.process) return false;
    if (WaitForDialog(run)) return true;
    Stop(run->saver);
    return false;
}

void ExpectDialogExit(DialogRun *run, DWORD expected) {
    ExpectExit(run->saver, kExitWaitMs, expected, "the dialog");
    Stop(run->saver);
}

HWND FocusOf(const DialogRun &run) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(run.saver.threadId, &info) && info.hwndFocus) return info.hwndFocus;
    return run.dialog;
}

void PressKey(HWND target, UINT virtualKey) {
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
    Pump(150);
}

void ClickAt(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    ClickAtPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void ExpectSlider(const DialogRun &run, LRESULT expected) {
    const LRESULT position = SendDlgItemMessageW(run.dialog, kSliderId, TBM_GETPOS, 0, 0);
    CHECK(position == expected, "slider at %ld, expected %ld", static_cast<long>(position),
          static_cast<long>(expected));
}

// ---------------------------------------------------------------- the stored value

void WriteSettingsValue(DWORD type, const void *data, DWORD size) {
    DeleteKeyTree(kVendorKey);
    CHECK(SetValue(kSettingsKey, kSettingsValue, type, data, size),
          "cannot write the settings value for the case");
}

void WriteRecord(int32_t first, int32_t second, int32_t third) {
    const int32_t record[3] = {first, second, third};
    WriteSettingsValue(REG_BINARY, record, sizeof record);
}

StoredValue ReadSettingsValue() { return ReadValue(kSettingsKey, kSettingsValue); }

void ExpectRecord(int32_t first, int32_t second, int32_t third) {
    StoredValue value = ReadSettingsValue();
    if (!value.present) {
        Fail("no settings value (expected %d, %d, %d)", static_cast<int>(first),
             static_cast<int>(second), static_cast<int>(third));
        return;
    }
    CHECK(value.type == REG_BINARY, "value type %lu, expected REG_BINARY", value.type);
    if (value.bytes.size() != 12) {
        Fail("value is %u bytes, expected 12", static_cast<unsigned>(value.bytes.size()));
        return;
    }
    int32_t fields[3];
    std::memcpy(fields, value.bytes.data(), sizeof fields);
    CHECK(fields[0] == first && fields[1] == second && fields[2] == third,
          "stored record (%d, %d, %d), expected (%d, %d, %d)", static_cast<int>(fields[0]),
          static_cast<int>(fields[1]), static_cast<int>(fields[2]), static_cast<int>(first),
          static_cast<int>(second), static_cast<int>(third));
}

void ExpectValueUnchanged(DWORD type, const void *data, DWORD size) {
    StoredValue value = ReadSettingsValue();
    if (!value.present) {
        Fail("the stored value vanished");
        return;
    }
    CHECK(value.type == type, "the stored value's type changed");
    CHECK(value.bytes.size() == size && std::memcmp(value.bytes.data(), data, size) == 0,
          "the stored value's bytes changed");
}
