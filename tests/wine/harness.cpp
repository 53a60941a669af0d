// harness.cpp -- the drivers' shared helpers (see harness.h).
#include "harness.h"

#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

HarnessState gHarness;

// ---------------------------------------------------------------- reporting

namespace {

void Report(const char *prefix, const char *format, va_list args) {
    std::printf("%s %s: ", prefix, gHarness.caseName.c_str());
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

void Fail(const char *format, ...) {
    va_list args;
    va_start(args, format);
    Report("FAIL", format, args);
    va_end(args);
    ++gHarness.failures;
}

void Note(const char *format, ...) {
    va_list args;
    va_start(args, format);
    Report("    ", format, args);
    va_end(args);
}

namespace {

// Filled while the drivers' statics are made, so it must exist before any.
std::vector<Case> &RegisteredCases() {
    static std::vector<Case> cases;
    return cases;
}

}  // namespace

CaseRegistration::CaseRegistration(const char *name, void (*run)()) {
    RegisteredCases().push_back({name, run});
}

int HarnessMain(int argc, char **argv, void (*reset)()) {
    if (argc < 4) {
        std::printf("usage: %s <case> <orb.scr> <run folder>\n", argc ? argv[0] : "driver");
        return 2;
    }
    gHarness.caseName = argv[1];
    gHarness.scr = argv[2];
    gHarness.runDir = argv[3];
    for (const Case &c : RegisteredCases()) {
        if (gHarness.caseName != c.name) continue;
        reset();
        c.run();
        reset();  // the next case, of any suite, starts clean
        std::printf("%s %s\n", gHarness.failures ? "FAILED" : "passed", c.name);
        return gHarness.failures ? 1 : 0;
    }
    std::printf("unknown case %s\n", argv[1]);
    return 2;
}

// ---------------------------------------------------------------- waiting

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

// ---------------------------------------------------------------- processes

const char kSaverClass[] = "WindowsScreenSaverClass";

Saver StartSaver(const std::string &program, const std::string &arguments, const char *folder) {
    Saver saver = {nullptr, 0, 0};
    std::string line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string cwd = folder ? folder : gHarness.runDir;
    // Wine now and then refuses a start right after a process ended (error
    // 1359) before anything of the new process ran; that is the loader's
    // hiccup, not the saver's, so a start gets a few tries.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; attempt++) {
        if (attempt) Sleep(200);
        started = CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 cwd.c_str(), &startup, &info);
        if (!started) error = GetLastError();
    }
    if (!started) {
        Fail("cannot start %s (error %lu)", line.c_str(), error);
        return saver;
    }
    CloseHandle(info.hThread);
    saver.process = info.hProcess;
    saver.id = info.dwProcessId;
    saver.threadId = info.dwThreadId;
    return saver;
}

int WaitExit(const Saver &saver, DWORD timeoutMs, DWORD *code) {
    if (!saver.process) return 0;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD left = timeoutMs - (GetTickCount() - start);
        if ((int32_t)left <= 0) return 0;
        DWORD r = MsgWaitForMultipleObjects(1, &saver.process, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            GetExitCodeProcess(saver.process, code);
            return 1;
        }
        if (r == WAIT_TIMEOUT) return 0;
        Pump(0);
    }
}

int StillRunning(const Saver &saver) {
    return saver.process && WaitForSingleObject(saver.process, 0) == WAIT_TIMEOUT;
}

void ExpectExit(const Saver &saver, DWORD timeoutMs, DWORD wanted, const char *what) {
    DWORD code = 0;
    if (!WaitExit(saver, timeoutMs, &code)) {
        Fail("%s: the saver did not end within %lu ms", what, timeoutMs);
        TerminateProcess(saver.process, 99);
        WaitForSingleObject(saver.process, 5000);
        return;
    }
    CHECK(code == wanted, "%s: exit code %ld, wanted %ld", what, (long)code, (long)wanted);
}

void Stop(Saver &saver) {
    if (saver.process && StillRunning(saver)) {
        TerminateProcess(saver.process, 99);
        WaitForSingleObject(saver.process, 5000);
    }
    if (saver.process) CloseHandle(saver.process);
    saver.process = nullptr;
}

