// The X11 backend of edge.h: capture from the root window, present through a
// scratch image in the drawable's own pixel format.
#include "edge_x11.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "edge.h"


X11Edge gX11Edge = {};

void X11EdgeReset(void) {
    gX11Edge = X11Edge{};
    gX11Edge.allowShm = 1;
    gX11Edge.shm.shmid = -1;
}

// Xlib reports protocol errors asynchronously to one process-wide handler.
// The edge swaps in its own around the few requests that may fail for
// reasons outside our control (a capture rectangle the server refuses, a
// remote display that cannot share memory), then syncs to collect them.
static int RecordXError(Display *, XErrorEvent *event) {
    gX11Edge.xErrorCode = event->error_code;
    return 0;
}

typedef int (*XErrorHandlerFn)(Display *, XErrorEvent *);

static XErrorHandlerFn BeginErrorTrap(void) {
    gX11Edge.xErrorCode = 0;
    return XSetErrorHandler(RecordXError);
}

// Returns 1 when no error came back for the requests since BeginErrorTrap.
static int EndErrorTrap(XErrorHandlerFn previous) {
    XSync(gX11Edge.display, False);
    XSetErrorHandler(previous);
    return gX11Edge.xErrorCode == 0;
}

static void MaskShape(unsigned long mask, int *shift, int *bits) {
    *shift = 0;
    *bits = 0;
    if (!mask) return;
    while (!(mask & 1)) mask >>= 1, ++*shift;
    while (mask & 1) mask >>= 1, ++*bits;
}

static int HostIsLittleEndian(void) {
    const uint16_t probe = 1;
    return *(const uint8_t *)&probe == 1;
}

static X11PixelFormat DescribeFormat(const Visual *visual, const XImage *image) {
    X11PixelFormat f = {};
    f.redMask = visual->red_mask;
    f.greenMask = visual->green_mask;
    f.blueMask = visual->blue_mask;
    MaskShape(f.redMask, &f.redShift, &f.redBits);
    MaskShape(f.greenMask, &f.greenShift, &f.greenBits);
    MaskShape(f.blueMask, &f.blueShift, &f.blueBits);
    int hostOrder = HostIsLittleEndian() ? LSBFirst : MSBFirst;
    f.fast = image->bits_per_pixel == 32 && f.redBits == 8 && f.greenBits == 8 &&
             f.blueBits == 8 && image->byte_order == hostOrder;
    // A compositor would show an ARGB window's zero alpha as transparent.
    if (image->depth == 32) f.opaque = 0xFFFFFFFFul & ~(f.redMask | f.greenMask | f.blueMask);
    return f;
}

int X11VisualUsable(const Visual *visual) {
    if (!visual || visual->c_class != TrueColor) return 0;
    return visual->red_mask && visual->green_mask && visual->blue_mask;
}

// An 8-bit channel value in a mask of `bits` bits at `shift`.
static inline unsigned long PackChannel(unsigned value, int shift, int bits) {
    unsigned long v = bits >= 8 ? (unsigned long)value << (bits - 8) : value >> (8 - bits);
    return v << shift;
}

static inline uint8_t UnpackChannel(unsigned long pixel, unsigned long mask, int shift, int bits) {
    unsigned long v = (pixel & mask) >> shift;
    if (bits >= 8) return (uint8_t)(v >> (bits - 8));
    unsigned long top = (1ul << bits) - 1;
    return (uint8_t)((v * 255 + top / 2) / top);
}

int X11EdgeAttach(Display *display, Window drawable, int captureX, int captureY) {
    XWindowAttributes attributes;
    if (!display || !XGetWindowAttributes(display, drawable, &attributes)) return 0;
    gX11Edge.display = display;
    gX11Edge.drawable = drawable;
    gX11Edge.visual = attributes.visual;
    gX11Edge.depth = attributes.depth;
    gX11Edge.width = attributes.width;
    gX11Edge.height = attributes.height;
    gX11Edge.captureX = captureX;
    gX11Edge.captureY = captureY;
    return 1;
}

int EdgeClientSize(EdgeWindow, int32_t *width, int32_t *height) {
    *width = gX11Edge.width;
    *height = gX11Edge.height;
    return gX11Edge.display != nullptr;
}

