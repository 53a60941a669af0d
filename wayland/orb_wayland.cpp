// orb-wayland: the saver on a Wayland compositor that offers layer-shell
// (wlroots compositors, KDE Plasma). orb hands its command line over when it
// finds itself in a Wayland session; the options are the same.
//
// The engine is one record per process, so each output gets a process of
// its own, as XScreenSaver gives each monitor a hack of its own: the parent
// looks at the compositor once, starts one child per output and waits. A
// child reads its output's picture through screencopy before anything of
// ours is on it, covers the output with an overlay surface that takes the
// keyboard, and plays the ball there, one engine tick every 10 ms through
// the Wayland edge (edge_wayland.cpp).
//
// A key, a button, a wheel turn or a pointer move of more than 4 pixels ends
// the child that sees it with status 0, and the parent then ends the others
// and exits 0; so does SIGTERM. An output that goes away takes its child
// with it and the others go on: the user touched nothing, so the screens
// that are left stay covered.
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "edge_wayland.h"
#include "engine.h"
// The protocol names an argument after a C++ keyword.
#define namespace layer_namespace
#include "layer-shell-client.h"
#undef namespace
#include "orb_options.h"
#include "orb_start.h"
#include "screencopy-client.h"

enum {
    kTickNanoseconds = 10 * 1000 * 1000,  // the engine's nominal 10 ms
    kMoveThreshold = 4,                   // pointer travel that is not yet a touch
    kExitOutputGone = 3,  // a child's output went away; the others go on
};

// ---- The connection and what the compositor offers --------------------------

struct Output {
    wl_output *output;
    uint32_t name;  // the registry's
    int32_t scale;
};

struct WaylandHost {
    wl_display *display;
    wl_registry *registry;
    wl_compositor *compositor;
    wl_shm *shm;
    wl_seat *seat;
    zwlr_layer_shell_v1 *layerShell;
    zwlr_screencopy_manager_v1 *screencopy;
    std::vector<Output> outputs;
    uint32_t coveredName;  // the registry name of the output this child covers

    wl_surface *surface;
    zwlr_layer_surface_v1 *layerSurface;
    uint32_t configuredWidth, configuredHeight;
    int configured;
    wl_keyboard *keyboard;
    wl_pointer *pointer;
    int pointerKnown;
    double pointerX, pointerY;  // where the pointer came in, surface units

    int quit;
    int status;
    long ticksDone;
};

static WaylandHost gHost;
extern const wl_seat_listener kSeatListener;
static volatile sig_atomic_t gStopSignal = 0;

static void OnStopSignal(int) { gStopSignal = 1; }

static void OutputGeometry(void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t,
                           const char *, const char *, int32_t) {}
static void OutputMode(void *, wl_output *, uint32_t, int32_t, int32_t, int32_t) {}
static void OutputDone(void *, wl_output *) {}
static void OutputScale(void *data, wl_output *, int32_t factor) {
    ((Output *)data)->scale = factor > 0 ? factor : 1;
}
static void OutputName(void *, wl_output *, const char *) {}
static void OutputDescription(void *, wl_output *, const char *) {}
static const wl_output_listener kOutputListener = {OutputGeometry, OutputMode,  OutputDone,
                                                   OutputScale,    OutputName, OutputDescription};

static void OnGlobal(void *, wl_registry *registry, uint32_t name, const char *interface,
                     uint32_t version) {
    WaylandHost &h = gHost;
    auto bind = [&](const wl_interface *type, uint32_t highest) {
        return wl_registry_bind(registry, name, type, version < highest ? version : highest);
    };
    if (!strcmp(interface, wl_compositor_interface.name)) {
        if (version >= 4) h.compositor = (wl_compositor *)bind(&wl_compositor_interface, 4);
    } else if (!strcmp(interface, wl_shm_interface.name)) {
        h.shm = (wl_shm *)bind(&wl_shm_interface, 1);
    } else if (!strcmp(interface, wl_seat_interface.name) && !h.seat) {
        // Its capabilities come with the next roundtrip: listen from now on.
        h.seat = (wl_seat *)bind(&wl_seat_interface, 5);
        wl_seat_add_listener(h.seat, &kSeatListener, nullptr);
    } else if (!strcmp(interface, wl_output_interface.name)) {
        h.outputs.push_back({(wl_output *)bind(&wl_output_interface, 2), name, 1});
    } else if (!strcmp(interface, zwlr_layer_shell_v1_interface.name)) {
        h.layerShell = (zwlr_layer_shell_v1 *)bind(&zwlr_layer_shell_v1_interface, 1);
    } else if (!strcmp(interface, zwlr_screencopy_manager_v1_interface.name)) {
        h.screencopy = (zwlr_screencopy_manager_v1 *)bind(&zwlr_screencopy_manager_v1_interface, 1);
    }
}

