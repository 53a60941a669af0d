// driver.cpp -- end-to-end checks of orb.scr, run as a Windows program (under
// Wine in the suite; unchanged on Windows). It only does what a user or the
// system would: puts a known picture on the screen, starts the saver with a
// command line, reads the screen back, presses keys and moves the mouse,
// writes the registry, and looks at exit codes.
//
//   orb_wine_driver <case> <orb.scr> <run folder>
//
// The run folder holds the stand-in PASSWORD.CPL and MPR.DLL beside the copy
// of orb.scr (they read their answer and write their log there) and receives
// a screenshot <case>.bmp. Exit code 0 when the case passed; every failed
// check prints one line.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host.h"  // RunUnderFaultGuard, kFaultExitCode

namespace {

// ---------------------------------------------------------------- reporting

struct DriverState {
    std::string scr, runDir, caseName;
    int failures;
};
DriverState gDriver;

void Fail(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("FAIL %s: ", gDriver.caseName.c_str());
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
    ++gDriver.failures;
}

void Note(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("     %s: ", gDriver.caseName.c_str());
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
}

#define CHECK(cond, ...)            \
    do {                            \
        if (!(cond)) Fail(__VA_ARGS__); \
    } while (0)

// ---------------------------------------------------------------- the picture

// Channel values whose darkening the tests know: 255 -> 75, 128 -> 38,
// 100 -> 29 at 30 %. Each channel varies along its own direction so that a
// row or column out of place shows.
const uint8_t kLevels[4] = {0, 100, 128, 255};

uint32_t Picture(int x, int y) {  // 0x00RRGGBB
    uint32_t b = kLevels[(x >> 3) & 3], g = kLevels[(y >> 3) & 3];
    uint32_t r = kLevels[((x >> 5) + (y >> 5)) & 3];
    return r << 16 | g << 8 | b;
}

uint32_t DimChannel(uint32_t v, int percent) {
    int32_t factor = percent * 256 / 100;
    return (uint32_t)(((int32_t)v * factor) >> 8) & 0xFF;
}

uint32_t Dim(uint32_t rgb, int percent) {
    return DimChannel(rgb >> 16 & 0xFF, percent) << 16 | DimChannel(rgb >> 8 & 0xFF, percent) << 8 |
           DimChannel(rgb & 0xFF, percent);
}

// A pixel lit by `level` the way the renderer lights it (blue, green, red with
// carries through the low bits of green and red).
uint32_t Light(uint32_t rgb, int level) {
    uint32_t v = ((rgb & 0xFF) | (rgb >> 8 & 0xFF) << 8 | (rgb >> 16 & 0xFF) << 16) & 0x00FEFEFF;
    v += (uint32_t)level * 0x080808;
    if (v & 0x100) v |= 0xFF;
    if (v & 0x10000) v |= 0xFF00;
    if (v & 0x1000000) v |= 0xFF0000;
    return (v & 0xFF) | (v >> 8 & 0xFF) << 8 | (v >> 16 & 0xFF) << 16;
}

// ---------------------------------------------------------------- windows of our own

struct PictureWindow {
    HWND window;
    int originX, originY;  // picture coordinates are relative to this screen point
    int width, height;
    std::vector<uint32_t> pixels;
    int forwardedMenus;  // WM_CONTEXTMENU received with our own handle as wParam
};
PictureWindow gPicture;

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = gPicture.width;
        info.bmiHeader.biHeight = -gPicture.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        StretchDIBits(dc, 0, 0, gPicture.width, gPicture.height, 0, 0, gPicture.width,
                      gPicture.height, gPicture.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_CONTEXTMENU) {
        gPicture.forwardedMenus += (HWND)wParam == window;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

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

// Shows the picture in a window whose client area starts at (x, y). A popup
// covers the screen; an overlapped window with a frame serves as a preview
// parent.
HWND ShowPicture(int x, int y, int width, int height, int framed) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PictureProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrbTestPicture";
    windowClass.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    RegisterClassA(&windowClass);
    gPicture.width = width;
    gPicture.height = height;
    gPicture.pixels.resize((size_t)width * height);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) gPicture.pixels[(size_t)py * width + px] = Picture(px, py);
    DWORD style = (framed ? WS_OVERLAPPED | WS_CAPTION : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN;
    RECT box = {x, y, x + width, y + height};
    AdjustWindowRect(&box, style, FALSE);
    gPicture.window = CreateWindowExA(0, "OrbTestPicture", "Orb test picture", style, box.left,
                                      box.top, box.right - box.left, box.bottom - box.top, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
    POINT origin = {0, 0};
    ClientToScreen(gPicture.window, &origin);
    gPicture.originX = origin.x;
    gPicture.originY = origin.y;
    UpdateWindow(gPicture.window);
    Pump(300);
    return gPicture.window;
}

// ---------------------------------------------------------------- the screen

struct Shot {
    int x, y, width, height;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    uint32_t At(int sx, int sy) const { return pixels[(size_t)(sy - y) * width + (sx - x)] & 0xFFFFFF; }
};

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

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void SaveShot(const Shot &shot, const char *suffix) {
    std::string path = gDriver.runDir + "\\" + gDriver.caseName + suffix + ".bmp";
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

// What a shot shows against the darkened picture of gPicture.
struct Comparison {
    int mismatches;      // pixels that differ from the darkened picture
    RECT box;            // their bounding box (screen coordinates), empty when none
    int firstX, firstY;  // one of them, for the report
    uint32_t seen, wanted;
};

Comparison CompareWithDimmed(const Shot &shot, int percent) {
    Comparison c = {0, {0, 0, 0, 0}, 0, 0, 0, 0};
    for (int sy = shot.y; sy < shot.y + shot.height; ++sy)
        for (int sx = shot.x; sx < shot.x + shot.width; ++sx) {
            uint32_t wanted = Dim(Picture(sx - gPicture.originX, sy - gPicture.originY), percent);
            uint32_t seen = shot.At(sx, sy);
            if (seen == wanted) continue;
            if (c.mismatches++ == 0) {
                c.box = {sx, sy, sx + 1, sy + 1};
                c.firstX = sx, c.firstY = sy, c.seen = seen, c.wanted = wanted;
            }
            if (sx < c.box.left) c.box.left = sx;
            if (sx + 1 > c.box.right) c.box.right = sx + 1;
            if (sy < c.box.top) c.box.top = sy;
            if (sy + 1 > c.box.bottom) c.box.bottom = sy + 1;
        }
    return c;
}

int BoxWidth(const RECT &r) { return r.right - r.left; }
int BoxHeight(const RECT &r) { return r.bottom - r.top; }

// Waits until the area shows the darkened picture everywhere but inside one
// sprite-sized box (the ball), and returns that comparison.
int WaitForDimmed(int x, int y, int width, int height, int percent, int spriteSide,
                  Comparison *result, Shot *shot, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        ReadScreen(x, y, width, height, shot);
        *result = CompareWithDimmed(*shot, percent);
        if (result->mismatches > 0 && BoxWidth(result->box) <= spriteSide &&
            BoxHeight(result->box) <= spriteSide)
            return 1;
        Pump(30);
    } while (GetTickCount() - start < timeoutMs);
    return 0;
}

void ReportDimmed(const Comparison &c, int percent) {
    Fail("screen is not the picture darkened to %d %% outside one ball: %d pixels differ in "
         "box (%ld,%ld)-(%ld,%ld); e.g. at (%d,%d) seen %06X, wanted %06X",
         percent, c.mismatches, c.box.left, c.box.top, c.box.right, c.box.bottom, c.firstX,
         c.firstY, c.seen, c.wanted);
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

// ---------------------------------------------------------------- processes

struct Saver {
    HANDLE process;
    DWORD id;
};

// Starts orb.scr with `arguments` in `folder` (the run folder when null).
Saver StartSaver(const std::string &scr, const std::string &arguments, const char *folder) {
    Saver saver = {nullptr, 0};
    std::string line = "\"" + scr + "\" " + arguments;
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string cwd = folder ? folder : gDriver.runDir;
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
    return saver;
}

// Waits for the process to end, pumping our own windows meanwhile. Returns 1
// with its exit code when it ended.
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

const char kSaverClass[] = "WindowsScreenSaverClass";

// ---------------------------------------------------------------- files and registry

std::string InRunDir(const char *name) { return gDriver.runDir + "\\" + name; }

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

const char kSettingsKey[] = "Software\\Tarn s.r.o.\\ScreenSavers";
const char kSettingsValue[] = "Orb 05-1999";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\orb.scr";

void StoreDimPercent(int percent) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        Fail("cannot create the settings key");
        return;
    }
    uint8_t record[12] = {(uint8_t)percent, 0, 0, 0};
    RegSetValueExA(key, kSettingsValue, 0, REG_BINARY, record, sizeof record);
    RegCloseKey(key);
}

void SetDword(const char *path, const char *name, DWORD value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    RegCloseKey(key);
}

void SetString(const char *path, const char *name, const char *value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)std::strlen(value) + 1);
    RegCloseKey(key);
}

