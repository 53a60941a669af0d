// edge_x11.h -- the X11 backend of edge.h, for the `orb` front end.
//
// One drawable per process, held in the gX11Edge record; the EdgeWindow the
// engine passes around is &gX11Edge. The host (x11/orb_main.cpp) opens the
// display, picks the drawable and where on the root window its client area
// lies, then calls X11EdgeAttach before EngineSetup. It also owns the clock:
// while gX11Edge.timerRunning is set it calls EngineTick every 10 ms.
//
//   CaptureScreen   the screen under the client area: from the desktop picture
//                   XScreenSaver leaves on its window (_SCREENSAVER_SCREENSHOT:
//                   the window's own part of the desktop, or the whole root
//                   from older daemons) when there is one; else, in a window
//                   a daemon handed over (MATE's and Xfce's save no picture),
//                   the wallpaper the desktop names on the root
//                   (_XROOTPMAP_ID, ESETROOT_PMAP_ID); else the root window;
//                   parts off the screen read as black
//   PresentRect     converts just that rectangle of the engine's BGR buffer
//                   into the scratch image and puts it (MIT-SHM when the
//                   server offers it, XPutImage otherwise). A shared put is
//                   asynchronous: the server says when it has read the
//                   segment with a completion event, which the host hands to
//                   X11EdgeHandleEvent; only if it has not come by the next
//                   put does the edge wait for it.
//   EdgeOpen        takes the scratch image, a strip of about 2 MB through
//                   which puts and captures pass a band of rows at a time
//                   (a ball's rectangle in one), so no tick ever allocates;
//                   EdgeClose gives it back
//   EdgeDisplayScale  Xft.dpi when the desktop sets it, else the density RandR
//                   reports for the monitor under the client area's middle
//                   (when plausible), else 96 DPI
//
// Pixel formats: TrueColor visuals of any depth; 32-bit pixels with 8-bit
// channels (the common case) take a fast path, others go through
// XPutPixel/XGetPixel. Other visual classes make EdgeOpen fail.
#ifndef ORB_X11_EDGE_X11_H
#define ORB_X11_EDGE_X11_H

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

// How to turn 8-bit channels into a pixel value of the visual and back.
struct X11PixelFormat {
    unsigned long redMask, greenMask, blueMask;
    int redShift, greenShift, blueShift;  // lowest set bit of each mask
    int redBits, greenBits, blueBits;     // width of each mask
    int fast;  // 32 bits per pixel, 8-bit channels, host byte order
    unsigned long opaque;  // alpha bits of a 32-bit-deep (ARGB) visual, all set
};

struct X11Edge {
    Display *display;
    Window drawable;      // where PresentRect draws
    Visual *visual;       // the drawable's visual
    int depth;            // the drawable's depth
    int captureX, captureY;  // the client area's top-left corner on the root window
    int32_t width, height;   // client area
    int allowShm;         // 0: never try MIT-SHM (the host may turn it off)
    int handedWindow;     // the drawable is a window a saver daemon made for us

    // Taken by EdgeOpen, given back by EdgeClose.
    GC gc;
    XImage *image;        // scratch strip in the drawable's format, reshaped per band
    size_t scratchBytes;  // what it holds
    XShmSegmentInfo shm;
    int usingShm;         // the scratch image lives in a shared segment
    int shmCompletionType;   // event type of the server's "segment read"
    int32_t shmPending;      // a shared put the server may still be reading
    X11PixelFormat format;

    int32_t timerRunning; // 1 while the host is to tick
    int32_t fixedSeed;    // 1: EdgeClockSeconds returns `seed`
    uint32_t seed;

    // What a Display's error handler saw while the edge was asking for it.
    int xErrorCode;
};

extern X11Edge gX11Edge;

// Forget everything (the display included; closing it is the host's).
void X11EdgeReset(void);

// Point the edge at `drawable` on `display`; its client area's top-left
// corner lies at (captureX, captureY) on the root window. Returns 0 when the
// drawable's attributes cannot be read.
int X11EdgeAttach(Display *display, Window drawable, int captureX, int captureY);

// The host passes every event it reads; 1 when the edge took it (the
// completion of a shared put), 0 when it is the host's.
int X11EdgeHandleEvent(const XEvent *event);

// 1 when `visual` is a TrueColor visual the edge can draw with.
int X11VisualUsable(const Visual *visual);

#endif