static void OnGlobalRemove(void *, wl_registry *, uint32_t name) {
    if (name == gHost.coveredName && gHost.coveredName) {
        gHost.quit = 1;
        gHost.status = kExitOutputGone;
    }
}
static const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// Connects and learns the globals and every output's scale. 0 when there
// is no Wayland display to talk to.
static int Connect(void) {
    WaylandHost &h = gHost;
    h.display = wl_display_connect(nullptr);
    if (!h.display) return 0;
    h.registry = wl_display_get_registry(h.display);
    wl_registry_add_listener(h.registry, &kRegistryListener, nullptr);
    wl_display_roundtrip(h.display);
    for (Output &o : h.outputs) wl_output_add_listener(o.output, &kOutputListener, &o);
    wl_display_roundtrip(h.display);
    return 1;
}

// ---- The output's picture, before we cover it -------------------------------

struct Capture {
    uint32_t format, width, height, stride;
    int haveBuffer, yInvert, ready, failed;
};

static void FrameBuffer(void *data, zwlr_screencopy_frame_v1 *, uint32_t format, uint32_t width,
                        uint32_t height, uint32_t stride) {
    Capture *c = (Capture *)data;
    *c = Capture{format, width, height, stride, 1, c->yInvert, 0, 0};
}
static void FrameFlags(void *data, zwlr_screencopy_frame_v1 *, uint32_t flags) {
    ((Capture *)data)->yInvert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
static void FrameReady(void *data, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t) {
    ((Capture *)data)->ready = 1;
}
static void FrameFailed(void *data, zwlr_screencopy_frame_v1 *) { ((Capture *)data)->failed = 1; }
static void FrameDamage(void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t,
                        uint32_t) {}
static void FrameDmabuf(void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t) {}
static void FrameBufferDone(void *, zwlr_screencopy_frame_v1 *) {}
static const zwlr_screencopy_frame_v1_listener kFrameListener = {
    FrameBuffer, FrameFlags, FrameReady, FrameFailed, FrameDamage, FrameDmabuf, FrameBufferDone};

// The captured pixels (stride bytes a row, in `format`) into the edge's BGR
// picture. Formats are named by their little-endian words: XRGB8888 keeps
// blue first in memory, XBGR8888 red first.
static int KeepPicture(const Capture &c, const uint8_t *pixels) {
    int blueFirst;
    if (c.format == WL_SHM_FORMAT_XRGB8888 || c.format == WL_SHM_FORMAT_ARGB8888) blueFirst = 1;
    else if (c.format == WL_SHM_FORMAT_XBGR8888 || c.format == WL_SHM_FORMAT_ABGR8888) blueFirst = 0;
    else return 0;
    WaylandEdge &e = gWaylandEdge;
    e.pictureWidth = (int32_t)c.width;
    e.pictureHeight = (int32_t)c.height;
    e.picture.resize((size_t)c.width * c.height * 3);
    for (uint32_t row = 0; row < c.height; ++row) {
        const uint8_t *in = pixels + (size_t)(c.yInvert ? c.height - 1 - row : row) * c.stride;
        uint8_t *out = e.picture.data() + (size_t)row * c.width * 3;
        for (uint32_t col = 0; col < c.width; ++col, in += 4, out += 3) {
            out[0] = blueFirst ? in[0] : in[2];
            out[1] = in[1];
            out[2] = blueFirst ? in[2] : in[0];
        }
    }
    return 1;
}

// Screencopy of one output into the edge's picture; 0 leaves none (the ball
// then plays over black).
static int CaptureOutput(wl_output *output) {
    WaylandHost &h = gHost;
    if (!h.screencopy || !h.shm) return 0;
    Capture c = {};
    zwlr_screencopy_frame_v1 *frame = zwlr_screencopy_manager_v1_capture_output(h.screencopy, 0, output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &c);
    while (!c.haveBuffer && !c.failed && wl_display_dispatch(h.display) >= 0) {
    }
    int ok = 0;
    size_t bytes = (size_t)c.stride * c.height;
    int fd = c.haveBuffer && !c.failed && c.stride >= c.width * 4 ? memfd_create("orb-capture", MFD_CLOEXEC) : -1;
    void *map = MAP_FAILED;
    if (fd >= 0 && ftruncate(fd, (off_t)bytes) == 0)
        map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) {
        wl_shm_pool *pool = wl_shm_create_pool(h.shm, fd, (int32_t)bytes);
        wl_buffer *buffer = wl_shm_pool_create_buffer(pool, 0, (int32_t)c.width, (int32_t)c.height,
                                                      (int32_t)c.stride, c.format);
        wl_shm_pool_destroy(pool);
        zwlr_screencopy_frame_v1_copy(frame, buffer);
        while (!c.ready && !c.failed && wl_display_dispatch(h.display) >= 0) {
        }
        ok = c.ready && KeepPicture(c, (const uint8_t *)map);
        wl_buffer_destroy(buffer);
        munmap(map, bytes);
    }
    if (fd >= 0) close(fd);
    zwlr_screencopy_frame_v1_destroy(frame);
    return ok;
}