void DeleteValue(const char *path, const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// (The stand-in MPR.DLL is only loaded when the suite runs the case with
// WINEDLLOVERRIDES=mpr=n, since Wine prefers its own.)

// Every case starts from the same registry: no stored setting, no password,
// the Windows version Wine reports by default.
void ResetRegistry() {
    DeleteValue(kSettingsKey, kSettingsValue);
    DeleteValue(kDesktopKey, "ScreenSaveUsePassword");
    DeleteValue(kAppDefaultsKey, "Version");
}

// ---------------------------------------------------------------- test containers

// A container whose every frame lights the whole w x h sprite evenly by
// `level`, sampling each pixel at its own place: the sprite shows on screen as
// an exact rectangle of known colours.
std::vector<uint8_t> SolidContainer(int w, int h, int mode, int frames, int level) {
    std::vector<uint32_t> words;
    for (int row = 0; row < h; ++row) {
        uint32_t first = row == 0 ? 0u : (uint32_t)(1024 - (w - 1));  // back to the row's start
        words.push_back(0);  // repeat run: one copy
        words.push_back(first << 8 | (uint32_t)level);
        words.push_back((uint32_t)(w - 2));  // repeat run: w - 1 copies
        words.push_back(1u << 8 | (uint32_t)level);
    }
    std::vector<uint8_t> plain;
    for (uint32_t word : words)
        for (int i = 0; i < 4; ++i) plain.push_back((uint8_t)(word >> (8 * i)));
    std::vector<uint8_t> stream;  // LZSS with literals only: flag bits of 1
    for (size_t i = 0; i < plain.size(); i += 8) {
        size_t n = plain.size() - i < 8 ? plain.size() - i : 8;
        stream.push_back((uint8_t)((1u << n) - 1));
        stream.insert(stream.end(), plain.begin() + i, plain.begin() + i + n);
    }
    std::vector<uint8_t> c(36 + 256, 0);
    std::memcpy(c.data(), "MERVSoft", 8);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) c[at + i] = (uint8_t)(v >> (8 * i));
    };
    put32(36, (uint32_t)c.size());
    put32(40, (uint32_t)w);
    put32(44, (uint32_t)h);
    c[48] = (uint8_t)mode;
    c[49] = (uint8_t)frames;
    for (int f = 0; f < frames; ++f) {
        size_t at = c.size();
        c.resize(at + 8 + stream.size());
        put32(at, (uint32_t)stream.size());
        std::memcpy(&c[at + 4], stream.data(), stream.size());
        put32(at + 4 + stream.size(), (uint32_t)stream.size());
    }
    return c;
}

