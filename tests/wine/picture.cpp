// picture.cpp -- the test picture, its window and the comparisons against it
// (see picture.h).
#include "picture.h"

#include <cstring>

PictureWindow gPicture;

namespace {

// Channel values whose darkening the tests know: 255 -> 75, 128 -> 38,
// 100 -> 29 at 30 %. Each channel varies along its own direction so that a
// row or column out of place shows.
const uint8_t kLevels[4] = {0, 100, 128, 255};

uint32_t DimChannel(uint32_t v, int percent) {
    int32_t factor = percent * 256 / 100;
    return (uint32_t)(((int32_t)v * factor) >> 8) & 0xFF;
}

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
    // Only a sent help request brings its HELPINFO along; a posted one's
    // lParam is an address in the sender's process.
    if (message == WM_HELP && InSendMessage() && ((HELPINFO *)lParam)->cbSize == sizeof(HELPINFO))
        gPicture.helpFrom = (HWND)((HELPINFO *)lParam)->hItemHandle;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registers the window class (once; later calls fail harmlessly) and fills
// the pixels of a width x height picture.
void PreparePicture(int width, int height) {
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
}

}  // namespace

uint32_t Picture(int x, int y) {
    uint32_t b = kLevels[(x >> 3) & 3], g = kLevels[(y >> 3) & 3];
    uint32_t r = kLevels[((x >> 5) + (y >> 5)) & 3];
    return r << 16 | g << 8 | b;
}

uint32_t Dim(uint32_t rgb, int percent) {
    return DimChannel(rgb >> 16 & 0xFF, percent) << 16 | DimChannel(rgb >> 8 & 0xFF, percent) << 8 |
           DimChannel(rgb & 0xFF, percent);
}

// Blue, green and red lit with carries through the low bits of green and red,
// as the renderer lights them.
uint32_t Light(uint32_t rgb, int level) {
    uint32_t v = ((rgb & 0xFF) | (rgb >> 8 & 0xFF) << 8 | (rgb >> 16 & 0xFF) << 16) & 0x00FEFEFF;
    v += (uint32_t)level * 0x080808;
    if (v & 0x100) v |= 0xFF;
    if (v & 0x10000) v |= 0xFF00;
    if (v & 0x1000000) v |= 0xFF0000;
    return (v & 0xFF) | (v >> 8 & 0xFF) << 8 | (v >> 16 & 0xFF) << 16;
}

HWND ShowPicture(int x, int y, int width, int height, int framed) {
    PreparePicture(width, height);
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

// A popup at (0, 0), since the system would cut an overlapped window down to
// the screen. Shown without activation, Wine leaves it to itself rather than
// to a window manager, and destroying it costs no wait for one (the suite's
// Xvfb has none).
HWND ShowPreviewParent(int width, int height) {
    PreparePicture(width, height);
    gPicture.originX = gPicture.originY = 0;
    gPicture.window = CreateWindowExA(0, "OrbTestPicture", "Orb preview parent",
                                      WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(gPicture.window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(gPicture.window);
    Pump(100);
    return gPicture.window;
}

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

int WaitForPicture(DWORD timeoutMs) {
    Shot shot;
    DWORD start = GetTickCount();
    do {
        ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot);
        if (CompareWithDimmed(shot, 100).mismatches == 0) return 1;
        Pump(20);
    } while (GetTickCount() - start < timeoutMs);
    return 0;
}

RECT PrimaryScreen() { return RECT{0, 0, ScreenWidth(), ScreenHeight()}; }

Saver StartOverPictureIn(const RECT &area, int percent, const char *folder, int spriteSide,
                         Comparison *seen) {
    const int x = area.left, y = area.top, w = BoxWidth(area), h = BoxHeight(area);
    ShowPicture(x, y, w, h, 0);
    MoveCursorTo(ScreenWidth() / 2, ScreenHeight() / 2);
    Shot shot;
    ReadScreen(x, y, w, h, &shot);
    Comparison plain = CompareWithDimmed(shot, 100);
    if (plain.mismatches) {
        Fail("the test picture is not on the screen (%d pixels differ)", plain.mismatches);
        return Saver{nullptr, 0, 0};
    }
    Saver saver = StartSaver(gHarness.scr, "/s", folder);
    if (!WaitForWindow(kSaverClass, "Screen Saver", nullptr, 10000))
        Fail("no full-screen saver window appeared");
    Comparison c;
    if (!WaitForDimmed(x, y, w, h, percent, spriteSide, &c, &shot, 10000))
        ReportDimmed(c, percent);
    else
        SaveShot(shot, "");
    if (seen) *seen = c;
    return saver;
}

Saver StartOverPicture(int percent, const char *folder, int spriteSide, Comparison *seen) {
    return StartOverPictureIn(PrimaryScreen(), percent, folder, spriteSide, seen);
}

void ExpectBallMovesIn(const RECT &area, int percent) {
    Comparison first = {};
    Shot shot;
    int moved = 0;
    for (int i = 0; i < 10 && !moved; ++i) {
        Pump(60);
        ReadScreen(area.left, area.top, BoxWidth(area), BoxHeight(area), &shot);
        Comparison c = CompareWithDimmed(shot, percent);
        if (!c.mismatches || BoxWidth(c.box) > kBall || BoxHeight(c.box) > kBall) {
            ReportDimmed(c, percent);
            return;
        }
        if (i == 0)
            first = c;
        else if (std::memcmp(&c.box, &first.box, sizeof c.box) != 0)
            moved = 1;
    }
    CHECK(moved, "the ball's rectangle did not change in 600 ms");
}

void ExpectBallMoves(int percent) { ExpectBallMovesIn(PrimaryScreen(), percent); }
