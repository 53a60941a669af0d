// dialog_driver.cpp -- drives orb.scr's configuration dialog from outside, as
// a user and the display settings would: it starts the saver with /c (or
// nothing), finds the dialog window, reads the slider, presses keys, clicks
// OK and then looks at the registry and the exit code. It runs under Wine in
// the tests and would run unchanged on Windows.
//
//   dialog_driver <orb.scr> <case> [output folder]
//
// Prints one line per check that fails and "PASS <case>" at the end; exits 0
// when every check of the case held, 1 otherwise, 2 on bad usage.
#include <windows.h>

#include <commctrl.h>

#include "settings.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const char kKeyPath[] = "Software\\Tarn s.r.o.\\ScreenSavers";
const char kVendorKeyPath[] = "Software\\Tarn s.r.o.";
const char kValueName[] = "Orb 05-1999";
const wchar_t kCaption[] = L"ORB 05-1999 Screen saver";
const int kDialogId = 2003;
const int kOkId = 1000;
const int kSliderId = 1001;
const DWORD kDialogWaitMs = 30000;
const DWORD kExitWaitMs = 15000;

// The template as the dialog must carry it: position, size, styles, ids and
// texts of every control, in tab order.
struct ExpectedControl {
    int id;
    const wchar_t *className;  // for the predefined classes, the ordinal's name
    WORD classOrdinal;         // 0 when the class is given by name
    const wchar_t *text;
    short x, y, cx, cy;
    DWORD style;
};
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

struct DriverState {
    std::wstring scrPath;
    std::wstring outDir;
    int failures;
};
DriverState gDriver;

void Fail(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("FAIL: ", stdout);
    std::vprintf(format, args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    va_end(args);
    gDriver.failures++;
}

void Check(bool condition, const char *what) {
    if (!condition) Fail("%s", what);
}

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

// Our own windows (the owners) must answer the messages the dialog sends
// them, such as WM_ENABLE, or the saver would hang; so every wait pumps.
void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

// ---------------------------------------------------------------- registry

void DeleteSettingsKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kVendorKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, kVendorKeyPath);
}

bool SettingsKeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void WriteValue(DWORD type, const void *data, DWORD size) {
    DeleteSettingsKey();
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        Fail("cannot create the settings key for the case");
        return;
    }
    if (RegSetValueExA(key, kValueName, 0, type, static_cast<const BYTE *>(data), size) !=
        ERROR_SUCCESS) {
        Fail("cannot write the settings value for the case");
    }
    RegCloseKey(key);
}

void WriteRecord(int32_t first, int32_t second, int32_t third) {
    const int32_t record[3] = {first, second, third};
    WriteValue(REG_BINARY, record, sizeof record);
}

struct StoredValue {
    bool present;
    DWORD type;
    std::vector<BYTE> bytes;
};

StoredValue ReadValue() {
    StoredValue value{false, 0, {}};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, kValueName, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExA(key, kValueName, nullptr, &value.type, value.bytes.data(), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes.resize(size);
        }
    }
    RegCloseKey(key);
    return value;
}

// The stored value must be exactly the 12-byte REG_BINARY record
// (first, second, third); the dialog always stores (position, 0, 0).
void ExpectRecord(int32_t first, int32_t second = 0, int32_t third = 0) {
    StoredValue value = ReadValue();
    if (!value.present) {
        Fail("no settings value (expected %d, %d, %d)", static_cast<int>(first),
             static_cast<int>(second), static_cast<int>(third));
        return;
    }
    if (value.type != REG_BINARY) Fail("value type %lu, expected REG_BINARY", value.type);
    if (value.bytes.size() != 12) {
        Fail("value is %u bytes, expected 12", static_cast<unsigned>(value.bytes.size()));
        return;
    }
    int32_t fields[3];
    std::memcpy(fields, value.bytes.data(), sizeof fields);
    if (fields[0] != first || fields[1] != second || fields[2] != third) {
        Fail("stored record (%d, %d, %d), expected (%d, %d, %d)", static_cast<int>(fields[0]),
             static_cast<int>(fields[1]), static_cast<int>(fields[2]), static_cast<int>(first),
             static_cast<int>(second), static_cast<int>(third));
    }
}