// The scratch image is a strip of about 2 MB, not the whole client area:
// puts and captures pass through it a band of rows at a time. Ticks only
// ever put the ball's rectangle, and a screen-sized segment would be touched
// page by page on the first frame, by us and by the server, for nothing.
enum { kScratchBytes = 2 << 20 };

// Bytes of one row of `width` pixels, padded as the server pads them.
static size_t RowBytes(const XImage *im, int width) {
    return (size_t)((width * im->bits_per_pixel + im->bitmap_pad - 1) / im->bitmap_pad) *
           (size_t)(im->bitmap_pad / 8);
}

// Rows of `width` pixels that fit in the scratch at once (at least one).
static int ScratchRows(int width) {
    size_t rows = gX11Edge.scratchBytes / RowBytes(gX11Edge.image, width);
    return rows < 1 ? 1 : rows > 32767 ? 32767 : (int)rows;
}

// Lays the scratch out as `width` x `rows`, rows packed as the server expects
// them in a segment (every put and get tells it the image's whole size).
static void ShapeScratch(int width, int rows) {
    XImage *im = gX11Edge.image;
    im->width = width;
    im->height = rows;
    im->bytes_per_line = (int)RowBytes(im, width);
}

// Rows of the client area's width in about kScratchBytes.
static int StripRows(int32_t width, int32_t height) {
    int rows = kScratchBytes / (width * 4);
    return rows < 1 ? 1 : rows > height ? height : rows;
}

