// orb: the saver as an X11 program that follows XScreenSaver's conventions.
//
// It draws into the root window (-root), into a window someone else made
// (-window-id, or the XSCREENSAVER_WINDOW that XScreenSaver's daemon sets),
// or into a window of its own. This file owns the process: the options, the
// display, the window, the clock and the events. The engine does one step per
// tick through the X11 edge (engine/edge_x11.cpp).
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
#include <vector>

#include "container.h"
#include "edge_x11.h"
#include "engine.h"
#include "settings.h"

enum {
    kTickNanoseconds = 10 * 1000 * 1000,  // the engine's nominal 10 ms
    kOwnWindowWidth = 800,                // own window, unless -fullscreen
    kOwnWindowHeight = 600,
    kExitUsage = 2,    // the command line was refused
    kExitFailure = 1,  // a file or the display could not be used
};

enum DrawMode { kModeOwnWindow, kModeRoot, kModeWindowId };

struct OrbOptions {
    DrawMode mode;
    int modeGiven;           // -root or -window-id was on the command line
    unsigned long windowId;
    int fullscreen;
    int32_t dimPercent;      // -1: the stored setting
    const char *libFile;     // null: the built-in container
    int save;
    int help;
    long ticks;              // 0: run until stopped
    int hold;                // after -ticks N: keep the picture until stopped
    double durationSeconds;  // 0: run until stopped
    int seedGiven;
    uint32_t seed;
    int noShm;
};

// ---- The command line, as data -------------------------------------------

static int ParseLong(const char *text, long low, long high, long *out) {
    if (!text || !*text) return 0;
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || v < low || v > high) return 0;
    *out = v;
    return 1;
}

static int SetRoot(OrbOptions *o, const char *) {
    o->mode = kModeRoot;
    return 1;
}
static int SetWindowId(OrbOptions *o, const char *v) {
    // XScreenSaver writes window ids in hex with 0x; accept decimal too.
    char *end = nullptr;
    errno = 0;
    unsigned long id = strtoul(v, &end, 0);
    if (errno || !*v || *end || id == 0 || v[0] == '-') return 0;
    o->mode = kModeWindowId;
    o->windowId = id;
    return 1;
}
static int SetFullscreen(OrbOptions *o, const char *) { return o->fullscreen = 1; }
static int SetDim(OrbOptions *o, const char *v) {
    long percent;
    if (!ParseLong(v, 0, 100, &percent)) return 0;
    o->dimPercent = (int32_t)percent;
    return 1;
}
static int SetLib(OrbOptions *o, const char *v) {
    o->libFile = v;
    return *v != 0;
}
static int SetSave(OrbOptions *o, const char *) { return o->save = 1; }
static int SetHelp(OrbOptions *o, const char *) { return o->help = 1; }
static int SetTicks(OrbOptions *o, const char *v) { return ParseLong(v, 1, 100000000, &o->ticks); }
static int SetDuration(OrbOptions *o, const char *v) {
    char *end = nullptr;
    double s = strtod(v, &end);
    if (!*v || *end || !(s > 0) || s > 1e7) return 0;
    o->durationSeconds = s;
    return 1;
}
static int SetSeed(OrbOptions *o, const char *v) {
    long seed;
    if (!ParseLong(v, 0, 4294967295L, &seed)) return 0;
    o->seedGiven = 1;
    o->seed = (uint32_t)seed;
    return 1;
}
static int SetNoShm(OrbOptions *o, const char *) { return o->noShm = 1; }
static int SetHold(OrbOptions *o, const char *) { return o->hold = 1; }

struct OptionSpec {
    const char *name;     // given with one dash or two
    const char *argName;  // null: takes no value
    int (*apply)(OrbOptions *, const char *value);  // 0: the value is refused
    const char *help;
};