void ExpectValueUnchanged(DWORD type, const void *data, DWORD size) {
    StoredValue value = ReadValue();
    if (!value.present) {
        Fail("the stored value vanished");
        return;
    }
    Check(value.type == type, "the stored value's type changed");
    Check(value.bytes.size() == size && std::memcmp(value.bytes.data(), data, size) == 0,
          "the stored value's bytes changed");
}

// ---------------------------------------------------------------- the saver

struct Saver {
    PROCESS_INFORMATION process;
    HWND dialog;
};

bool StartSaver(const std::wstring &arguments, Saver *saver) {
    std::wstring commandLine = L"\"" + gDriver.scrPath + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    std::memset(saver, 0, sizeof *saver);
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &saver->process)) {
        Fail("cannot start %s (error %lu)", Narrow(commandLine).c_str(), GetLastError());
        return false;
    }
    return true;
}

struct FindDialog {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM parameter) {
    FindDialog *search = reinterpret_cast<FindDialog *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64];
    if (processId == search->processId && IsWindowVisible(window) &&
        GetClassNameW(window, className, 64) && std::wcscmp(className, L"#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits until the saver shows its dialog; fails the case when it does not.
bool WaitForDialog(Saver *saver) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDialogWaitMs) {
        FindDialog search{saver->process.dwProcessId, nullptr};
        EnumWindows(FindDialogWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found && GetDlgItem(search.found, kSliderId)) {
            saver->dialog = search.found;
            PumpFor(300);  // let it finish painting and settle its focus
            return true;
        }
        if (WaitForSingleObject(saver->process.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(saver->process.hProcess, &code);
            Fail("the saver exited with %ld before showing the dialog", static_cast<long>(code));
            return false;
        }
        PumpFor(50);
    }
    Fail("no dialog within %lu ms", kDialogWaitMs);
    return false;
}

// Waits for the saver to end and returns its exit code; -1000 when it hangs
// (it is then killed so that no dialog outlives the case).
long WaitForExit(Saver *saver) {
    const DWORD start = GetTickCount();
    long code = -1000;
    while (GetTickCount() - start < kExitWaitMs) {
        if (WaitForSingleObject(saver->process.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(saver->process.hProcess, &exitCode);
            code = static_cast<long>(exitCode);
            break;
        }
        PumpFor(20);
    }
    if (code == -1000) {
        Fail("the saver did not exit within %lu ms", kExitWaitMs);
        TerminateProcess(saver->process.hProcess, 99);
        WaitForSingleObject(saver->process.hProcess, 5000);
    }
    CloseHandle(saver->process.hThread);
    CloseHandle(saver->process.hProcess);
    return code;
}

void ExpectExit(Saver *saver, long expected) {
    long code = WaitForExit(saver);
    if (code != expected && code != -1000) Fail("exit code %ld, expected %ld", code, expected);
}

void Abandon(Saver *saver) {
    TerminateProcess(saver->process.hProcess, 99);
    WaitForSingleObject(saver->process.hProcess, 5000);
    CloseHandle(saver->process.hThread);
    CloseHandle(saver->process.hProcess);
}

LRESULT SliderPosition(const Saver &saver) {
    return SendDlgItemMessageW(saver.dialog, kSliderId, TBM_GETPOS, 0, 0);
}

// The control that has the keyboard focus inside the saver's dialog.
HWND FocusOf(const Saver &saver) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(saver.process.dwThreadId, &info) && info.hwndFocus) return info.hwndFocus;
    return saver.dialog;
}

// A key goes into the dialog's own message loop, which decides, as for a
// typed key, whether the control or the dialog manager acts on it.
void PressKey(HWND target, UINT virtualKey) {
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
    PumpFor(150);
}

// A real mouse click at a screen point, through the input queue.
void ClickAtPoint(int x, int y) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
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
    PumpFor(100);
    SendInput(2, &inputs[1], sizeof(INPUT));
    PumpFor(150);
}

