// edge_win32.cpp -- the engine's edge on Windows: the saver window of orb.scr.
//
// The window is an HWND. Pixels go in and out as 24-bit device-independent
// bitmaps. GDI pads every such row to a multiple of 4 bytes while the engine's
// rows are exactly width * 3. The capture, and for widths where the two
// differ the presentation too, go through a scratch band of a few hundred
// padded rows taken in EdgeOpen: a 32-bit saver on a very large virtual
// screen could not hold a second screen-sized image, let alone a third, beside
// the engine's own. For the usual widths (multiples of 4) the engine's buffer
// is presented directly.
#include <windows.h>

#include <cstring>
#include <ctime>

#include "ball_choice.h"
#include "edge.h"
#include "system_library.h"

namespace {

enum {
    kTimerId = 1,
    kTimerPeriodMs = 10,
    kContainerResourceId = 250,
    kFineContainerResourceId = 260,  // the fine balls, in the same order
    kPixelsPerMetre = 100,
    // A band's padded rows take about a megabyte: little beside any screen's
    // picture, and still a few hundred rows of the usual screens.
    kBandBytes = 1 << 20,
    kMinBandRows = 264,  // the largest ball with its margin fits one band
};

struct Win32Edge {
    int32_t width, height;   // the engine's image
    uint32_t paddedStride;   // bytes per GDI row of a width-pixel image
    int32_t bandRows;        // rows of the scratch band
    int32_t padded;          // GDI's rows are longer than the engine's
    uint8_t *scratch;        // paddedStride * bandRows bytes
    BITMAPINFOHEADER image;  // the whole width x height image, rows top first
    BITMAPINFOHEADER band;   // one width x bandRows band, rows top first
    BITMAPINFOHEADER part;   // one presented rectangle in the scratch
};

Win32Edge gWin32Edge;

uint32_t PaddedStride(int32_t width) { return ((uint32_t)width * 3 + 3) & ~3u; }

int32_t Smaller(int32_t a, int32_t b) { return a < b ? a : b; }

void FillBitmapHeader(BITMAPINFOHEADER *header, int32_t width, int32_t height) {
    std::memset(header, 0, sizeof *header);
    header->biSize = sizeof *header;
    header->biWidth = width;
    header->biHeight = -height;  // negative: rows run from top to bottom
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    header->biXPelsPerMeter = kPixelsPerMetre;
    header->biYPelsPerMeter = kPixelsPerMetre;
}

HWND AsWindow(EdgeWindow window) { return (HWND)window; }

// Copies `rows` rows of `cx` pixels from the engine's image at (left, top)
// into the scratch as GDI rows of `stride` bytes.
void FillScratch(const uint8_t *pixels, int32_t left, int32_t top, int32_t cx, int32_t rows,
                 uint32_t stride) {
    Win32Edge &e = gWin32Edge;
    for (int32_t row = 0; row < rows; ++row)
        std::memcpy(e.scratch + (size_t)row * stride,
                    pixels + ((size_t)(top + row) * e.width + left) * 3, (size_t)cx * 3);
}

// Reads the whole band bitmap (selected in memoryDc) into the scratch and
// keeps its first `rows` rows as the engine's rows from `firstRow` on. The
// bitmap is read whole, with a header of its own height, so that GDI's
// numbering of its scan lines is never in question.
int ReadBand(HDC memoryDc, HBITMAP bitmap, uint8_t *pixels, int32_t firstRow, int32_t rows) {
    Win32Edge &e = gWin32Edge;
    if (!GetDIBits(memoryDc, bitmap, 0, (UINT)e.bandRows, e.scratch, (BITMAPINFO *)&e.band,
                   DIB_RGB_COLORS))
        return 0;
    size_t rowBytes = (size_t)e.width * 3;
    for (int32_t row = 0; row < rows; ++row)
        std::memcpy(pixels + (size_t)(firstRow + row) * rowBytes,
                    e.scratch + (size_t)row * e.paddedStride, rowBytes);
    return 1;
}

}  // namespace