// The container built into orb.scr, read from its resources as data.
std::vector<uint8_t> BuiltinContainer() {
    std::vector<uint8_t> bytes;
    HMODULE module = LoadLibraryExA(gDriver.scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return bytes;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(250), (LPCSTR)RT_RCDATA);
    if (found) {
        const uint8_t *data = (const uint8_t *)LockResource(LoadResource(module, found));
        if (data) bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

std::string ContainerFolder() {
    std::string folder = InRunDir("cwd");
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\Scrsvr.lib").c_str());
    return folder;
}

// ---------------------------------------------------------------- shared steps

const int kBall = 128;

// The full-screen saver over the picture: starts it and waits until the
// screen shows the darkened picture with one ball on it.
Saver StartOverPicture(int percent, const char *folder, int spriteSide, Comparison *seen) {
    ShowPicture(0, 0, ScreenWidth(), ScreenHeight(), 0);
    MoveCursorTo(ScreenWidth() / 2, ScreenHeight() / 2);
    Shot shot;
    ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot);
    Comparison plain = CompareWithDimmed(shot, 100);
    if (plain.mismatches) {
        Fail("the test picture is not on the screen (%d pixels differ)", plain.mismatches);
        return Saver{nullptr, 0};
    }
    Saver saver = StartSaver(gDriver.scr, "/s", folder);
    if (!WaitForWindow(kSaverClass, "Screen Saver", nullptr, 10000))
        Fail("no full-screen saver window appeared");
    Comparison c;
    if (!WaitForDimmed(0, 0, ScreenWidth(), ScreenHeight(), percent, spriteSide, &c, &shot, 10000))
        ReportDimmed(c, percent);
    else
        SaveShot(shot, "");
    if (seen) *seen = c;
    return saver;
}

// The ball is seen at least twice in different places, each time with the
// rest of the screen exactly the darkened picture.
void ExpectBallMoves(int percent) {
    Comparison first = {}, later = {};
    Shot shot;
    int moved = 0;
    for (int i = 0; i < 10 && !moved; ++i) {
        Pump(60);
        ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot);
        Comparison c = CompareWithDimmed(shot, percent);
        if (!c.mismatches || BoxWidth(c.box) > kBall || BoxHeight(c.box) > kBall) {
            ReportDimmed(c, percent);
            return;
        }
        if (i == 0)
            first = c;
        else if (std::memcmp(&c.box, &first.box, sizeof c.box) != 0)
            later = c, moved = 1;
    }
    CHECK(moved, "the ball's rectangle did not change in 600 ms");
    (void)later;
}