// A click at the centre of a window.
void ClickAt(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    ClickAtPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void ExpectSlider(const Saver &saver, LRESULT expected) {
    const LRESULT position = SliderPosition(saver);
    if (position != expected) {
        Fail("slider at %ld, expected %ld", static_cast<long>(position), static_cast<long>(expected));
    }
}

// ---------------------------------------------------------------- owners

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateOwner(const wchar_t *title, int x) {
    static bool registered = false;  // one class for the whole run
    if (!registered) {
        WNDCLASSW windowClass;
        std::memset(&windowClass, 0, sizeof windowClass);
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = L"OrbDialogTestOwner";
        RegisterClassW(&windowClass);
        registered = true;
    }
    HWND window = CreateWindowExW(0, L"OrbDialogTestOwner", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  x, 20, 200, 120, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
    PumpFor(200);
    return window;
}

void MakeForeground(HWND window) {
    SetForegroundWindow(window);
    PumpFor(200);
    if (GetForegroundWindow() != window) Fail("cannot make the test's own window the foreground");
}

std::wstring HandleText(HWND window) {
    return std::to_wstring(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
}

// Opens the dialog with the arguments and checks whose it is: the owner must
// be `expected` (null for none) and, while the dialog runs, disabled.
void ExpectOwner(const std::wstring &arguments, HWND expected) {
    Saver saver;
    if (!StartSaver(arguments, &saver)) return;
    if (!WaitForDialog(&saver)) {
        Abandon(&saver);
        return;
    }
    HWND owner = GetWindow(saver.dialog, GW_OWNER);
    if (owner != expected) {
        Fail("with %s the dialog's owner is %p, expected %p", Narrow(arguments).c_str(),
             static_cast<void *>(owner), static_cast<void *>(expected));
    }
    if (expected && IsWindowEnabled(expected)) Fail("the owner stays enabled under the modal dialog");
    PressKey(FocusOf(saver), VK_ESCAPE);
    ExpectExit(&saver, 1);
    if (expected && !IsWindowEnabled(expected)) Fail("the owner is still disabled after the dialog");
}

// ---------------------------------------------------------------- template

struct TemplateReader {
    const BYTE *cursor;
    const BYTE *end;
    bool overrun;

    WORD Word() {
        if (cursor + 2 > end) {
            overrun = true;
            return 0;
        }
        WORD value;
        std::memcpy(&value, cursor, 2);
        cursor += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Word(); c && !overrun; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    // A name or, after 0xFFFF, an ordinal (returned in *ordinal).
    std::wstring NameOrOrdinal(WORD *ordinal) {
        *ordinal = 0;
        const BYTE *start = cursor;
        if (Word() == 0xFFFF) {
            *ordinal = Word();
            return L"";
        }
        cursor = start;
        return String();
    }
    void AlignDword(const BYTE *base) {
        while ((cursor - base) % 4) cursor++;
    }
};

void CheckTemplate(const BYTE *data, DWORD size) {
    TemplateReader reader{data, data + size, false};
    const DWORD style = reader.Dword();
    const DWORD extendedStyle = reader.Dword();
    const WORD count = reader.Word();
    const short x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
    if (style == 0xFFFF0001u) {
        Fail("the template is a DIALOGEX, expected a plain DIALOG");
        return;
    }
    if (style != 0x80C808C0u) Fail("dialog style 0x%08lX, expected 0x80C808C0", style);
    Check(extendedStyle == 0, "the dialog has an extended style");
    if (count != kControlCount) Fail("%u controls, expected %d", count, kControlCount);
    if (x != 0 || y != 0 || cx != 165 || cy != 76) {
        Fail("dialog at %d,%d size %dx%d, expected 0,0 165x76", x, y, cx, cy);
    }
    WORD ordinal;
    Check(reader.NameOrOrdinal(&ordinal).empty() && ordinal == 0, "the dialog has a menu");
    Check(reader.NameOrOrdinal(&ordinal).empty() && ordinal == 0,
          "the dialog names a class of its own");
    const std::wstring caption = reader.String();
    if (caption != kCaption) Fail("caption \"%s\"", Narrow(caption).c_str());
    const WORD points = reader.Word();
    const std::wstring face = reader.String();
    if (points != 8 || face != L"MS Sans Serif") {
        Fail("font %u pt \"%s\", expected 8 pt \"MS Sans Serif\"", points, Narrow(face).c_str());
    }
    for (int i = 0; i < kControlCount && i < count && !reader.overrun; i++) {
        const ExpectedControl &want = kControls[i];
        reader.AlignDword(data);
        const DWORD itemStyle = reader.Dword();
        const DWORD itemExtended = reader.Dword();
        const short ix = reader.Short(), iy = reader.Short();
        const short icx = reader.Short(), icy = reader.Short();
        const int id = static_cast<short>(reader.Word());
        WORD classOrdinal;
        std::wstring className = reader.NameOrOrdinal(&classOrdinal);
        WORD textOrdinal;
        std::wstring text = reader.NameOrOrdinal(&textOrdinal);
        const WORD extra = reader.Word();
        reader.cursor += extra;
        if (id != want.id) Fail("control %d: id %d, expected %d", i + 1, id, want.id);
        if (itemStyle != want.style) {
            Fail("control %d: style 0x%08lX, expected 0x%08lX", i + 1, itemStyle, want.style);
        }
        if (itemExtended != 0) Fail("control %d: extended style 0x%lX", i + 1, itemExtended);
        if (ix != want.x || iy != want.y || icx != want.cx || icy != want.cy) {
            Fail("control %d: at %d,%d size %dx%d, expected %d,%d %dx%d", i + 1, ix, iy, icx, icy,
                 want.x, want.y, want.cx, want.cy);
        }
        const bool classMatches = want.classOrdinal
                                      ? classOrdinal == want.classOrdinal ||
                                            _wcsicmp(className.c_str(), want.className) == 0
                                      : _wcsicmp(className.c_str(), want.className) == 0;
        if (!classMatches) {
            Fail("control %d: class \"%s\" (ordinal 0x%04X), expected %s", i + 1,
                 Narrow(className).c_str(), classOrdinal, Narrow(want.className).c_str());
        }
        if (textOrdinal || text != want.text) {
            Fail("control %d: text \"%s\", expected \"%s\"", i + 1, Narrow(text).c_str(),
                 Narrow(want.text).c_str());
        }
        Check(extra == 0, "a control carries creation data");
    }
    Check(!reader.overrun, "the template ends early");
}

struct LanguageList {
    std::vector<WORD> languages;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR parameter) {
    reinterpret_cast<LanguageList *>(parameter)->languages.push_back(language);
    return TRUE;
}

// The template read straight from the executable's resources.
bool LoadTemplate(HMODULE *module, const BYTE **data, DWORD *size) {
    *module = LoadLibraryExW(gDriver.scrPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!*module) {
        Fail("cannot load %s as data", Narrow(gDriver.scrPath).c_str());
        return false;
    }
    HRSRC resource = FindResourceExW(*module, MAKEINTRESOURCEW(5) /* RT_DIALOG */,
                                     MAKEINTRESOURCEW(kDialogId),
                                     MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT));
    if (!resource) {
        Fail("no DIALOG 2003 under language 1029");
        return false;
    }
    *size = SizeofResource(*module, resource);
    *data = static_cast<const BYTE *>(LockResource(LoadResource(*module, resource)));
    return *data != nullptr;
}

// Whether the executable's export table names `wanted`, read from the file
// itself so that a 32-bit saver can be checked from a 64-bit driver.
bool ExportsName(const char *wanted) {
    FILE *file = _wfopen(gDriver.scrPath.c_str(), L"rb");
    if (!file) return false;
    std::vector<BYTE> image;
    BYTE chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        image.insert(image.end(), chunk, chunk + n);
    }
    std::fclose(file);
    auto at = [&](size_t offset, size_t bytes) -> const BYTE * {
        return offset + bytes <= image.size() ? image.data() + offset : nullptr;
    };
    const BYTE *dos = at(0, sizeof(IMAGE_DOS_HEADER));
    if (!dos) return false;
    const LONG peOffset = reinterpret_cast<const IMAGE_DOS_HEADER *>(dos)->e_lfanew;
    const BYTE *nt = at(peOffset, sizeof(IMAGE_NT_HEADERS32));
    if (!nt) return false;
    const IMAGE_FILE_HEADER *header = &reinterpret_cast<const IMAGE_NT_HEADERS32 *>(nt)->FileHeader;
    const BYTE *optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    const WORD magic = *reinterpret_cast<const WORD *>(optional);
    const IMAGE_DATA_DIRECTORY *directories =
        magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
            ? reinterpret_cast<const IMAGE_OPTIONAL_HEADER64 *>(optional)->DataDirectory
            : reinterpret_cast<const IMAGE_OPTIONAL_HEADER32 *>(optional)->DataDirectory;
    const IMAGE_SECTION_HEADER *sections = reinterpret_cast<const IMAGE_SECTION_HEADER *>(
        optional + header->SizeOfOptionalHeader);
    auto fromRva = [&](DWORD rva, size_t bytes) -> const BYTE * {
        for (WORD i = 0; i < header->NumberOfSections; i++) {
            const IMAGE_SECTION_HEADER &section = sections[i];
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData) {
                return at(section.PointerToRawData + (rva - section.VirtualAddress), bytes);
            }
        }
        return nullptr;
    };
    const IMAGE_DATA_DIRECTORY &exportDirectory = directories[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const BYTE *exports = fromRva(exportDirectory.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY));
    if (!exportDirectory.VirtualAddress || !exports) return false;
    const IMAGE_EXPORT_DIRECTORY *table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(exports);
    const BYTE *names = fromRva(table->AddressOfNames, table->NumberOfNames * 4);
    if (!names) return false;
    for (DWORD i = 0; i < table->NumberOfNames; i++) {
        const BYTE *name = fromRva(reinterpret_cast<const DWORD *>(names)[i], std::strlen(wanted) + 1);
        if (name && std::memcmp(name, wanted, std::strlen(wanted) + 1) == 0) return true;
    }
    return false;
}

// ---------------------------------------------------------------- cases

void CaseTemplate() {
    HMODULE module;
    const BYTE *data;
    DWORD size;
    if (!LoadTemplate(&module, &data, &size)) return;
    CheckTemplate(data, size);
    LanguageList list;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(kDialogId),
                           CollectLanguage, reinterpret_cast<LONG_PTR>(&list));
    if (list.languages.size() != 1) {
        Fail("DIALOG 2003 exists in %u languages, expected only 1029",
             static_cast<unsigned>(list.languages.size()));
    }
    Check(ExportsName("ScreenSaverConfigureDialog"),
          "orb.scr does not export ScreenSaverConfigureDialog by that name");
}