// A shared-memory scratch image, or null when the server or the system
// will not share memory with us.
static XImage *CreateShmImage(int32_t width, int32_t height) {
    X11Edge &e = gX11Edge;
    if (!e.allowShm || !XShmQueryExtension(e.display)) return nullptr;
    XImage *image = XShmCreateImage(e.display, e.visual, (unsigned)e.depth, ZPixmap, nullptr,
                                    &e.shm, (unsigned)width, (unsigned)StripRows(width, height));
    if (!image) return nullptr;
    size_t bytes = (size_t)image->bytes_per_line * (size_t)image->height;
    e.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (e.shm.shmid < 0) {
        XDestroyImage(image);
        return nullptr;
    }
    e.shm.shmaddr = image->data = (char *)shmat(e.shm.shmid, nullptr, 0);
    e.shm.readOnly = False;
    int attached = 0;
    if (e.shm.shmaddr != (char *)-1) {
        XErrorHandlerFn previous = BeginErrorTrap();
        XShmAttach(e.display, &e.shm);
        attached = EndErrorTrap(previous);
    }
    // Marked for removal now, so the segment goes with the last detach even
    // if the process is killed.
    shmctl(e.shm.shmid, IPC_RMID, nullptr);
    if (!attached) {
        if (e.shm.shmaddr != (char *)-1) shmdt(e.shm.shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        e.shm.shmid = -1;
        return nullptr;
    }
    return image;
}

static XImage *CreatePlainImage(int32_t width, int32_t height) {
    X11Edge &e = gX11Edge;
    XImage *image = XCreateImage(e.display, e.visual, (unsigned)e.depth, ZPixmap, 0, nullptr,
                                 (unsigned)width, (unsigned)StripRows(width, height), 32, 0);
    if (!image) return nullptr;
    image->data = (char *)calloc((size_t)image->bytes_per_line, (size_t)image->height);
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

int EdgeOpen(EdgeWindow, int32_t width, int32_t height) {
    X11Edge &e = gX11Edge;
    if (!e.display || !X11VisualUsable(e.visual) || width <= 0 || height <= 0) return 0;
    e.image = CreateShmImage(width, height);
    e.usingShm = e.image != nullptr;
    e.shmPending = 0;
    e.shmCompletionType = e.usingShm ? XShmGetEventBase(e.display) + ShmCompletion : -1;
    if (!e.image) e.image = CreatePlainImage(width, height);
    if (!e.image) return 0;
    e.scratchBytes = (size_t)e.image->bytes_per_line * (size_t)e.image->height;
    e.format = DescribeFormat(e.visual, e.image);
    XGCValues values;
    values.graphics_exposures = False;
    e.gc = XCreateGC(e.display, e.drawable, GCGraphicsExposures, &values);
    return 1;
}

void EdgeClose(EdgeWindow) {
    X11Edge &e = gX11Edge;
    if (!e.display) return;
    if (e.gc) XFreeGC(e.display, e.gc);
    e.gc = nullptr;
    if (e.image && e.usingShm) {
        XShmDetach(e.display, &e.shm);
        e.shmPending = 0;
        XSync(e.display, False);
        shmdt(e.shm.shmaddr);
        e.image->data = nullptr;
        e.shm.shmid = -1;
    }
    if (e.image) XDestroyImage(e.image);  // frees a plain image's pixels too
    e.image = nullptr;
    e.usingShm = 0;
}

static Bool IsShmCompletion(Display *, XEvent *event, XPointer) {
    return event->type == gX11Edge.shmCompletionType;
}

// Usually the completion came long ago and the host has passed it on; this
// waits only when the server is behind. A sync rather than a wait for the
// event: a drawable that vanished sends no completion.
static void WaitForShmCompletion(void) {
    X11Edge &e = gX11Edge;
    XEvent event;
    XSync(e.display, False);  // every earlier put has been read once it returns
    while (XCheckIfEvent(e.display, &event, IsShmCompletion, nullptr)) {
    }
    e.shmPending = 0;
}

// Root pixels of `image` into the engine's BGR rows at (dx, dy).
static void ImageToBgr(XImage *image, const X11PixelFormat &f, uint8_t *pixels, int32_t width,
                       int dx, int dy) {
    for (int row = 0; row < image->height; ++row) {
        uint8_t *out = pixels + ((size_t)(dy + row) * (size_t)width + (size_t)dx) * 3;
        if (f.fast) {
            const uint32_t *in = (const uint32_t *)(image->data + (size_t)row * image->bytes_per_line);
            const int bs = f.blueShift, gs = f.greenShift, rs = f.redShift, n = image->width;
            for (int col = 0; col < n; ++col, out += 3) {
                uint32_t p = in[col];
                out[0] = (uint8_t)(p >> bs);
                out[1] = (uint8_t)(p >> gs);
                out[2] = (uint8_t)(p >> rs);
            }
            continue;
        }
        for (int col = 0; col < image->width; ++col, out += 3) {
            unsigned long p = XGetPixel(image, col, row);
            out[0] = UnpackChannel(p, f.blueMask, f.blueShift, f.blueBits);
            out[1] = UnpackChannel(p, f.greenMask, f.greenShift, f.greenBits);
            out[2] = UnpackChannel(p, f.redMask, f.redShift, f.redBits);
        }
    }
}

// The whole client area lies on the screen in the scratch image's own format:
// read it through the shared segment, a band at a time, without copying it
// down the socket.
static int CaptureThroughShm(const XWindowAttributes &root, uint8_t *pixels, int32_t width,
                             int32_t height) {
    X11Edge &e = gX11Edge;
    if (!e.usingShm || !e.image || RowBytes(e.image, width) > e.scratchBytes) return 0;
    if (root.depth != e.depth || root.visual->red_mask != e.visual->red_mask ||
        root.visual->green_mask != e.visual->green_mask ||
        root.visual->blue_mask != e.visual->blue_mask)
        return 0;
    if (e.captureX < 0 || e.captureY < 0 || e.captureX + width > root.width ||
        e.captureY + height > root.height)
        return 0;
    if (e.shmPending) WaitForShmCompletion();
    const int band = ScratchRows(width);
    Bool got = True;
    XErrorHandlerFn previous = BeginErrorTrap();
    for (int row = 0; got && row < height; row += band) {
        ShapeScratch(width, row + band > height ? height - row : band);
        got = XShmGetImage(e.display, root.root, e.image, e.captureX, e.captureY + row, AllPlanes);
        if (got) ImageToBgr(e.image, e.format, pixels, width, 0, row);
    }
    return EndErrorTrap(previous) && got;
}

// A pixmap that another client left for us, named by a property on a window,
// with its size and depth (none when the property is missing or odd).
struct NamedPixmap {
    Pixmap pixmap;
    unsigned width, height, depth;
};

static NamedPixmap PixmapProperty(Display *d, Window window, const char *name) {
    NamedPixmap shot = {};
    Atom property = XInternAtom(d, name, True);
    if (property == None) return shot;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, window, property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1)
        shot.pixmap = (Pixmap)((unsigned long *)data)[0];
    if (data) XFree(data);
    Window root;
    int x, y;
    unsigned border;
    if (shot.pixmap && !XGetGeometry(d, shot.pixmap, &root, &x, &y, &shot.width, &shot.height,
                                     &border, &shot.depth))
        shot.pixmap = None;
    return shot;
}

// Reads the part of `source` (sourceWidth x sourceHeight, in the root's
// format) that the client area covers when the client area's top-left corner
// lies at (originX, originY) on it; the rest stays black.
static int CaptureFrom(Drawable source, const XWindowAttributes &root, int originX, int originY,
                       int sourceWidth, int sourceHeight, uint8_t *pixels, int32_t width,
                       int32_t height) {
    X11Edge &e = gX11Edge;
    int x0 = originX < 0 ? 0 : originX, y0 = originY < 0 ? 0 : originY;
    int x1 = originX + width, y1 = originY + height;
    if (x1 > sourceWidth) x1 = sourceWidth;
    if (y1 > sourceHeight) y1 = sourceHeight;
    if (x1 <= x0 || y1 <= y0) return 0;
    XErrorHandlerFn previous = BeginErrorTrap();
    XImage *image = XGetImage(e.display, source, x0, y0, (unsigned)(x1 - x0),
                              (unsigned)(y1 - y0), AllPlanes, ZPixmap);
    int ok = EndErrorTrap(previous) && image;
    if (ok) {
        memset(pixels, 0, (size_t)width * (size_t)height * 3);
        ImageToBgr(image, DescribeFormat(root.visual, image), pixels, width, x0 - originX,
                   y0 - originY);
    }
    if (image) XDestroyImage(image);
    return ok;
}

// XScreenSaver covers the screen before it starts a saver, so the root shows
// its blank window by then; it leaves a picture of the desktop taken before
// on the window it hands over. One the size of our window is the desktop
// under that window alone, as a daemon that gives each monitor a window of
// its own saves it; any other size is the whole root, as older daemons saved
// it, which we read at our window's place. A picture of another depth than
// the root's is not one we can read.
static int CaptureSavedPicture(const XWindowAttributes &root, uint8_t *pixels, int32_t width,
                               int32_t height) {
    X11Edge &e = gX11Edge;
    XErrorHandlerFn previous = BeginErrorTrap();  // the pixmap may be gone already
    NamedPixmap shot = PixmapProperty(e.display, e.drawable, "_SCREENSAVER_SCREENSHOT");
    if (!EndErrorTrap(previous) || !shot.pixmap || shot.depth != (unsigned)root.depth) return 0;
    int ownSize = shot.width == (unsigned)width && shot.height == (unsigned)height;
    return CaptureFrom(shot.pixmap, root, ownSize ? 0 : e.captureX, ownSize ? 0 : e.captureY,
                       (int)shot.width, (int)shot.height, pixels, width, height);
}

// Daemons that save no picture (MATE's, Xfce's) have covered the desktop with
// their own window by the time we run, so the root shows that. What the user
// still knows as the desktop is the wallpaper, which desktops leave on the
// root as a pixmap for others to read; we read the part under our window.
static const char *const kWallpaperProperties[] = {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"};

static int CaptureWallpaper(const XWindowAttributes &root, uint8_t *pixels, int32_t width,
                            int32_t height) {
    X11Edge &e = gX11Edge;
    for (const char *name : kWallpaperProperties) {
        XErrorHandlerFn previous = BeginErrorTrap();  // a setter may have freed it
        NamedPixmap wallpaper = PixmapProperty(e.display, root.root, name);
        if (!EndErrorTrap(previous) || !wallpaper.pixmap || wallpaper.depth != (unsigned)root.depth)
            continue;
        if (CaptureFrom(wallpaper.pixmap, root, e.captureX, e.captureY, (int)wallpaper.width,
                        (int)wallpaper.height, pixels, width, height))
            return 1;
    }
    return 0;
}

// The screen under the client area: XScreenSaver's saved picture when the
// window carries one, else, in a window a daemon handed us, the wallpaper;
// else the root window, whatever we draw into (our own
// window is not mapped yet, and a given window shows what lies under it).
int CaptureScreen(EdgeWindow, uint8_t *pixels, int32_t width, int32_t height) {
    X11Edge &e = gX11Edge;
    if (!e.display) return 0;
    XWindowAttributes rootAttributes;
    if (!XGetWindowAttributes(e.display, DefaultRootWindow(e.display), &rootAttributes)) return 0;
    if (!X11VisualUsable(rootAttributes.visual)) return 0;
    if (CaptureSavedPicture(rootAttributes, pixels, width, height)) return 1;
    if (e.handedWindow && CaptureWallpaper(rootAttributes, pixels, width, height)) return 1;
    if (CaptureThroughShm(rootAttributes, pixels, width, height)) return 1;
    return CaptureFrom(rootAttributes.root, rootAttributes, e.captureX, e.captureY,
                       rootAttributes.width, rootAttributes.height, pixels, width, height);
}

// Engine BGR rows of one rectangle into the scratch image, as its rows from
// the top, packed as ShapeScratch laid them out.
static void BgrToImage(const uint8_t *pixels, int32_t width, int x0, int y0, int cx, int cy) {
    X11Edge &e = gX11Edge;
    const X11PixelFormat &f = e.format;
    // Locals, so the stores into the image cannot make the compiler reload them.
    const int bs = f.blueShift, gs = f.greenShift, rs = f.redShift;
    const uint32_t opaque = (uint32_t)f.opaque;
    char *data = e.image->data;
    const size_t stride = (size_t)e.image->bytes_per_line;
    const int standard = f.fast && bs == 0 && gs == 8 && rs == 16 && HostIsLittleEndian();
    for (int row = 0; row < cy; ++row) {
        const uint8_t *in = pixels + ((size_t)(y0 + row) * (size_t)width + (size_t)x0) * 3;
        uint32_t *out = (uint32_t *)(data + (size_t)row * stride);
        if (standard) {
            // Blue, green, red in memory order already: one 4-byte load per
            // pixel, the fourth byte masked off. The row's last pixel is read
            // bytewise so no load reaches past the buffer.
            for (int col = 0; col < cx - 1; ++col, in += 3) {
                uint32_t v;
                memcpy(&v, in, 4);
                out[col] = (v & 0x00FFFFFFu) | opaque;
            }
            out[cx - 1] = (uint32_t)in[0] | (uint32_t)in[1] << 8 | (uint32_t)in[2] << 16 | opaque;
            continue;
        }
        if (f.fast) {
            for (int col = 0; col < cx; ++col, in += 3)
                out[col] = (uint32_t)in[0] << bs | (uint32_t)in[1] << gs | (uint32_t)in[2] << rs |
                           opaque;
            continue;
        }
        for (int col = 0; col < cx; ++col, in += 3)
            XPutPixel(e.image, col, row,
                      PackChannel(in[0], f.blueShift, f.blueBits) |
                          PackChannel(in[1], f.greenShift, f.greenBits) |
                          PackChannel(in[2], f.redShift, f.redBits) | f.opaque);
    }
}

int X11EdgeHandleEvent(const XEvent *event) {
    if (event->type != gX11Edge.shmCompletionType || gX11Edge.shmCompletionType < 0) return 0;
    gX11Edge.shmPending = 0;
    return 1;
}

void PresentRect(EdgeWindow, const uint8_t *pixels, int32_t width, int32_t height, int32_t x,
                 int32_t y, int32_t cx, int32_t cy) {
    X11Edge &e = gX11Edge;
    if (!e.image || width != e.width || height != e.height) return;
    int x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int x1 = x + cx > width ? width : x + cx, y1 = y + cy > height ? height : y + cy;
    if (x1 <= x0 || y1 <= y0) return;
    const int band = ScratchRows(x1 - x0);
    for (int row = y0; row < y1; row += band) {
        int rows = row + band > y1 ? y1 - row : band;
        // The server reads the segment whenever it gets to a put; this one
        // rewrites pixels the last one showed, so that one must be done.
        if (e.shmPending) WaitForShmCompletion();
        ShapeScratch(x1 - x0, rows);
        BgrToImage(pixels, width, x0, row, x1 - x0, rows);
        if (e.usingShm) {
            XShmPutImage(e.display, e.drawable, e.gc, e.image, 0, 0, x0, row, (unsigned)(x1 - x0),
                         (unsigned)rows, True);
            e.shmPending = 1;
        } else {
            XPutImage(e.display, e.drawable, e.gc, e.image, 0, 0, x0, row, (unsigned)(x1 - x0),
                      (unsigned)rows);
        }
    }
    XFlush(e.display);
}

// The host's loop is the only timer, so its id is always 1.
uint32_t EdgeStartTimer(EdgeWindow) {
    gX11Edge.timerRunning = 1;
    return 1;
}

void EdgeStopTimer(EdgeWindow, uint32_t) { gX11Edge.timerRunning = 0; }

// ---- The display's density -------------------------------------------------

enum { kBaseDpi = 96, kLowestDpi = 50, kHighestDpi = 600 };

// Xft.dpi: the density a desktop draws its text for, when it says so.
static double XftDpi(Display *d) {
    const char *resources = XResourceManagerString(d);
    if (!resources) return 0;
    XrmInitialize();
    XrmDatabase db = XrmGetStringDatabase(resources);
    if (!db) return 0;
    char *type = nullptr;
    XrmValue value = {};
    double dpi = 0;
    if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
        dpi = strtod(value.addr, nullptr);
    XrmDestroyDatabase(db);
    return dpi >= kLowestDpi && dpi <= kHighestDpi ? dpi : 0;
}

// A monitor's density from its size in pixels and millimetres; 0 when that
// is not plausible: many monitors report no size, or their aspect ratio in
// its place (16 x 9 "millimetres" and the like).
static double PlausibleDpi(int pixelsWide, int pixelsHigh, int mmWide, int mmHigh) {
    if (mmWide <= 0 || mmHigh <= 0) return 0;
    const int aspectWide = mmWide == 16 || mmWide == 160;
    const int aspectHigh = mmHigh == 9 || mmHigh == 10 || mmHigh == 90 || mmHigh == 100;
    if (aspectWide && aspectHigh) return 0;
    double across = pixelsWide * 25.4 / mmWide, down = pixelsHigh * 25.4 / mmHigh;
    if (across < kLowestDpi || across > kHighestDpi) return 0;
    if (across > down * 1.2 || down > across * 1.2) return 0;  // square pixels or nothing
    return across;
}

// The RandR monitor under the middle of the client area (else the primary
// one); its density, or 0.
static double MonitorDpi(void) {
    X11Edge &e = gX11Edge;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(e.display, &event, &error) ||
        !XRRQueryVersion(e.display, &major, &minor) || (major == 1 && minor < 5))
        return 0;
    int count = 0;
    XRRMonitorInfo *monitors =
        XRRGetMonitors(e.display, DefaultRootWindow(e.display), True, &count);
    if (!monitors) return 0;
    const int cx = e.captureX + e.width / 2, cy = e.captureY + e.height / 2;
    const XRRMonitorInfo *chosen = nullptr;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo &m = monitors[i];
        if (cx >= m.x && cx < m.x + m.width && cy >= m.y && cy < m.y + m.height) chosen = &m;
        else if (m.primary && !chosen) chosen = &m;
    }
    double dpi = chosen ? PlausibleDpi(chosen->width, chosen->height, chosen->mwidth,
                                       chosen->mheight)
                        : 0;
    XRRFreeMonitors(monitors);
    return dpi;
}

// Xft.dpi when the desktop sets it, else the monitor's own density, else 96.
int32_t EdgeDisplayScale(EdgeWindow) {
    if (!gX11Edge.display) return 100;
    double dpi = XftDpi(gX11Edge.display);
    if (dpi <= 0) dpi = MonitorDpi();
    return dpi > 0 ? (int32_t)(dpi * 100 / kBaseDpi + 0.5) : 100;
}

// XScreenSaver starts one orb per monitor, all in the same second: the
// process id tells their seeds apart, so their balls do not move in step.
uint32_t EdgeClockSeconds(void) {
    if (gX11Edge.fixedSeed) return gX11Edge.seed;
    return (uint32_t)time(nullptr) ^ (uint32_t)getpid() * 2654435761u;
}