// ---------------------------------------------------------------- cases

void CaseDim30() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    ExpectBallMoves(30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}

void CaseDim55() {
    StoreDimPercent(55);
    Saver saver = StartOverPicture(55, nullptr, kBall, nullptr);
    ExpectBallMoves(55);
    MoveCursorTo(ScreenWidth() / 2, ScreenHeight() / 2);
    Click();
    ExpectExit(saver, 5000, 0, "a mouse click");
    Stop(saver);
}

// The cursor is moved 4 pixels in total (3 right, 1 down): the saver stays.
// One more pixel ends it.
void CaseMouse() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    POINT before, after;
    GetCursorPos(&before);
    MouseMoveBy(3, 0);
    Pump(100);
    MouseMoveBy(0, 1);
    Pump(100);
    GetCursorPos(&after);
    if (after.x - before.x != 3 || after.y - before.y != 1)
        Fail("the pointer moved by (%ld,%ld), not (3,1)", after.x - before.x, after.y - before.y);
    Pump(500);
    CHECK(StillRunning(saver), "a 4-pixel move ended the saver");
    MouseMoveBy(1, 0);
    ExpectExit(saver, 5000, 0, "a 5-pixel move");
    Stop(saver);
}

// Another window taking the activation away ends the saver.
void CaseDeactivate() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    SetForegroundWindow(gPicture.window);
    ExpectExit(saver, 5000, 0, "losing the activation");
    Stop(saver);
}

void CaseSecondInstance() {
    Saver first = StartOverPicture(30, nullptr, kBall, nullptr);
    HWND window = FindWindowA(kSaverClass, "Screen Saver");
    Saver second = StartSaver(gDriver.scr, "/s", nullptr);
    ExpectExit(second, 10000, 0, "a second /s");
    Stop(second);
    CHECK(StillRunning(first), "the first saver ended when the second started");
    CHECK(FindWindowA(kSaverClass, "Screen Saver") == window, "the saver window changed");
    CHECK(GetForegroundWindow() == window, "the first saver's window is not in the foreground");
    PressKeys(1);
    ExpectExit(first, 5000, 0, "a key press on the first saver");
    Stop(first);
}

int RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The preview runs inside a window of ours whose client width (333) makes
// padded device-independent rows differ from the engine's.
void CasePreview() {
    const int width = 333, height = 251;
    HWND parent = ShowPicture(120, 90, width, height, 1);
    std::string arguments = "/p " + std::to_string((unsigned long)(uintptr_t)parent);
    Saver saver = StartSaver(gDriver.scr, arguments, nullptr);
    HWND child = WaitForWindow(kSaverClass, "Preview", parent, 10000);
    if (!child) {
        Fail("no preview window appeared inside the parent");
        Stop(saver);
        return;
    }
    RECT client, childBox;
    GetClientRect(parent, &client);
    GetWindowRect(child, &childBox);
    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    CHECK(childBox.left == origin.x && childBox.top == origin.y &&
              childBox.right - childBox.left == client.right &&
              childBox.bottom - childBox.top == client.bottom,
          "the preview (%ld,%ld %ldx%ld) does not fill the parent's client area (%ld,%ld %ldx%ld)",
          childBox.left, childBox.top, childBox.right - childBox.left,
          childBox.bottom - childBox.top, origin.x, origin.y, client.right, client.bottom);
    // Wine does not show what a process draws into a child of another
    // process's window, so the picture is only checked on Windows; the
    // padded rows of odd widths are checked full screen (dim30 at 1021x767).
    if (!RunningUnderWine()) {
        Comparison c;
        Shot shot;
        if (!WaitForDimmed(origin.x, origin.y, width, height, 30, kBall, &c, &shot, 10000))
            ReportDimmed(c, 30);
        else
            SaveShot(shot, "");
    }
    // A context-menu request goes to the parent, with the parent's handle.
    PostMessageA(child, WM_CONTEXTMENU, (WPARAM)child, MAKELPARAM(200, 200));
    PostMessageA(child, WM_KEYDOWN, 'Q', 0x00100001);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    Pump(600);
    CHECK(StillRunning(saver), "a key or a click ended the preview");
    CHECK(IsWindow(child), "the preview window is gone after a key and a click");
    CHECK(gPicture.forwardedMenus == 1, "the parent got %d forwarded context-menu requests, wanted 1",
          gPicture.forwardedMenus);
    DestroyWindow(parent);
    ExpectExit(saver, 5000, 0, "closing the parent");
    Stop(saver);
}