// The registry store on its own, in this process: what LoadSettings and
// StoreSettings make of each shape of stored value.
struct LoadResult {
    int ok;
    int32_t first, second, third;
};

LoadResult Load() {
    LoadResult result{-1, -1, -1, -1};
    result.ok = LoadSettings(kValueName, &result.first, &result.second, &result.third);
    return result;
}

void ExpectLoad(const char *what, int ok, int32_t first, int32_t second, int32_t third) {
    const LoadResult got = Load();
    if (got.ok != ok || got.first != first || got.second != second || got.third != third) {
        Fail("%s: LoadSettings gave %d (%d, %d, %d), expected %d (%d, %d, %d)", what, got.ok,
             static_cast<int>(got.first), static_cast<int>(got.second),
             static_cast<int>(got.third), ok, static_cast<int>(first), static_cast<int>(second),
             static_cast<int>(third));
    }
}

void CaseStore() {
    DeleteSettingsKey();
    ExpectLoad("no key", 0, 0, 0, 0);
    Check(LoadDimPercent() == 30, "no key: DimPercent is not 30");
    Check(!SettingsKeyExists(), "reading created the key");

    const DWORD dword = 55;  // a short value of another type: the bytes count
    WriteValue(REG_DWORD, &dword, sizeof dword);
    ExpectLoad("4-byte REG_DWORD 55", 1, 55, 0, 0);
    Check(LoadDimPercent() == 55, "4-byte 55: DimPercent is not 55");

    const int32_t full[3] = {250, 7, -9};  // read as stored: nothing clamps
    WriteValue(REG_BINARY, full, sizeof full);
    ExpectLoad("12 bytes 250, 7, -9", 1, 250, 7, -9);
    Check(LoadDimPercent() == 250, "250 is not handed on unchanged");

    const int32_t tooLong[4] = {55, 1, 2, 3};
    WriteValue(REG_BINARY, tooLong, sizeof tooLong);
    ExpectLoad("16-byte value", 0, 0, 0, 0);
    Check(LoadDimPercent() == 30, "16-byte value: DimPercent is not 30");

    WriteValue(REG_BINARY, "", 0);
    ExpectLoad("empty value", 1, 0, 0, 0);

    DeleteSettingsKey();
    StoreSettings(kValueName, 42, 0, 0);
    ExpectRecord(42);
    StoreSettings(kValueName, -5, 1, 2);  // the arguments, in order, whatever they are
    ExpectRecord(-5, 1, 2);
    ExpectLoad("after StoreSettings", 1, -5, 1, 2);

    // Another value name is another value.
    StoreSettings("Orb test other", 1, 2, 3);
    ExpectRecord(-5, 1, 2);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Every label, the notice above all, must fit its control in the dialog's
// own font, or its end is cut off.
void CaseTextsFit() {
    HMODULE module;
    const BYTE *data;
    DWORD size;
    if (!LoadTemplate(&module, &data, &size)) return;
    InitCommonControls();
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(data), nullptr,
                                             QuietDialogProc, 0);
    if (!dialog) {
        Fail("cannot build the dialog from its template (error %lu)", GetLastError());
        return;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64];
        GetClassNameW(child, className, 64);
        if (_wcsicmp(className, L"Static") != 0) continue;
        wchar_t text[256];
        GetWindowTextW(child, text, 256);
        RECT client;
        GetClientRect(child, &client);
        HDC dc = GetDC(child);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT needed = {0, 0, 0, 0};
        DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        std::printf("  \"%s\": %ld x %ld px in %ld x %ld\n", Narrow(text).c_str(), needed.right,
                    needed.bottom, client.right, client.bottom);
        if (needed.right > client.right || needed.bottom > client.bottom) {
            Fail("\"%s\" does not fit its control", Narrow(text).c_str());
        }
    }
    DestroyWindow(dialog);
}