static const OptionSpec kOptions[] = {
    {"root", nullptr, SetRoot, "draw on the root window (XSCREENSAVER_WINDOW when set)"},
    {"window-id", "ID", SetWindowId, "draw into the existing window ID (hex 0x... or decimal)"},
    {"fullscreen", nullptr, SetFullscreen, "make orb's own window cover the screen"},
    {"dim", "PERCENT", SetDim, "brightness the desktop keeps, 0 to 100 (default: stored, else 30)"},
    {"lib", "FILE", SetLib, "play the animation container FILE instead of the built-in one"},
    {"save", nullptr, SetSave, "store the -dim value as the default and exit"},
    {"help", nullptr, SetHelp, "show this help and exit"},
    {"ticks", "N", SetTicks, "stop after N ticks of 10 ms (for tests)"},
    {"hold", nullptr, SetHold, "with -ticks: keep the last picture until stopped, say so on stdout"},
    {"duration", "SECONDS", SetDuration, "stop after SECONDS"},
    {"seed", "N", SetSeed, "place the ball from seed N instead of the clock (for tests)"},
    {"no-shm", nullptr, SetNoShm, "do not use the MIT-SHM extension"},
};

static void PrintHelp(FILE *to) {
    fprintf(to,
            "Usage: orb [options]\n"
            "A crystal ball bounces over the darkened desktop. Without -root or -window-id\n"
            "orb opens a window of its own; a key, a mouse button or closing it ends orb.\n\n");
    for (const OptionSpec &spec : kOptions) {
        char left[40];
        snprintf(left, sizeof left, "-%s%s%s", spec.name, spec.argName ? " " : "",
                 spec.argName ? spec.argName : "");
        fprintf(to, "  %-22s %s\n", left, spec.help);
    }
    fprintf(to, "\nThe stored setting lives in $XDG_CONFIG_HOME/orb (else ~/.config/orb).\n");
}

static const OptionSpec *FindOption(const char *arg) {
    if (arg[0] != '-') return nullptr;
    const char *name = arg[1] == '-' ? arg + 2 : arg + 1;
    if (!strcmp(name, "h")) name = "help";
    for (const OptionSpec &spec : kOptions)
        if (!strcmp(spec.name, name)) return &spec;
    return nullptr;
}

// Returns 1 when every argument was taken; otherwise says why on stderr.
static int ParseCommandLine(int argc, char **argv, OrbOptions *o) {
    for (int i = 1; i < argc; ++i) {
        const OptionSpec *spec = FindOption(argv[i]);
        if (!spec) {
            fprintf(stderr, "orb: unknown option '%s' (try -help)\n", argv[i]);
            return 0;
        }
        const char *value = nullptr;
        if (spec->argName) {
            if (i + 1 >= argc) {
                fprintf(stderr, "orb: -%s needs a value: %s\n", spec->name, spec->argName);
                return 0;
            }
            value = argv[++i];
        }
        if (!spec->apply(o, value)) {
            fprintf(stderr, "orb: bad value '%s' for -%s %s (%s)\n", value ? value : "",
                    spec->name, spec->argName ? spec->argName : "", spec->help);
            return 0;
        }
        if (spec->apply == SetRoot || spec->apply == SetWindowId) {
            if (o->modeGiven) {
                fprintf(stderr, "orb: give only one of -root and -window-id\n");
                return 0;
            }
            o->modeGiven = 1;
        }
    }
    if (o->save && o->dimPercent < 0) {
        fprintf(stderr, "orb: -save stores the -dim value; give -dim PERCENT with it\n");
        return 0;
    }
    if (o->hold && !o->ticks) {
        fprintf(stderr, "orb: -hold needs -ticks N\n");
        return 0;
    }
    if (o->fullscreen && o->modeGiven) {
        fprintf(stderr, "orb: -fullscreen applies to orb's own window, not -root or -window-id\n");
        return 0;
    }
    return 1;
}

// XScreenSaver's daemon hands its window over in the environment.
static void ApplyEnvironmentWindow(OrbOptions *o) {
    if (o->mode == kModeWindowId) return;
    const char *env = getenv("XSCREENSAVER_WINDOW");
    if (env && *env) {
        OrbOptions probe = *o;
        if (SetWindowId(&probe, env)) *o = probe;
    }
}