// ---- Input: any touch ends the saver ----------------------------------------

static void Touched(void) {
    gHost.quit = 1;
    gHost.status = 0;
}

static void KeyboardKeymap(void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t) { close(fd); }
static void KeyboardEnter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {}
static void KeyboardLeave(void *, wl_keyboard *, uint32_t, wl_surface *) {}
static void KeyboardKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Touched();
}
static void KeyboardModifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t,
                              uint32_t) {}
static void KeyboardRepeat(void *, wl_keyboard *, int32_t, int32_t) {}
static const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter,
                                                       KeyboardLeave,  KeyboardKey,
                                                       KeyboardModifiers, KeyboardRepeat};

// The pointer's travel counts from where it first showed over the saver.
static void PointerAt(wl_fixed_t x, wl_fixed_t y) {
    double px = wl_fixed_to_double(x), py = wl_fixed_to_double(y);
    if (!gHost.pointerKnown) {
        gHost.pointerKnown = 1;
        gHost.pointerX = px, gHost.pointerY = py;
        return;
    }
    if (px - gHost.pointerX > kMoveThreshold || gHost.pointerX - px > kMoveThreshold ||
        py - gHost.pointerY > kMoveThreshold || gHost.pointerY - py > kMoveThreshold)
        Touched();
}
static void PointerEnter(void *, wl_pointer *pointer, uint32_t serial, wl_surface *,
                         wl_fixed_t x, wl_fixed_t y) {
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the saver
    PointerAt(x, y);
}
static void PointerLeave(void *, wl_pointer *, uint32_t, wl_surface *) {}
static void PointerMotion(void *, wl_pointer *, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    PointerAt(x, y);
}
static void PointerButton(void *, wl_pointer *, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) Touched();
}
static void PointerAxis(void *, wl_pointer *, uint32_t, uint32_t, wl_fixed_t) { Touched(); }
static void PointerFrame(void *, wl_pointer *) {}
static void PointerAxisSource(void *, wl_pointer *, uint32_t) {}
static void PointerAxisStop(void *, wl_pointer *, uint32_t, uint32_t) {}
static void PointerAxisDiscrete(void *, wl_pointer *, uint32_t, int32_t) {}
static void PointerAxisValue120(void *, wl_pointer *, uint32_t, int32_t) {}
static const wl_pointer_listener kPointerListener = {
    PointerEnter,      PointerLeave,    PointerMotion,       PointerButton,      PointerAxis,
    PointerFrame,      PointerAxisSource, PointerAxisStop, PointerAxisDiscrete,
    PointerAxisValue120};

// Keyboards and pointers come and go (a mouse plugged in, a virtual one):
// a device the seat lost is let go, one it gained is listened to.
template <typename Device, typename Get, typename Listen>
static void FollowDevice(Device **device, bool present, Get get, Listen listen,
                         void (*release)(Device *)) {
    if (!present && *device) {
        release(*device);
        *device = nullptr;
    } else if (present && !*device) {
        *device = get();
        listen(*device);
    }
}