// No stored value: the slider starts at 30, the controls carry their texts,
// Esc ends with 1 and leaves no key behind.
void CaseNoKeyEscape() {
    DeleteSettingsKey();
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 30);
    HWND slider = GetDlgItem(saver.dialog, kSliderId);
    Check(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0) == 0, "slider minimum is not 0");
    Check(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0) == 100, "slider maximum is not 100");
    wchar_t caption[64];
    GetWindowTextW(saver.dialog, caption, 64);
    if (std::wcscmp(caption, kCaption) != 0) Fail("caption \"%s\"", Narrow(caption).c_str());
    // The live controls, in tab order, with the template's texts intact.
    int i = 0;
    for (HWND child = GetWindow(saver.dialog, GW_CHILD); child && i < kControlCount;
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
    Check(i == kControlCount, "the dialog lacks controls");
    Check(FocusOf(saver) == GetDlgItem(saver.dialog, kOkId), "OK does not have the focus");
    PressKey(FocusOf(saver), VK_ESCAPE);
    ExpectExit(&saver, 1);
    Check(!SettingsKeyExists(), "Esc left a settings key behind");
}

// No stored value: a click on OK stores 30 as the full record.
void CaseNoKeyOk() {
    DeleteSettingsKey();
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 30);
    ClickAt(GetDlgItem(saver.dialog, kOkId));
    ExpectExit(&saver, 1);
    ExpectRecord(30);
}

