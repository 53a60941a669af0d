// orb: the saver as an X11 program that follows XScreenSaver's conventions.
//
// It draws into the root window (-root), into a window someone else made
// (-window-id, or the XSCREENSAVER_WINDOW that XScreenSaver's daemon sets),
// or into a window of its own. This file owns the process: the display, the
// window, the clock and the events (the command line is orb_options.cpp's).
// The engine does one step per tick through the X11 edge (x11/edge_x11.cpp).
#include <signal.h>
#include <time.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ball_choice.h"
#include "container.h"
#include "edge_x11.h"
#include "engine.h"
#include "orb_options.h"
#include "orb_start.h"
#include "settings.h"

enum {
    kTickNanoseconds = 10 * 1000 * 1000,  // the engine's nominal 10 ms
    kOwnWindowWidth = 800,                // own window, unless -fullscreen
    kOwnWindowHeight = 600,
};

// ---- The process's X state ------------------------------------------------

struct X11Host {
    Display *display;
    Window drawable;
    int ownWindow;        // drawable is ours: destroy it at the end
    int mapped;           // ticks wait until the drawable can show them
    int grabKeyboard;     // full screen: take the keys once the window shows
    Atom deleteWindow;    // WM_DELETE_WINDOW
    int quit;
    long ticksDone;
    int xError;           // last protocol error code seen in the loop
};

static X11Host gX11Host = {};
static volatile sig_atomic_t gStopSignal = 0;

static void OnStopSignal(int) { gStopSignal = 1; }

static int OnXError(Display *, XErrorEvent *event) {
    gX11Host.xError = event->error_code;
    return 0;
}

static void InstallSignals(void) {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    // Xlib treats an interrupted read as a lost connection; restart those.
    // The loop's sleep is never restarted, so it still wakes up to stop.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

static int64_t MonotonicNanoseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static Cursor BlankCursor(Display *d, Window w) {
    static const char zero[1] = {0};
    Pixmap empty = XCreateBitmapFromData(d, w, zero, 1, 1);
    XColor black = {};
    Cursor cursor = XCreatePixmapCursor(d, empty, empty, &black, &black, 0, 0);
    XFreePixmap(d, empty);
    return cursor;
}

// Our own window: created unmapped, so the capture that EngineSetup takes
// from the root window still sees the desktop where the window will be.
static int CreateOwnWindow(const OrbOptions &o, int *originX, int *originY) {
    Display *d = gX11Host.display;
    int screen = DefaultScreen(d);
    int sw = DisplayWidth(d, screen), sh = DisplayHeight(d, screen);
    int w = o.fullscreen ? sw : (sw < kOwnWindowWidth ? sw : kOwnWindowWidth);
    int h = o.fullscreen ? sh : (sh < kOwnWindowHeight ? sh : kOwnWindowHeight);
    int x = (sw - w) / 2, y = (sh - h) / 2;
    XSetWindowAttributes attributes = {};
    // No background: until the first tick paints, the desktop stays visible.
    attributes.background_pixmap = None;
    attributes.event_mask = KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask;
    Window win = XCreateWindow(d, RootWindow(d, screen), x, y, (unsigned)w, (unsigned)h, 0,
                               CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixmap | CWEventMask, &attributes);
    if (!win) return 0;
    XStoreName(d, win, "Orb");
    XClassHint classHint = {(char *)"orb", (char *)"Orb"};
    XSetClassHint(d, win, &classHint);
    // The engine's buffers have the size it saw at setup: keep it fixed.
    XSizeHints *hints = XAllocSizeHints();
    hints->flags = USPosition | USSize | PMinSize | PMaxSize;
    hints->x = x, hints->y = y;
    hints->width = hints->min_width = hints->max_width = w;
    hints->height = hints->min_height = hints->max_height = h;
    XSetWMNormalHints(d, win, hints);
    XFree(hints);
    gX11Host.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, win, &gX11Host.deleteWindow, 1);
    if (o.fullscreen) {
        Atom state = XInternAtom(d, "_NET_WM_STATE", False);
        Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(d, win, state, XA_ATOM, 32, PropModeReplace, (unsigned char *)&full, 1);
        XDefineCursor(d, win, BlankCursor(d, win));
    }
    gX11Host.drawable = win;
    gX11Host.ownWindow = 1;
    *originX = x;
    *originY = y;
    return 1;
}

// A window someone else made (or the root): we watch it be uncovered or go
// away, and leave its input to its owner.
static int UseGivenWindow(Window win, int *originX, int *originY) {
    Display *d = gX11Host.display;
    XWindowAttributes attributes;
    gX11Host.xError = 0;
    int ok = XGetWindowAttributes(d, win, &attributes);
    XSync(d, False);
    if (!ok || gX11Host.xError) return 0;
    Window child;
    XTranslateCoordinates(d, win, attributes.root, 0, 0, originX, originY, &child);
    XSelectInput(d, win, win == attributes.root ? ExposureMask : StructureNotifyMask | ExposureMask);
    gX11Host.drawable = win;
    gX11Host.mapped = 1;
    return 1;
}

static void HandleEvent(const XEvent &event) {
    const int own = gX11Host.ownWindow;
    if (X11EdgeHandleEvent(&event)) return;
    switch (event.type) {
    case KeyPress:
    case ButtonPress:
        if (own) gX11Host.quit = 1;
        break;
    case ClientMessage:
        if (own && (Atom)event.xclient.data.l[0] == gX11Host.deleteWindow) gX11Host.quit = 1;
        break;
    case MapNotify:
        if (event.xmap.window != gX11Host.drawable) break;
        gX11Host.mapped = 1;
        // Without a window manager nobody gives a full-screen window the focus.
        if (gX11Host.grabKeyboard)
            XGrabKeyboard(gX11Host.display, gX11Host.drawable, True, GrabModeAsync, GrabModeAsync,
                          CurrentTime);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == gX11Host.drawable) {
            gX11Host.quit = 1;
            gX11Host.drawable = 0;  // nothing left to destroy
        }
        break;
    case Expose:
        EngineRepaint(&gX11Edge, event.xexpose.x, event.xexpose.y, event.xexpose.width,
                      event.xexpose.height);
        break;
    default:
        break;
    }
}