// Command lines that run nothing end at once with -1 and show no window.
void CaseBadSwitches() {
    const char *lines[] = {"/p", "/p 4000000001", "/p:1234", "/x", "/?", "/\t"};
    for (const char *line : lines) {
        Saver saver = StartSaver(gDriver.scr, line, nullptr);
        DWORD code = 0;
        if (!WaitExit(saver, 10000, &code))
            Fail("\"%s\" did not end", line);
        else
            CHECK(code == 0xFFFFFFFFu, "\"%s\" ended with %ld, wanted -1", line, (long)code);
        Stop(saver);
    }
}

// Tracks the solid test sprite with small, fast screen reads. Returns the
// positions seen, in order, without repeats; checks every sighting's size
// and colours.
std::vector<POINT> TrackSolidSprite(int w, int h, int level, DWORD ms, int *sightings) {
    std::vector<POINT> path;
    *sightings = 0;
    Shot shot;
    RECT area = {0, 0, ScreenWidth(), ScreenHeight()};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        ReadScreen(area.left, area.top, area.right - area.left, area.bottom - area.top, &shot);
        Comparison c = CompareWithDimmed(shot, 30);
        if (c.mismatches == 0) {
            area = {0, 0, ScreenWidth(), ScreenHeight()};
            continue;
        }
        ++*sightings;
        int x = c.box.left, y = c.box.top;
        if (BoxWidth(c.box) != w || BoxHeight(c.box) != h || c.box.left < area.left + 1 ||
            c.box.top < area.top + 1 || c.box.right > area.right - 1 ||
            c.box.bottom > area.bottom - 1) {
            if (area.right - area.left < ScreenWidth()) {  // ran out of the window: look again
                area = {0, 0, ScreenWidth(), ScreenHeight()};
                continue;
            }
            Fail("the sprite shows as a %dx%d box at (%d,%d), wanted %dx%d", BoxWidth(c.box),
                 BoxHeight(c.box), x, y, w, h);
            break;
        }
        for (int sy = y; sy < y + h; ++sy)
            for (int sx = x; sx < x + w; ++sx) {
                uint32_t dimmed = Dim(Picture(sx, sy), 30);
                uint32_t wanted = (sx == x + w - 1 && sy == y + h - 1) ? dimmed : Light(dimmed, level);
                if (shot.At(sx, sy) != wanted) {
                    Fail("sprite pixel (%d,%d) is %06X, wanted %06X", sx - x, sy - y,
                         shot.At(sx, sy), wanted);
                    return path;
                }
            }
        if (path.empty() || path.back().x != x || path.back().y != y) path.push_back({x, y});
        area = {x - 12, y - 12, x + w + 12, y + h + 12};
        if (area.left < 0) area.left = 0;
        if (area.top < 0) area.top = 0;
        if (area.right > ScreenWidth()) area.right = ScreenWidth();
        if (area.bottom > ScreenHeight()) area.bottom = ScreenHeight();
    }
    return path;
}