// The close box cancels like Esc: the stored value stays as it was.
void CaseCloseBox() {
    const int32_t record[3] = {55, 7, 9};
    WriteValue(REG_BINARY, record, sizeof record);
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 55);
    PressKey(GetDlgItem(saver.dialog, kSliderId), VK_RIGHT);  // moved, then abandoned
    PostMessageW(saver.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectExit(&saver, 1);
    ExpectValueUnchanged(REG_BINARY, record, sizeof record);
}

// A 4-byte value of any type fills the start of the record.
void CaseShortValue() {
    const DWORD stored = 55;
    WriteValue(REG_DWORD, &stored, sizeof stored);
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 55);
    PressKey(FocusOf(saver), VK_ESCAPE);
    ExpectExit(&saver, 1);
    ExpectValueUnchanged(REG_DWORD, &stored, sizeof stored);
}

// A number beyond the range opens at the nearer end, and OK stores that end.
void CaseOutOfRange() {
    WriteRecord(250, 0, 0);
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 100);
    ClickAt(GetDlgItem(saver.dialog, kOkId));
    ExpectExit(&saver, 1);
    ExpectRecord(100);
}

// A value longer than the record is not read at all: the default shows.
void CaseLongValue() {
    const int32_t stored[4] = {55, 0, 0, 0};
    WriteValue(REG_BINARY, stored, sizeof stored);
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 30);
    PressKey(FocusOf(saver), VK_ESCAPE);
    ExpectExit(&saver, 1);
    ExpectValueUnchanged(REG_BINARY, stored, sizeof stored);
}