int EdgeClientSize(EdgeWindow window, int32_t *width, int32_t *height) {
    RECT client;
    if (!GetClientRect(AsWindow(window), &client)) {
        *width = *height = 0;
        return 0;
    }
    *width = client.right;
    *height = client.bottom;
    return 1;
}

int EdgeOpen(EdgeWindow, int32_t width, int32_t height) {
    EdgeClose(nullptr);
    Win32Edge &e = gWin32Edge;
    if (width <= 0 || height <= 0) return 0;
    e.width = width;
    e.height = height;
    e.paddedStride = PaddedStride(width);
    e.padded = e.paddedStride != (uint32_t)width * 3;
    int32_t rows = (int32_t)(kBandBytes / e.paddedStride);
    e.bandRows = Smaller(rows < kMinBandRows ? kMinBandRows : rows, height);
    FillBitmapHeader(&e.image, width, height);
    FillBitmapHeader(&e.band, width, e.bandRows);
    e.scratch = (uint8_t *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)e.paddedStride * e.bandRows);
    return e.scratch != nullptr;
}

void EdgeClose(EdgeWindow) {
    Win32Edge &e = gWin32Edge;
    if (e.scratch) HeapFree(GetProcessHeap(), 0, e.scratch);
    std::memset(&e, 0, sizeof e);
}

// The copy is taken from the screen's context at the client area's screen
// position, not from the window's own context: on composited desktops (and
// under Wine) a window that has just been created reads back its own unpainted
// surface, which would dim a black screen instead of the desktop. It goes
// band by band through a band-sized bitmap.
int CaptureScreen(EdgeWindow window, uint8_t *pixels, int32_t width, int32_t height) {
    Win32Edge &e = gWin32Edge;
    if (width != e.width || height != e.height || width <= 0 || height <= 0 || !e.scratch)
        return 0;

    HDC displayDc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!displayDc) return 0;
    HDC memoryDc = CreateCompatibleDC(displayDc);
    HBITMAP bitmap = CreateCompatibleBitmap(displayDc, width, e.bandRows);
    DeleteDC(displayDc);
    if (!memoryDc || !bitmap) {
        if (bitmap) DeleteObject(bitmap);
        if (memoryDc) DeleteDC(memoryDc);
        return 0;
    }
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);

    POINT origin = {0, 0};
    ClientToScreen(AsWindow(window), &origin);
    HDC screenDc = GetDC(nullptr);
    int ok = screenDc != nullptr;
    for (int32_t row = 0; ok && row < height; row += e.bandRows) {
        int32_t rows = Smaller(e.bandRows, height - row);
        ok = BitBlt(memoryDc, 0, 0, width, rows, screenDc, origin.x, origin.y + row, SRCCOPY) &&
             ReadBand(memoryDc, bitmap, pixels, row, rows);
    }

    if (screenDc) ReleaseDC(nullptr, screenDc);
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    return ok;
}

void PresentRect(EdgeWindow window, const uint8_t *pixels, int32_t width, int32_t height,
                 int32_t x, int32_t y, int32_t cx, int32_t cy) {
    Win32Edge &e = gWin32Edge;
    if (width != e.width || height != e.height) return;
    // Clip to the image so that GDI never reads outside the engine's buffer.
    int32_t left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
    int32_t right = x + cx > width ? width : x + cx;
    int32_t bottom = y + cy > height ? height : y + cy;
    if (left >= right || top >= bottom) return;
    cx = right - left;
    cy = bottom - top;

    HWND hwnd = AsWindow(window);
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    if (!e.padded) {
        // The source row counts from the bottom of the image even though its
        // rows are stored top first: that is how GDI addresses a top-down DIB
        // here.
        SetDIBitsToDevice(dc, left, top, (DWORD)cx, (DWORD)cy, left, height - top - cy, 0,
                          (UINT)height, pixels, (BITMAPINFO *)&e.image, DIB_RGB_COLORS);
    } else {
        uint32_t stride = PaddedStride(cx);
        for (int32_t row = top; row < bottom; row += e.bandRows) {
            int32_t rows = Smaller(e.bandRows, bottom - row);
            FillScratch(pixels, left, row, cx, rows, stride);
            FillBitmapHeader(&e.part, cx, rows);
            SetDIBitsToDevice(dc, left, row, (DWORD)cx, (DWORD)rows, 0, 0, 0, (UINT)rows,
                              e.scratch, (BITMAPINFO *)&e.part, DIB_RGB_COLORS);
        }
    }
    ReleaseDC(hwnd, dc);
}