// A bouncing test sprite from "Scrsvr.lib" (64 x 48, so it cannot be the
// built-in ball) moves 2 pixels per tick along each axis.
void CaseContainerBounce() {
    const int w = 64, h = 48, level = 4;
    std::string folder = ContainerFolder();
    std::vector<uint8_t> container = SolidContainer(w, h, 1, 30, level);
    WriteFileBytes(folder + "\\Scrsvr.lib", container.data(), container.size());
    Saver saver = StartOverPicture(30, folder.c_str(), 64, nullptr);
    int sightings = 0;
    std::vector<POINT> path = TrackSolidSprite(w, h, level, 1500, &sightings);
    int W = ScreenWidth(), H = ScreenHeight();
    int unitSteps = 0, diagonal = 0, odd = 0;
    for (size_t i = 1; i < path.size(); ++i) {
        int dx = path[i].x - path[i - 1].x, dy = path[i].y - path[i - 1].y;
        int nearEdge = path[i].x < 16 || path[i].y < 16 || path[i].x > W - w - 16 ||
                       path[i].y > H - h - 16;
        if (nearEdge) continue;  // a bounce may lie between the two sightings
        if (std::abs(dx) == 2 && std::abs(dy) == 2) ++unitSteps;
        if (std::abs(dx) == std::abs(dy) && dx % 2 == 0) ++diagonal;
        else ++odd;
        if (odd == 1 && !(std::abs(dx) == std::abs(dy) && dx % 2 == 0))
            Note("step (%d,%d) from (%ld,%ld)", dx, dy, path[i - 1].x, path[i - 1].y);
    }
    Note("%d sightings, %zu positions, %d steps of exactly 2 px", sightings, path.size(), unitSteps);
    CHECK(path.size() >= 10, "the sprite was seen at only %zu places", path.size());
    CHECK(unitSteps >= 3, "no run of single 2-pixel ticks was seen (%d)", unitSteps);
    CHECK(odd == 0, "%d moves were not equal steps of 2 pixels per tick on both axes", odd);
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i].x < 2 || path[i].y < 2 || path[i].x > W - w - 2 || path[i].y > H - h - 2) {
            Fail("the sprite left the bounce range: (%ld,%ld)", path[i].x, path[i].y);
            break;
        }
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}

// An appearing test sprite: it shows up, stays in place for its frames,
// vanishes, and shows up elsewhere.
void CaseContainerAppear() {
    const int w = 64, h = 48, level = 4;
    std::string folder = ContainerFolder();
    std::vector<uint8_t> container = SolidContainer(w, h, 2, 15, level);
    WriteFileBytes(folder + "\\Scrsvr.lib", container.data(), container.size());
    Saver saver = StartOverPicture(30, folder.c_str(), 64, nullptr);
    Shot shot;
    int appearances = 0, gaps = 0, visible = 0;
    POINT at = {-1, -1};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 3000) {
        ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot);
        Comparison c = CompareWithDimmed(shot, 30);
        if (c.mismatches == 0) {
            if (visible) ++gaps;
            visible = 0;
            continue;
        }
        if (BoxWidth(c.box) != w || BoxHeight(c.box) != h) {
            Fail("the sprite shows as a %dx%d box, wanted %dx%d", BoxWidth(c.box),
                 BoxHeight(c.box), w, h);
            break;
        }
        if (!visible || at.x != c.box.left || at.y != c.box.top) ++appearances;
        visible = 1;
        at = {c.box.left, c.box.top};
    }
    Note("%d appearances, %d disappearances in 3 s", appearances, gaps);
    CHECK(appearances >= 2 && gaps >= 2, "the sprite did not come and go (%d appearances, %d gaps)",
          appearances, gaps);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}