// The slider moved from the keyboard; Enter (OK is the default button)
// stores where it ended.
void CaseKeyboard() {
    WriteRecord(30, 0, 0);
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    HWND slider = GetDlgItem(saver.dialog, kSliderId);
    PressKey(FocusOf(saver), VK_TAB);  // from OK to the slider
    if (FocusOf(saver) != slider) Fail("Tab does not reach the slider");
    for (int i = 0; i < 3; i++) PressKey(slider, VK_RIGHT);  // 33
    PressKey(slider, VK_NEXT);   // 53: a page is a fifth of the range
    PressKey(slider, VK_NEXT);   // 73
    PressKey(slider, VK_PRIOR);  // 53
    PressKey(slider, VK_LEFT);   // 52
    ExpectSlider(saver, 52);
    Check(ReadValue().bytes.size() == 12 && ReadValue().bytes[0] == 30,
          "moving the slider wrote the registry before OK");
    PressKey(slider, VK_RETURN);
    ExpectExit(&saver, 1);
    ExpectRecord(52);
    // Home and End reach the ends of the range.
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    ExpectSlider(saver, 52);
    slider = GetDlgItem(saver.dialog, kSliderId);
    PressKey(slider, VK_END);
    ExpectSlider(saver, 100);
    PressKey(slider, VK_HOME);
    ExpectSlider(saver, 0);
    ClickAt(GetDlgItem(saver.dialog, kOkId));
    ExpectExit(&saver, 1);
    ExpectRecord(0);
}

// /c:HWND makes that window the owner; /c with anything else, or a colon
// with no window behind it, takes the foreground window; nothing at all
// opens the dialog with no owner.
void CaseOwners() {
    WriteRecord(30, 0, 0);
    HWND foreground = CreateOwner(L"foreground", 20);
    HWND other = CreateOwner(L"named", 260);
    MakeForeground(foreground);
    ExpectOwner(L"/c:" + HandleText(other), other);
    MakeForeground(foreground);
    ExpectOwner(L"/c " + HandleText(other), foreground);
    MakeForeground(foreground);
    if (!IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(1234)))) {
        ExpectOwner(L"/c 1234", foreground);
        MakeForeground(foreground);
        ExpectOwner(L"/c:1234", foreground);
    }
    MakeForeground(foreground);
    ExpectOwner(L"-C", foreground);
    ExpectOwner(L"", nullptr);
    DestroyWindow(other);
    DestroyWindow(foreground);
}

LRESULT CALLBACK WhiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// A white window over the whole screen: the desktop the saver will darken.
HWND ShowWhiteDesktop() {
    WNDCLASSW windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = WhiteProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"OrbDialogTestWhite";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"OrbDialogTestWhite", L"white", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(window);
    PumpFor(300);
    return window;
}

// How many of a few points far apart (more than a ball's width) show
// `level` in all three channels; the ball can cover one of them at most.
int PointsAtLevel(int level) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
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