uint32_t EdgeStartTimer(EdgeWindow window) {
    return (uint32_t)SetTimer(AsWindow(window), kTimerId, kTimerPeriodMs, nullptr);
}

void EdgeStopTimer(EdgeWindow window, uint32_t timerId) { KillTimer(AsWindow(window), timerId); }

// The balls are RCDATA 250 (the 128), 251, ... in the order of kBallSides;
// the fine ones 260, 261, ... in the same order.
static const uint8_t *BallResource(int32_t firstId, int32_t side, uint32_t *size) {
    *size = 0;
    int32_t index = 0;
    while (index < kBallSideCount && kBallSides[index] != side) ++index;
    if (index == kBallSideCount) return nullptr;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(firstId + index), (LPCSTR)RT_RCDATA);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const uint8_t *data = loaded ? (const uint8_t *)LockResource(loaded) : nullptr;
    if (data) *size = (uint32_t)SizeofResource(module, found);
    return data;
}

const uint8_t *EdgeBuiltinContainer(int32_t side, uint32_t *size) {
    return BallResource(kContainerResourceId, side, size);
}

const uint8_t *EdgeBuiltinFineContainer(int32_t side, uint32_t *size) {
    return BallResource(kFineContainerResourceId, side, size);
}

uint32_t EdgeClockSeconds(void) { return (uint32_t)time(nullptr); }

namespace {

// The primary monitor's DPI. The process is per-monitor DPI aware (its
// manifest says so), so GetDpiForMonitor (SHCORE.DLL, Windows 8.1 on) gives
// the monitor's own; both it and MonitorFromPoint are looked up by name, as
// older systems lack them. Before 8.1 there is no system SHCORE.DLL at all,
// so only the system folder may be asked for it. 0 when there is no answer.
UINT PrimaryMonitorDpi(void) {
    typedef HMONITOR(WINAPI * MonitorFromPointFn)(POINT, DWORD);
    typedef HRESULT(WINAPI * GetDpiForMonitorFn)(HMONITOR, int, UINT *, UINT *);
    const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    HMODULE user = GetModuleHandleA("USER32.DLL");
    MonitorFromPointFn monitorFromPoint =
        user ? (MonitorFromPointFn)(void *)GetProcAddress(user, "MonitorFromPoint") : nullptr;
    HMODULE shcore = LoadSystemLibrary("SHCORE.DLL");
    GetDpiForMonitorFn getDpi =
        shcore ? (GetDpiForMonitorFn)(void *)GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
    UINT dpiX = 0, dpiY = 0;
    if (monitorFromPoint && getDpi) {
        HMONITOR primary = monitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        if (getDpi(primary, kEffectiveDpi, &dpiX, &dpiY) != S_OK) dpiX = 0;
    }
    if (shcore) FreeLibrary(shcore);
    return dpiX;
}

}  // namespace

// Where monitors differ, the primary one's scale counts. Before Windows 8.1
// the screen's logical DPI is the system's, which is the same thing there.
int32_t EdgeDisplayScale(EdgeWindow window) {
    if (GetWindowLongA(AsWindow(window), GWL_STYLE) & WS_CHILD) return 100;  // a preview
    UINT dpi = PrimaryMonitorDpi();
    if (!dpi) {
        HDC screen = GetDC(nullptr);
        dpi = screen ? (UINT)GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) ReleaseDC(nullptr, screen);
    }
    return dpi ? (int32_t)(dpi * 100 / 96) : 100;
}