// A "Scrsvr.lib" that is no container, or a cut-off one, is passed over: the
// built-in ball plays.
void CaseContainerBad(int truncate) {
    std::string folder = ContainerFolder();
    std::vector<uint8_t> bytes;
    if (truncate) {
        bytes = BuiltinContainer();
        CHECK(bytes.size() > 4096, "cannot read the built-in container from orb.scr");
        bytes.resize(bytes.size() / 3);
    } else {
        for (int i = 0; i < 5000; ++i) bytes.push_back((uint8_t)(i * 37 + 11));
    }
    WriteFileBytes(folder + "\\Scrsvr.lib", bytes.data(), bytes.size());
    Comparison seen;
    Saver saver = StartOverPicture(30, folder.c_str(), kBall, &seen);
    CHECK(BoxWidth(seen.box) > 64 || BoxHeight(seen.box) > 64,
          "the ball is only %dx%d", BoxWidth(seen.box), BoxHeight(seen.box));
    ExpectBallMoves(30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
}

// ---------------------------------------------------------------- 95/98 family

void BecomeWin98() { SetString(kAppDefaultsKey, "Version", "win98"); }

void SetPasswordAnswer(int answer) {
    WriteFileBytes(InRunDir("password-answer.txt"), answer ? "1" : "0", 1);
}

int VerifierCalls() { return CountLines(ReadText(InRunDir("password-calls.txt"))); }

void CaseWin98NoPassword() {
    BecomeWin98();
    DeleteFileA(InRunDir("password-calls.txt").c_str());
    SetPasswordAnswer(0);
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press without a password");
    CHECK(VerifierCalls() == 0, "the verifier was asked although no password is in use");
    Stop(saver);
}

void CaseWin98Password() {
    BecomeWin98();
    SetDword(kDesktopKey, "ScreenSaveUsePassword", 1);
    DeleteFileA(InRunDir("password-calls.txt").c_str());
    SetPasswordAnswer(0);
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    // Two presses at once: the second lands within 200 ms of the refusal
    // (the stand-in takes 50 ms to answer) and must ask nothing.
    PressKeys(2);
    Pump(700);
    CHECK(StillRunning(saver), "a refused password ended the saver");
    CHECK(VerifierCalls() == 1, "the verifier was asked %d times for two quick keys, wanted 1",
          VerifierCalls());
    ExpectBallMoves(30);
    SetPasswordAnswer(1);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "an accepted password");
    CHECK(VerifierCalls() == 2, "the verifier was asked %d times in all, wanted 2", VerifierCalls());
    Stop(saver);
}

void CaseChangePassword(int win98) {
    if (win98) BecomeWin98();
    DeleteFileA(InRunDir("mpr-calls.txt").c_str());
    ShowPicture(200, 200, 200, 100, 1);
    std::string arguments = "/a " + std::to_string((unsigned long)(uintptr_t)gPicture.window);
    Saver saver = StartSaver(gDriver.scr, arguments, nullptr);
    ExpectExit(saver, 10000, win98 ? 0 : 0xFFFFFFFFu, "the password change");
    Stop(saver);
    std::string log = ReadText(InRunDir("mpr-calls.txt"));
    if (win98) {
        char wanted[128];
        std::snprintf(wanted, sizeof wanted, "provider=SCRSAVE owner=%lu\n",
                      (unsigned long)(uintptr_t)gPicture.window);
        CHECK(log == wanted, "MPR's password change saw \"%s\", wanted \"%s\"", log.c_str(), wanted);
    } else {
        CHECK(log.empty(), "the password change ran outside the 95/98 family: \"%s\"", log.c_str());
    }
}

// ---------------------------------------------------------------- the file itself