struct FindSaverWindow {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindSaver(HWND window, LPARAM parameter) {
    FindSaverWindow *search = reinterpret_cast<FindSaverWindow *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64];
    if (processId == search->processId && GetClassNameW(window, className, 64) &&
        std::wcscmp(className, L"WindowsScreenSaverClass") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// What the dialog stores is what the next full-screen run darkens by.
void CaseDimsNextStart() {
    WriteRecord(30, 0, 0);
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    HWND slider = GetDlgItem(saver.dialog, kSliderId);
    PressKey(slider, VK_NEXT);
    PressKey(slider, VK_NEXT);
    ExpectSlider(saver, 70);
    PressKey(slider, VK_RETURN);
    ExpectExit(&saver, 1);
    ExpectRecord(70);

    HWND white = ShowWhiteDesktop();
    Check(PointsAtLevel(255) == 5, "the white test desktop is not on the screen");
    if (!StartSaver(L"/s", &saver)) return;
    // The engine keeps bits 8..15 of 255 * (70 * 256 / 100).
    const int expected = (255 * (70 * 256 / 100)) >> 8;
    int matches = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDialogWaitMs && matches < 4) {
        PumpFor(200);
        matches = PointsAtLevel(expected);
    }
    if (matches < 4) Fail("the saver does not show the desktop darkened to %d (70 %%)", expected);
    FindSaverWindow search{saver.process.dwProcessId, nullptr};
    EnumWindows(FindSaver, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        PressKey(search.found, VK_SPACE);
        ExpectExit(&saver, 0);
    } else {
        Fail("no saver window");
        Abandon(&saver);
    }
    DestroyWindow(white);
}

// Keeps the dialog open until the harness has taken its picture: writes the
// dialog's screen rectangle to dialog_rect.txt and waits for dialog_shot.done.
void CaseScreenshot() {
    DeleteSettingsKey();
    Saver saver;
    if (!StartSaver(L"/c", &saver)) return;
    if (!WaitForDialog(&saver)) return Abandon(&saver);
    RECT rect;
    GetWindowRect(saver.dialog, &rect);
    const std::wstring rectPath = gDriver.outDir + L"\\dialog_rect.txt";
    const std::wstring donePath = gDriver.outDir + L"\\dialog_shot.done";
    DeleteFileW(donePath.c_str());
    FILE *file = _wfopen(rectPath.c_str(), L"wb");
    if (!file) {
        Fail("cannot write %s", Narrow(rectPath).c_str());
        return Abandon(&saver);
    }
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(file);
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(donePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 30000) {
            Fail("no screenshot taken within 30 s");
            break;
        }
        PumpFor(100);
    }
    PressKey(FocusOf(saver), VK_ESCAPE);
    ExpectExit(&saver, 1);
}

struct Case {
    const char *name;
    void (*run)();
};
const Case kCases[] = {
    {"store", CaseStore},              {"template", CaseTemplate},        {"texts_fit", CaseTextsFit},
    {"no_key_escape", CaseNoKeyEscape}, {"no_key_ok", CaseNoKeyOk},
    {"close_box", CaseCloseBox},       {"short_value", CaseShortValue},
    {"out_of_range", CaseOutOfRange},  {"long_value", CaseLongValue},
    {"keyboard", CaseKeyboard},        {"owners", CaseOwners},
    {"dims_next_start", CaseDimsNextStart}, {"screenshot", CaseScreenshot},
};

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: dialog_driver <orb.scr> <case> [output folder]\n");
        return 2;
    }
    gDriver.scrPath = argv[1];
    gDriver.outDir = argc > 3 ? argv[3] : L".";
    const std::string name = Narrow(argv[2]);
    for (const Case &c : kCases) {
        if (name == c.name) {
            c.run();
            DeleteSettingsKey();  // the next case, of any suite, starts clean
            std::printf("%s %s\n", gDriver.failures ? "FAILED" : "PASS", c.name);
            return gDriver.failures ? 1 : 0;
        }
    }
    std::fprintf(stderr, "dialog_driver: unknown case %s\n", name.c_str());
    return 2;
}