static void SeatCapabilities(void *, wl_seat *seat, uint32_t caps) {
    WaylandHost &h = gHost;
    FollowDevice(
        &h.keyboard, caps & WL_SEAT_CAPABILITY_KEYBOARD, [seat] { return wl_seat_get_keyboard(seat); },
        [](wl_keyboard *k) { wl_keyboard_add_listener(k, &kKeyboardListener, nullptr); },
        wl_keyboard_release);
    FollowDevice(
        &h.pointer, caps & WL_SEAT_CAPABILITY_POINTER, [seat] { return wl_seat_get_pointer(seat); },
        [](wl_pointer *p) { wl_pointer_add_listener(p, &kPointerListener, nullptr); },
        wl_pointer_release);
}
static void SeatName(void *, wl_seat *, const char *) {}
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

// ---- The overlay surface -----------------------------------------------------

static void LayerConfigure(void *, zwlr_layer_surface_v1 *surface, uint32_t serial, uint32_t width,
                           uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(surface, serial);
    gHost.configuredWidth = width;
    gHost.configuredHeight = height;
    gHost.configured = 1;
}
// The compositor closes a layer surface when its output goes away.
static void LayerClosed(void *, zwlr_layer_surface_v1 *) {
    gHost.quit = 1;
    gHost.status = kExitOutputGone;
}
static const zwlr_layer_surface_v1_listener kLayerListener = {LayerConfigure, LayerClosed};