// What the system's display settings rely on: the display name in string 1,
// the two exports by name, the animation and the manifest.
void CaseResources() {
    HMODULE data = LoadLibraryExA(gDriver.scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!data) {
        Fail("cannot open %s as data", gDriver.scr.c_str());
        return;
    }
    char name[64] = "";
    LoadStringA(data, 1, name, sizeof name);
    CHECK(std::strcmp(name, "Orb") == 0, "string 1 is \"%s\", wanted \"Orb\"", name);
    HRSRC manifest = FindResourceA(data, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    std::string text;
    if (manifest) {
        const char *bytes = (const char *)LockResource(LoadResource(data, manifest));
        if (bytes) text.assign(bytes, SizeofResource(data, manifest));
    }
    CHECK(text.find("PerMonitorV2") != std::string::npos && text.find("supportedOS") != std::string::npos,
          "no per-monitor DPI-aware manifest with supported OS entries");
    CHECK(BuiltinContainer().size() > 292, "no animation container in RCDATA 250");
    FreeLibrary(data);
    HMODULE code = LoadLibraryA(gDriver.scr.c_str());
    CHECK(code && GetProcAddress(code, "ScreenSaverProc"), "ScreenSaverProc is not exported");
    CHECK(code && GetProcAddress(code, "ScreenSaverConfigureDialog"),
          "ScreenSaverConfigureDialog is not exported");
    if (code) FreeLibrary(code);
}

// ---------------------------------------------------------------- fault guard

// The saver's fault guard (host/fault_guard.cpp) is linked into the driver:
// a child copy of the driver faults under it. The system must be left to
// decide (the suite turns Wine's debugger off, as a machine without one
// would be), and then the guard clears the running state and ends the process
// with the fault exit code.
int FaultyBody(void *) {
    volatile int *nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

int QuietBody(void *) { return 7; }

int RunFaultChild() {
    if (RunUnderFaultGuard(QuietBody, nullptr) != 7) return 3;
    RunUnderFaultGuard(FaultyBody, nullptr);
    return 4;  // not reached
}

void CaseFaultGuard() {
    DeleteFileA(InRunDir("running-cleared.txt").c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    Saver child = StartSaver(self, "fault-child \"" + gDriver.scr + "\" \"" + gDriver.runDir + "\"",
                             nullptr);
    ExpectExit(child, 20000, (DWORD)kFaultExitCode, "a fault under the guard");
    Stop(child);
    CHECK(ReadText(InRunDir("running-cleared.txt")) == "0",
          "the guard did not clear the running state");
}

// ---------------------------------------------------------------- showcase

// Not a test: scripts/run-wine.sh shows the saver over a sample desktop
// picture (a .bmp) for a while, keeps a screenshot and ends it with a key.
struct Showcase {
    HBITMAP picture;
};
Showcase gShowcase;

LRESULT CALLBACK ShowcaseProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, gShowcase.picture);
        BITMAP info;
        GetObjectA(gShowcase.picture, sizeof info, &info);
        RECT client;
        GetClientRect(window, &client);
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunShowcase(const char *bitmapPath, int seconds) {
    gShowcase.picture = (HBITMAP)LoadImageA(nullptr, bitmapPath, IMAGE_BITMAP, 0, 0,
                                            LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!gShowcase.picture) {
        Fail("cannot load %s", bitmapPath);
        return 1;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ShowcaseProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrbShowcase";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, "OrbShowcase", "Orb sample desktop", WS_POPUP | WS_VISIBLE, 0, 0,
                    ScreenWidth(), ScreenHeight(), nullptr, nullptr, GetModuleHandleA(nullptr),
                    nullptr);
    Pump(500);
    Saver saver = StartSaver(gDriver.scr, "/s", nullptr);
    Pump((DWORD)seconds * 1000);
    Shot shot;
    if (ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot)) SaveShot(shot, "");
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
    return gDriver.failures ? 1 : 0;
}

// ---------------------------------------------------------------- main

struct Case {
    const char *name;
    void (*run)();
};

const Case kCases[] = {
    {"dim30", CaseDim30},
    {"dim55", CaseDim55},
    {"mouse", CaseMouse},
    {"second-instance", CaseSecondInstance},
    {"deactivate", CaseDeactivate},
    {"preview", CasePreview},
    {"bad-switches", CaseBadSwitches},
    {"container-bounce", CaseContainerBounce},
    {"container-appear", CaseContainerAppear},
    {"container-corrupt", [] { CaseContainerBad(0); }},
    {"container-truncated", [] { CaseContainerBad(1); }},
    {"win98-no-password", CaseWin98NoPassword},
    {"win98-password", CaseWin98Password},
    {"win98-change-password", [] { CaseChangePassword(1); }},
    {"change-password-refused", [] { CaseChangePassword(0); }},
    {"smoke", CaseDim30},
    {"fault-guard", CaseFaultGuard},
    {"resources", CaseResources},
};

}  // namespace

#include "hostile_cases.inc"  // kHostileCases

// What the guard calls once it has handled a fault; the real one talks to the
// 95/98 system, this one leaves a note for the test.
void SetSaverRunning(int running) {
    WriteFileBytes(InRunDir("running-cleared.txt"), running ? "1" : "0", 1);
}

int main(int argc, char **argv) {
    if (argc < 4) {
        std::printf("usage: orb_wine_driver <case> <orb.scr> <run folder>\n"
                    "       orb_wine_driver showcase <orb.scr> <run folder> <picture.bmp> <seconds>\n");
        return 2;
    }
    gDriver.caseName = argv[1];
    gDriver.scr = argv[2];
    gDriver.runDir = argv[3];
    if (gDriver.caseName == "fault-child") return RunFaultChild();
    if (gDriver.caseName == "showcase" && argc == 6) return RunShowcase(argv[4], std::atoi(argv[5]));
    std::vector<Case> cases(std::begin(kCases), std::end(kCases));
    cases.insert(cases.end(), std::begin(kHostileCases), std::end(kHostileCases));
    for (const Case &c : cases) {
        if (gDriver.caseName != c.name) continue;
        ResetRegistry();
        c.run();
        ResetRegistry();
        std::printf("%s %s\n", gDriver.failures ? "FAILED" : "passed", c.name);
        return gDriver.failures ? 1 : 0;
    }
    std::printf("unknown case %s\n", argv[1]);
    return 2;
}
