// One output's saver: its picture, its overlay surface and its clock.
#include "output_saver.h"

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "captured_picture.h"
#include "edge_wayland.h"
#include "engine.h"
#include "fractional-scale-v1-client.h"
#include "wayland_host.h"
// The protocol names an argument after a C++ keyword.
#define namespace layer_namespace
#include "layer-shell-client.h"
#undef namespace
#include "orb_start.h"
#include "screencopy-client.h"
#include "surface_pixels.h"
#include "viewporter-client.h"

enum {
    kTickNanoseconds = 10 * 1000 * 1000,  // the engine's nominal 10 ms
};

static volatile sig_atomic_t gStopSignal = 0;
static void OnStopSignal(int) { gStopSignal = 1; }

// Without SA_RESTART: a wait on the compositor ends at once.
static void InstallStopSignals(void) {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
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


// The frame as screencopy gave it; turned once the surface's size is known.
struct Grabbed {
    std::vector<uint8_t> pixels;
    CapturedFrame frame;
};

static int KnownFormat(uint32_t format, int *blueFirst) {
    // Named by their little-endian words: XRGB8888 keeps blue first in
    // memory, XBGR8888 red first.
    *blueFirst = format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888;
    return *blueFirst || format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
}

// Screencopy of one output; 0 leaves none (the ball then plays over black).
static int CaptureOutput(wl_output *output, Grabbed *grabbed) {
    WaylandHost &h = gHost;
    if (!h.screencopy || !h.shm) return 0;
    Capture c = {};
    zwlr_screencopy_frame_v1 *frame = zwlr_screencopy_manager_v1_capture_output(h.screencopy, 0, output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &c);
    while (!c.haveBuffer && !c.failed && !gStopSignal && wl_display_dispatch(h.display) >= 0) {
    }
    int blueFirst = 0;
    const uint64_t bytes = (uint64_t)c.stride * c.height;
    const int usable = c.haveBuffer && !c.failed && KnownFormat(c.format, &blueFirst) &&
                       c.width > 0 && c.stride / 4 >= c.width && bytes <= INT32_MAX;
    int fd = usable ? memfd_create("orb-capture", MFD_CLOEXEC) : -1;
    void *map = MAP_FAILED;
    if (fd >= 0 && ftruncate(fd, (off_t)bytes) == 0)
        map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    int ok = 0;
    if (map != MAP_FAILED) {
        wl_shm_pool *pool = wl_shm_create_pool(h.shm, fd, (int32_t)bytes);
        wl_buffer *buffer = wl_shm_pool_create_buffer(pool, 0, (int32_t)c.width, (int32_t)c.height,
                                                      (int32_t)c.stride, c.format);
        wl_shm_pool_destroy(pool);
        zwlr_screencopy_frame_v1_copy(frame, buffer);
        while (!c.ready && !c.failed && !gStopSignal && wl_display_dispatch(h.display) >= 0) {
        }
        if ((ok = c.ready)) {
            const uint8_t *from = (const uint8_t *)map;
            grabbed->pixels.assign(from, from + bytes);
            grabbed->frame = {nullptr, c.width, c.height, c.stride, blueFirst, c.yInvert};
        }
        wl_buffer_destroy(buffer);
        munmap(map, bytes);
    }
    if (fd >= 0) close(fd);
    zwlr_screencopy_frame_v1_destroy(frame);
    return ok;
}

// The captured picture, upright and of the surface's size, to the edge.
static void KeepPicture(Grabbed &grabbed, int32_t transform, int32_t width, int32_t height) {
    if (grabbed.pixels.empty()) return;
    grabbed.frame.pixels = grabbed.pixels.data();
    WaylandEdge &e = gWaylandEdge;
    e.picture = TurnPicture(grabbed.frame, transform, width, height);
    e.pictureWidth = width;
    e.pictureHeight = height;
    grabbed.pixels = std::vector<uint8_t>();
}

// ---- The overlay surface -----------------------------------------------------

static void LayerConfigure(void *, zwlr_layer_surface_v1 *surface, uint32_t serial, uint32_t width,
                           uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(surface, serial);
    WaylandHost &h = gHost;
    // The output rescaled while we play: the picture is what it was, but
    // it still covers the whole output.
    if (h.viewport && width > 0 && height > 0)
        wp_viewport_set_destination(h.viewport, (int32_t)width, (int32_t)height);
    h.configuredWidth = width;
    h.configuredHeight = height;
    h.configured = 1;
}
// The compositor closes a layer surface when its output goes away.
static void LayerClosed(void *, zwlr_layer_surface_v1 *) {
    gHost.quit = 1;
    gHost.status = kExitOutputGone;
}
static const zwlr_layer_surface_v1_listener kLayerListener = {LayerConfigure, LayerClosed};

static void PreferredScale(void *, wp_fractional_scale_v1 *, uint32_t scale) {
    gHost.preferredScale120 = scale;
}
static const wp_fractional_scale_v1_listener kScaleListener = {PreferredScale};

// An overlay surface over the whole output that takes the keyboard; 0 when
// the compositor gave it no size.
static int CoverOutput(const HostOutput &output) {
    WaylandHost &h = gHost;
    h.surface = wl_compositor_create_surface(h.compositor);
    if (h.fractionalScale && h.viewporter)
        wp_fractional_scale_v1_add_listener(
            wp_fractional_scale_manager_v1_get_fractional_scale(h.fractionalScale, h.surface),
            &kScaleListener, nullptr);
    h.layerSurface = zwlr_layer_shell_v1_get_layer_surface(
        h.layerShell, h.surface, output.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "orb");
    zwlr_layer_surface_v1_add_listener(h.layerSurface, &kLayerListener, nullptr);
    zwlr_layer_surface_v1_set_anchor(
        h.layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                            ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(h.layerSurface, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(h.layerSurface, -1);  // over panels too
    zwlr_layer_surface_v1_set_keyboard_interactivity(h.layerSurface, 1);  // exclusive
    wl_surface_commit(h.surface);
    while (!h.configured && !h.quit && !gStopSignal && wl_display_dispatch(h.display) >= 0) {
    }
    return h.configured && h.configuredWidth > 0 && h.configuredHeight > 0;
}

// The buffer's pixels onto the surface's units: through a viewport when the
// compositor has them, else by the whole scale.
static void MapPixels(const SurfacePixels &p) {
    WaylandHost &h = gHost;
    if (h.viewporter) {
        h.viewport = wp_viewporter_get_viewport(h.viewporter, h.surface);
        wp_viewport_set_destination(h.viewport, (int32_t)h.configuredWidth,
                                    (int32_t)h.configuredHeight);
    }
    wl_surface_set_buffer_scale(h.surface, p.bufferScale);
}

// ---- The clock ------------------------------------------------------------------

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
    if (ppoll(&fd, 1, &timeout, nullptr) > 0 && (fd.revents & (POLLIN | POLLHUP | POLLERR))) {
        if (wl_display_read_events(d) < 0) return 0;
    } else {
        wl_display_cancel_read(d);
    }
    return wl_display_dispatch_pending(d) >= 0;
}

// The clock is ours, as on X11: one EngineTick per 10 ms period, then the
// frame goes out; a slow tick delays the next one. 0 when the connection
// failed.
static int RunLoop(const OrbOptions &o) {
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
        if (!PumpUntil(wake < stopAt ? wake : stopAt)) return 0;
    }
    return 1;
}

int RunOutput(const OrbOptions &o, uint32_t outputName, int capture) {
    WaylandHost &h = gHost;
    InstallStopSignals();
    h = WaylandHost{};
    if (!ConnectHost()) return HostStatus(kExitFailure);
    if (!h.layerShell || !h.compositor || !h.shm) return kExitFailure;
    const HostOutput *output = FindOutput(outputName);
    if (!output) return kExitOutputGone;
    h.coveredName = outputName;
    WaylandEdgeReset();
    gWaylandEdge.fixedSeed = o.seedGiven;
    gWaylandEdge.seed = o.seed;
    Grabbed grabbed;
    if (capture) CaptureOutput(output->output, &grabbed);
    if (gStopSignal) return 0;
    if (!CoverOutput(*output)) return gStopSignal ? 0 : HostStatus(h.quit ? h.status : kExitFailure);
    const SurfacePixels pixels =
        ChooseSurfacePixels(*output, h.configuredWidth, h.configuredHeight, h.viewporter != nullptr,
                            h.preferredScale120);
    if (!FitsSharedMemory(pixels.width, pixels.height)) {
        fprintf(stderr, "orb: an output of %lld x %lld pixels is more than orb can hold\n",
                (long long)pixels.width, (long long)pixels.height);
        return kExitFailure;
    }
    if (!LibFitsWindow((int32_t)pixels.width, (int32_t)pixels.height)) return kExitFailure;
    KeepPicture(grabbed, output->transform, (int32_t)pixels.width, (int32_t)pixels.height);
    MapPixels(pixels);
    WaylandEdgeAttach(h.shm, h.surface, (int32_t)pixels.width, (int32_t)pixels.height,
                      pixels.densityPercent);
    EngineSetup(&gWaylandEdge);
    const int connected = RunLoop(o);
    EngineTeardown(&gWaylandEdge);
    if (!connected) return HostStatus(kExitFailure);
    zwlr_layer_surface_v1_destroy(h.layerSurface);
    wl_surface_destroy(h.surface);
    wl_display_roundtrip(h.display);
    const int status = HostStatus(h.quit ? h.status : 0);
    wl_display_disconnect(h.display);
    return status;
}