HWND WaitForWindow(const char *className, const char *name, HWND parent, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        HWND found = parent ? FindWindowExA(parent, nullptr, className, name)
                            : FindWindowA(className, name);
        if (found) return found;
        Pump(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const char *className;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter) {
    WindowSearch *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[64];
    if (processId == search->processId && (!search->visibleOnly || IsWindowVisible(window)) &&
        GetClassNameA(window, className, 64) && std::strcmp(className, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const char *className, bool visibleOnly) {
    WindowSearch search{processId, className, visibleOnly, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int CountSaverProcesses() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const char *name = entry.szExeFile, *slash = std::strrchr(name, '\\');
        if (lstrcmpiA(slash ? slash + 1 : name, "orb.scr") == 0) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

// A process that has just ended may take a moment to leave the list.
void ExpectNothingLeft(const char *after) {
    int processes = 0;
    DWORD start = GetTickCount();
    while ((processes = CountSaverProcesses()) > 0 && GetTickCount() - start < 3000) Pump(20);
    CHECK(processes == 0, "after %s: %d orb.scr processes are still running", after, processes);
    CHECK(!FindWindowA(kSaverClass, nullptr), "after %s: a saver window is still there", after);
}

int RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string HandleText(HWND window) { return std::to_string((unsigned long long)(uintptr_t)window); }

// ---------------------------------------------------------------- files

std::string InRunDir(const char *name) { return gHarness.runDir + "\\" + name; }

void WriteFileBytes(const std::string &path, const void *data, size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        Fail("cannot write %s", path.c_str());
        return;
    }
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

std::string ReadText(const std::string &path) {
    std::string text;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

int CountLines(const std::string &text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

// ---------------------------------------------------------------- registry

const char kVendorKey[] = "Software\\Tarn s.r.o.";
const char kSettingsKey[] = "Software\\Tarn s.r.o.\\ScreenSavers";
const char kSettingsValue[] = "Orb 05-1999";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\orb.scr";

int SetValue(const char *path, const char *name, DWORD type, const void *data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return 0;
    int ok = RegSetValueExA(key, name, 0, type, (const BYTE *)data, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

int SetDword(const char *path, const char *name, DWORD value) {
    return SetValue(path, name, REG_DWORD, &value, sizeof value);
}

int SetString(const char *path, const char *name, const char *value) {
    return SetValue(path, name, REG_SZ, value, (DWORD)std::strlen(value) + 1);
}

void DeleteValue(const char *path, const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

StoredValue ReadValue(const char *path, const char *name) {
    StoredValue value{false, 0, {}};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &value.type, value.bytes.data(), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes.resize(size);
        }
    }
    RegCloseKey(key);
    return value;
}

int KeyExists(const char *path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return 1;
}

void DeleteKeyTree(const char *path) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

// ---------------------------------------------------------------- the screen

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

int ReadScreen(int x, int y, int width, int height, Shot *shot) {
    shot->x = x;
    shot->y = y;
    shot->width = width;
    shot->height = height;
    shot->pixels.assign((size_t)width * height, 0);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    int ok = BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
    GdiFlush();
    if (ok) std::memcpy(shot->pixels.data(), bits, shot->pixels.size() * 4);
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

void SaveShot(const Shot &shot, const char *suffix) {
    std::string path = gHarness.runDir + "\\" + gHarness.caseName + suffix + ".bmp";
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = shot.width;
    header.biHeight = -shot.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    DWORD bytes = (DWORD)shot.pixels.size() * 4;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + bytes;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&header, sizeof header, 1, f);
    std::fwrite(shot.pixels.data(), 1, bytes, f);
    std::fclose(f);
}

// ---------------------------------------------------------------- input

void MoveCursorTo(int x, int y) { SetCursorPos(x, y); }

void MouseMoveBy(int dx, int dy) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

void Click() {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

void PressKeys(int count) {
    std::vector<INPUT> inputs((size_t)count * 2);
    for (int i = 0; i < count * 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = 'Q';
        inputs[i].ki.wScan = 0x10;
        inputs[i].ki.dwFlags = (i & 1) ? KEYEVENTF_KEYUP : 0;
    }
    SendInput((UINT)inputs.size(), inputs.data(), sizeof inputs[0]);
}