// An overlay surface over the whole output that takes the keyboard; 0 when
// the compositor gave it no size.
static int CoverOutput(const Output &output) {
    WaylandHost &h = gHost;
    h.surface = wl_compositor_create_surface(h.compositor);
    h.layerSurface = zwlr_layer_shell_v1_get_layer_surface(
        h.layerShell, h.surface, output.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "orb");
    zwlr_layer_surface_v1_add_listener(h.layerSurface, &kLayerListener, nullptr);
    zwlr_layer_surface_v1_set_anchor(
        h.layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                            ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(h.layerSurface, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(h.layerSurface, -1);  // over panels too
    zwlr_layer_surface_v1_set_keyboard_interactivity(h.layerSurface, 1);  // exclusive
    wl_surface_set_buffer_scale(h.surface, output.scale);
    wl_surface_commit(h.surface);
    while (!h.configured && !h.quit && wl_display_dispatch(h.display) >= 0) {
    }
    return h.configured && h.configuredWidth > 0 && h.configuredHeight > 0;
}

// ---- One output's saver --------------------------------------------------------

static int64_t MonotonicNanoseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

// Reads and handles what the compositor sent, waiting at most until `until`.
static int PumpUntil(int64_t until) {
    wl_display *d = gHost.display;
    while (wl_display_prepare_read(d) != 0)
        if (wl_display_dispatch_pending(d) < 0) return 0;
    wl_display_flush(d);
    int64_t wait = until - MonotonicNanoseconds();
    if (wait < 0) wait = 0;
    struct timespec timeout = {(time_t)(wait / 1000000000), (long)(wait % 1000000000)};
    struct pollfd fd = {wl_display_get_fd(d), POLLIN, 0};
    if (ppoll(&fd, 1, &timeout, nullptr) > 0 && (fd.revents & POLLIN)) {
        if (wl_display_read_events(d) < 0) return 0;
    } else {
        wl_display_cancel_read(d);
    }
    return wl_display_dispatch_pending(d) >= 0;
}

// The clock is ours, as on X11: one EngineTick per 10 ms period, then the
// frame goes out; a slow tick delays the next one.
static void RunLoop(const OrbOptions &o) {
    WaylandHost &h = gHost;
    const int64_t start = MonotonicNanoseconds();
    const int64_t stopAt =
        o.durationSeconds > 0 ? start + (int64_t)(o.durationSeconds * 1e9) : INT64_MAX;
    int64_t nextTick = start;
    int held = 0;
    while (!h.quit && !gStopSignal) {
        int64_t now = MonotonicNanoseconds();
        if (now >= stopAt) break;
        if (!held && now >= nextTick) {
            if (gWaylandEdge.timerRunning) EngineTick(&gWaylandEdge);
            WaylandEdgeFlush();
            h.ticksDone += 1;
            if (o.ticks && h.ticksDone >= o.ticks) {
                if (!o.hold) break;
                // Whoever waits for this line may read the screen now.
                wl_display_roundtrip(h.display);
                printf("orb: holding after %ld ticks\n", h.ticksDone);
                fflush(stdout);
                held = 1;
            }
            nextTick += kTickNanoseconds;
            if (nextTick < now) nextTick = now + kTickNanoseconds;
        }
        int64_t wake = held ? now + 100 * 1000000ll : nextTick;
        if (!PumpUntil(wake < stopAt ? wake : stopAt)) break;  // the compositor went away
    }
}

static int RunOutput(const OrbOptions &o, size_t index, int capture) {
    WaylandHost &h = gHost;
    h = WaylandHost{};
    if (!Connect() || index >= h.outputs.size() || !h.layerShell || !h.compositor || !h.shm)
        return kExitFailure;
    const Output output = h.outputs[index];
    h.coveredName = output.name;
    WaylandEdgeReset();
    gWaylandEdge.fixedSeed = o.seedGiven;
    gWaylandEdge.seed = o.seed;
    if (capture) CaptureOutput(output.output);
    if (!CoverOutput(output)) return h.quit ? h.status : kExitFailure;
    WaylandEdgeAttach(h.shm, h.surface, (int32_t)h.configuredWidth * output.scale,
                      (int32_t)h.configuredHeight * output.scale, output.scale);
    EngineSetup(&gWaylandEdge);
    RunLoop(o);
    EngineTeardown(&gWaylandEdge);
    zwlr_layer_surface_v1_destroy(h.layerSurface);
    wl_surface_destroy(h.surface);
    wl_display_roundtrip(h.display);
    wl_display_disconnect(h.display);
    return h.quit ? h.status : 0;
}

// ---- The parent: one child per output -------------------------------------------

static void InstallSignals(void) {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

static void StopAll(const std::vector<pid_t> &children) {
    for (pid_t child : children)
        if (child > 0) kill(child, SIGTERM);
    for (pid_t child : children)
        if (child > 0) waitpid(child, nullptr, 0);
}

// The first child to end for any reason but a lost output decides for all.
static int WaitForChildren(std::vector<pid_t> children) {
    size_t running = children.size();
    while (running > 0) {
        int status = 0;
        pid_t done = waitpid(-1, &status, 0);
        if (done < 0) {
            if (errno == EINTR && gStopSignal) break;
            if (errno == EINTR) continue;
            break;
        }
        for (pid_t &child : children)
            if (child == done) child = 0, --running;
        int code = WIFEXITED(status) ? WEXITSTATUS(status) : kExitFailure;
        if (code == kExitOutputGone) continue;
        StopAll(children);
        return code;
    }
    StopAll(children);
    return 0;
}

int main(int argc, char **argv) {
    OrbOptions o;
    const int done = StartFrontEnd(argc, argv, kFrontEndWayland, &o);
    if (done >= 0) return done;
    if (!Connect()) {
        fprintf(stderr, "orb: cannot connect to the Wayland display '%s'\n",
                getenv("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : "");
        return kExitFailure;
    }
    WaylandHost &h = gHost;
    if (!h.layerShell || !h.compositor || !h.shm) {
        wl_display_disconnect(h.display);
        // Not asked for by name: the session may still run X11 programs.
        if (o.display == kDisplayAuto) ExecSibling("orb", argv, "-x11");
        fprintf(stderr, "orb: this Wayland compositor offers no layer-shell "
                        "(zwlr_layer_shell_v1), so orb cannot cover its outputs\n");
        return kExitFailure;
    }
    const int capture = h.screencopy != nullptr;
    if (!capture)
        fprintf(stderr, "orb: this compositor offers no screencopy (zwlr_screencopy_manager_v1); "
                        "the ball plays over black\n");
    const size_t outputs = h.outputs.size();
    wl_display_disconnect(h.display);
    if (outputs == 0) {
        fprintf(stderr, "orb: the compositor has no output to cover\n");
        return kExitFailure;
    }
    InstallSignals();
    fflush(stdout);
    std::vector<pid_t> children;
    for (size_t i = 0; i < outputs; ++i) {
        pid_t child = fork();
        if (child == 0) _exit(RunOutput(o, i, capture));
        if (child < 0) {
            StopAll(children);
            fprintf(stderr, "orb: cannot start a process for output %zu\n", i + 1);
            return kExitFailure;
        }
        children.push_back(child);
    }
    return WaitForChildren(children);
}