// ---- Checks before the display is touched --------------------------------

// A bad -lib is the user's mistake, so it is reported, unlike a bad
// container found by the engine at run time, which it skips silently.
static int CheckLibFile(const char *path) {
    FILE *f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "orb: cannot read animation file '%s': %s\n", path, strerror(errno));
        return 0;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > (size_t)kMaxContainerFileBytes) break;
    }
    int readError = ferror(f);
    fclose(f);
    if (readError) {
        fprintf(stderr, "orb: cannot read animation file '%s'\n", path);
        return 0;
    }
    if (bytes.size() > (size_t)kMaxContainerFileBytes) {
        fprintf(stderr, "orb: '%s' is too large to be an animation container\n", path);
        return 0;
    }
    char why[256] = "";
    if (!ValidateContainer(bytes.data(), (uint32_t)bytes.size(), nullptr, why, sizeof why)) {
        fprintf(stderr, "orb: '%s' is not a valid animation container: %s\n", path, why);
        return 0;
    }
    return 1;
}

static int SaveDim(int32_t percent) {
    StoreSettings(ORB_SETTINGS_VALUE_NAME, percent, 0, 0);
    int32_t stored = -1;
    if (!LoadSettings(ORB_SETTINGS_VALUE_NAME, &stored, nullptr, nullptr) || stored != percent) {
        fprintf(stderr, "orb: could not store the setting under $XDG_CONFIG_HOME/orb\n");
        return 0;
    }
    printf("orb: stored -dim %d as the default\n", (int)percent);
    return 1;
}

// ---- The process's X state ------------------------------------------------

struct OrbHost {
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

static OrbHost gHost = {};
static volatile sig_atomic_t gStopSignal = 0;

static void OnStopSignal(int) { gStopSignal = 1; }

static int OnXError(Display *, XErrorEvent *event) {
    gHost.xError = event->error_code;
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
    Display *d = gHost.display;
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
    gHost.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, win, &gHost.deleteWindow, 1);
    if (o.fullscreen) {
        Atom state = XInternAtom(d, "_NET_WM_STATE", False);
        Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(d, win, state, XA_ATOM, 32, PropModeReplace, (unsigned char *)&full, 1);
        XDefineCursor(d, win, BlankCursor(d, win));
    }
    gHost.drawable = win;
    gHost.ownWindow = 1;
    *originX = x;
    *originY = y;
    return 1;
}

// A window someone else made (or the root): we watch it be uncovered or go
// away, and leave its input to its owner.
static int UseGivenWindow(Window win, int *originX, int *originY) {
    Display *d = gHost.display;
    XWindowAttributes attributes;
    gHost.xError = 0;
    int ok = XGetWindowAttributes(d, win, &attributes);
    XSync(d, False);
    if (!ok || gHost.xError) return 0;
    Window child;
    XTranslateCoordinates(d, win, attributes.root, 0, 0, originX, originY, &child);
    XSelectInput(d, win, win == attributes.root ? ExposureMask : StructureNotifyMask | ExposureMask);
    gHost.drawable = win;
    gHost.mapped = 1;
    return 1;
}