// Reads whatever the server has sent, without waiting for more.
static void DrainEvents(void) {
    Display *d = gX11Host.display;
    for (int queued = XPending(d); queued > 0 && !gX11Host.quit;
         queued = XEventsQueued(d, QueuedAlready)) {
        XEvent event;
        XNextEvent(d, &event);
        HandleEvent(event);
    }
}

static void SleepUntil(int64_t nanoseconds) {
    struct timespec at = {(time_t)(nanoseconds / 1000000000), (long)(nanoseconds % 1000000000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);  // EINTR: a stop signal
}

// The clock is ours: one EngineTick per 10 ms period; a slow tick delays the
// next one instead of letting ticks pile up. Between ticks the process just
// sleeps: events are read at the next tick, 10 ms is quick enough for a key,
// and the server's replies to each put then cost no extra wake-up.
static void RunLoop(const OrbOptions &o) {
    Display *d = gX11Host.display;
    const int64_t start = MonotonicNanoseconds();
    const int64_t stopAt =
        o.durationSeconds > 0 ? start + (int64_t)(o.durationSeconds * 1e9) : INT64_MAX;
    int64_t nextTick = start;
    int held = 0;  // -hold: the ticks are done, the picture stays
    while (!gX11Host.quit && !gStopSignal) {
        DrainEvents();
        if (gX11Host.quit) break;
        if (gX11Host.xError == BadWindow || gX11Host.xError == BadDrawable) break;  // it went away
        int64_t now = MonotonicNanoseconds();
        if (now >= stopAt) break;
        if (gX11Host.mapped && !held && now >= nextTick) {
            if (gX11Edge.timerRunning) EngineTick(&gX11Edge);
            XFlush(d);
            gX11Host.ticksDone += 1;
            if (o.ticks && gX11Host.ticksDone >= o.ticks) {
                if (!o.hold) break;
                // Whoever waits for this line may read the screen now.
                XSync(d, False);
                printf("orb: holding after %ld ticks\n", gX11Host.ticksDone);
                fflush(stdout);
                held = 1;
            }
            nextTick += kTickNanoseconds;
            if (nextTick < now) nextTick = now + kTickNanoseconds;
            continue;
        }
        int64_t wake = gX11Host.mapped && !held ? nextTick : now + kTickNanoseconds;
        SleepUntil(wake < stopAt ? wake : stopAt);
    }
}

// The root is everyone's: what we drew there must not outlive us, nor be
// taken by the next run as the desktop. The server repaints the root's own
// background, and the exposures ask whoever draws on the root to repaint the
// rest. (XScreenSaver's window is the daemon's to clear.)
static void RestoreRoot(Display *d) {
    XClearArea(d, DefaultRootWindow(d), 0, 0, 0, 0, True);
    XSync(d, False);
}

static int RunSaver(OrbOptions *options) {
    ApplyEnvironmentWindow(options);
    const OrbOptions &o = *options;
    InstallSignals();
    X11EdgeReset();
    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        const char *name = getenv("DISPLAY");
        fprintf(stderr, "orb: cannot open display '%s'\n", name ? name : "");
        return kExitFailure;
    }
    gX11Host.display = d;
    XSetErrorHandler(OnXError);
    int originX = 0, originY = 0;
    int ok = 0;
    if (o.mode == kModeOwnWindow) {
        ok = CreateOwnWindow(o, &originX, &originY);
        if (!ok) fprintf(stderr, "orb: cannot create a window\n");
    } else {
        Window win = o.mode == kModeRoot ? DefaultRootWindow(d) : (Window)o.windowId;
        ok = UseGivenWindow(win, &originX, &originY);
        if (!ok) fprintf(stderr, "orb: there is no window 0x%lx on this display\n", (unsigned long)win);
    }
    if (ok) ok = X11EdgeAttach(d, gX11Host.drawable, originX, originY);
    if (ok && !X11VisualUsable(gX11Edge.visual)) {
        fprintf(stderr, "orb: the window's visual is not TrueColor; nothing to draw with\n");
        ok = 0;
    }
    if (ok) ok = LibFitsWindow(gX11Edge.width, gX11Edge.height);
    if (!ok) {
        XCloseDisplay(d);
        return kExitFailure;
    }
    gX11Edge.allowShm = !o.noShm;
    gX11Edge.handedWindow = !gX11Host.ownWindow && gX11Host.drawable != DefaultRootWindow(d);
    gX11Edge.fixedSeed = o.seedGiven;
    gX11Edge.seed = o.seed;
    EngineSetup(&gX11Edge);
    if (gX11Host.ownWindow) {
        gX11Host.grabKeyboard = o.fullscreen;
        XMapRaised(d, gX11Host.drawable);
    }
    RunLoop(o);
    XSync(d, False);  // everything drawn is on the screen before we go
    EngineTeardown(&gX11Edge);
    if (gX11Host.ownWindow && gX11Host.drawable) XDestroyWindow(d, gX11Host.drawable);
    if (o.mode == kModeRoot) RestoreRoot(d);
    XCloseDisplay(d);
    return 0;
}

int main(int argc, char **argv) {
    OrbOptions o;
    const int done = StartFrontEnd(argc, argv, kFrontEndX11, &o);
    return done >= 0 ? done : RunSaver(&o);
}