static void HandleEvent(const XEvent &event) {
    const int own = gHost.ownWindow;
    if (X11EdgeHandleEvent(&event)) return;
    switch (event.type) {
    case KeyPress:
    case ButtonPress:
        if (own) gHost.quit = 1;
        break;
    case ClientMessage:
        if (own && (Atom)event.xclient.data.l[0] == gHost.deleteWindow) gHost.quit = 1;
        break;
    case MapNotify:
        if (event.xmap.window != gHost.drawable) break;
        gHost.mapped = 1;
        // Without a window manager nobody gives a full-screen window the focus.
        if (gHost.grabKeyboard)
            XGrabKeyboard(gHost.display, gHost.drawable, True, GrabModeAsync, GrabModeAsync,
                          CurrentTime);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == gHost.drawable) {
            gHost.quit = 1;
            gHost.drawable = 0;  // nothing left to destroy
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
    Display *d = gHost.display;
    for (int queued = XPending(d); queued > 0 && !gHost.quit;
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
    Display *d = gHost.display;
    const int64_t start = MonotonicNanoseconds();
    const int64_t stopAt =
        o.durationSeconds > 0 ? start + (int64_t)(o.durationSeconds * 1e9) : INT64_MAX;
    int64_t nextTick = start;
    int held = 0;  // -hold: the ticks are done, the picture stays
    while (!gHost.quit && !gStopSignal) {
        DrainEvents();
        if (gHost.quit) break;
        if (gHost.xError == BadWindow || gHost.xError == BadDrawable) break;  // it went away
        int64_t now = MonotonicNanoseconds();
        if (now >= stopAt) break;
        if (gHost.mapped && !held && now >= nextTick) {
            if (gX11Edge.timerRunning) EngineTick(&gX11Edge);
            XFlush(d);
            gHost.ticksDone += 1;
            if (o.ticks && gHost.ticksDone >= o.ticks) {
                if (!o.hold) break;
                // Whoever waits for this line may read the screen now.
                XSync(d, False);
                printf("orb: holding after %ld ticks\n", gHost.ticksDone);
                fflush(stdout);
                held = 1;
            }
            nextTick += kTickNanoseconds;
            if (nextTick < now) nextTick = now + kTickNanoseconds;
            continue;
        }
        int64_t wake = gHost.mapped && !held ? nextTick : now + kTickNanoseconds;
        SleepUntil(wake < stopAt ? wake : stopAt);
    }
}

static int RunSaver(const OrbOptions &o) {
    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        const char *name = getenv("DISPLAY");
        fprintf(stderr, "orb: cannot open display '%s'\n", name ? name : "");
        return kExitFailure;
    }
    gHost.display = d;
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
    if (ok) ok = X11EdgeAttach(d, gHost.drawable, originX, originY);
    if (ok && !X11VisualUsable(gX11Edge.visual)) {
        fprintf(stderr, "orb: the window's visual is not TrueColor; nothing to draw with\n");
        ok = 0;
    }
    if (!ok) {
        XCloseDisplay(d);
        return kExitFailure;
    }
    gX11Edge.allowShm = !o.noShm;
    gX11Edge.fixedSeed = o.seedGiven;
    gX11Edge.seed = o.seed;
    EngineSetup(&gX11Edge);
    if (gHost.ownWindow) {
        gHost.grabKeyboard = o.fullscreen;
        XMapRaised(d, gHost.drawable);
    }
    RunLoop(o);
    XSync(d, False);  // everything drawn is on the screen before we go
    EngineTeardown(&gX11Edge);
    if (gHost.ownWindow && gHost.drawable) XDestroyWindow(d, gHost.drawable);
    XCloseDisplay(d);
    return 0;
}

int main(int argc, char **argv) {
    OrbOptions o = {};
    o.mode = kModeOwnWindow;
    o.dimPercent = -1;
    if (!ParseCommandLine(argc, argv, &o)) return kExitUsage;
    if (o.help) {
        PrintHelp(stdout);
        return 0;
    }
    if (o.save) return SaveDim(o.dimPercent) ? 0 : kExitFailure;
    if (o.libFile && !CheckLibFile(o.libFile)) return kExitFailure;
    ApplyEnvironmentWindow(&o);
    InstallSignals();
    EngineReset();
    X11EdgeReset();
    gEngineOptions.containerFileName = o.libFile;  // null: only the built-in container
    gEngineOptions.dimOverride = o.dimPercent;
    if (!o.libFile) {
        uint32_t size = 0;
        if (!EdgeBuiltinContainer(&size)) {
            fprintf(stderr, "orb: this build has no built-in animation; give one with -lib FILE\n");
            return kExitFailure;
        }
    }
    return RunSaver(o);
}
