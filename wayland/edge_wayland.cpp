// The Wayland backend of edge.h: frames in shared-memory buffers.
#include "edge_wayland.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "edge.h"

WaylandEdge gWaylandEdge;

void WaylandEdgeReset(void) {
    gWaylandEdge.~WaylandEdge();
    new (&gWaylandEdge) WaylandEdge{};
    gWaylandEdge.densityPercent = 100;
}

void WaylandEdgeAttach(wl_shm *shm, wl_surface *surface, int32_t width, int32_t height,
                       int32_t densityPercent) {
    WaylandEdge &e = gWaylandEdge;
    e.shm = shm;
    e.surface = surface;
    e.width = width;
    e.height = height;
    e.densityPercent = densityPercent > 0 ? densityPercent : 100;
}

int EdgeClientSize(EdgeWindow, int32_t *width, int32_t *height) {
    *width = gWaylandEdge.width;
    *height = gWaylandEdge.height;
    return gWaylandEdge.surface != nullptr;
}

int32_t EdgeDisplayScale(EdgeWindow) { return gWaylandEdge.densityPercent; }

static void OnBufferRelease(void *data, wl_buffer *) { ((WaylandFrameBuffer *)data)->busy = 0; }
static const wl_buffer_listener kBufferListener = {OnBufferRelease};

static const WaylandBox kEverything = {0, 0, INT32_MAX, INT32_MAX};

// One shared file for both buffers; it is unlinked at once (memfd), so it
// goes with the last reference even if the process is killed.
int EdgeOpen(EdgeWindow, int32_t width, int32_t height) {
    WaylandEdge &e = gWaylandEdge;
    if (!e.shm || width <= 0 || height <= 0) return 0;
    const size_t frameBytes = (size_t)width * (size_t)height * 4;
    e.mappingSize = frameBytes * 2;
    int fd = memfd_create("orb-frames", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (ftruncate(fd, (off_t)e.mappingSize) != 0) {
        close(fd);
        return 0;
    }
    e.mapping = mmap(nullptr, e.mappingSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (e.mapping == MAP_FAILED) {
        e.mapping = nullptr;
        close(fd);
        return 0;
    }
    wl_shm_pool *pool = wl_shm_create_pool(e.shm, fd, (int32_t)e.mappingSize);
    close(fd);
    for (int i = 0; i < 2; ++i) {
        WaylandFrameBuffer &f = e.frames[i];
        f.pixels = (uint8_t *)e.mapping + frameBytes * (size_t)i;
        f.buffer = wl_shm_pool_create_buffer(pool, (int32_t)(frameBytes * (size_t)i), width, height,
                                             width * 4, WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(f.buffer, &kBufferListener, &f);
        f.busy = 0;
        f.stale = kEverything;
    }
    wl_shm_pool_destroy(pool);
    e.shown.assign((size_t)width * (size_t)height, 0xFF000000u);
    e.damage.reserve(16);
    return 1;
}

void EdgeClose(EdgeWindow) {
    WaylandEdge &e = gWaylandEdge;
    for (WaylandFrameBuffer &f : e.frames) {
        if (f.buffer) wl_buffer_destroy(f.buffer);
        f = WaylandFrameBuffer{};
    }
    if (e.mapping) munmap(e.mapping, e.mappingSize);
    e.mapping = nullptr;
    e.damage.clear();
    e.shown = std::vector<uint32_t>();
}

int CaptureScreen(EdgeWindow, uint8_t *pixels, int32_t width, int32_t height) {
    const WaylandEdge &e = gWaylandEdge;
    if (e.picture.empty()) return 0;
    memset(pixels, 0, (size_t)width * (size_t)height * 3);
    const int32_t w = e.pictureWidth < width ? e.pictureWidth : width;
    const int32_t h = e.pictureHeight < height ? e.pictureHeight : height;
    for (int32_t row = 0; row < h; ++row)
        memcpy(pixels + (size_t)row * (size_t)width * 3,
               e.picture.data() + (size_t)row * (size_t)e.pictureWidth * 3, (size_t)w * 3);
    return 1;
}

static WaylandBox Unite(WaylandBox a, WaylandBox b) {
    if (a.x1 <= a.x0) return b;
    return {a.x0 < b.x0 ? a.x0 : b.x0, a.y0 < b.y0 ? a.y0 : b.y0, a.x1 > b.x1 ? a.x1 : b.x1,
            a.y1 > b.y1 ? a.y1 : b.y1};
}

void PresentRect(EdgeWindow, const uint8_t *pixels, int32_t width, int32_t height, int32_t x,
                 int32_t y, int32_t cx, int32_t cy) {
    WaylandEdge &e = gWaylandEdge;
    if (!e.mapping || width != e.width || height != e.height) return;
    WaylandBox box = {x < 0 ? 0 : x, y < 0 ? 0 : y, x + cx > width ? width : x + cx,
                      y + cy > height ? height : y + cy};
    if (box.x1 <= box.x0 || box.y1 <= box.y0) return;
    for (int32_t row = box.y0; row < box.y1; ++row) {
        const uint8_t *in = pixels + ((size_t)row * (size_t)width + (size_t)box.x0) * 3;
        uint32_t *out = e.shown.data() + (size_t)row * (size_t)width + box.x0;
        for (int32_t col = box.x0; col < box.x1; ++col, in += 3)
            *out++ = 0xFF000000u | (uint32_t)in[2] << 16 | (uint32_t)in[1] << 8 | in[0];
    }
    for (WaylandFrameBuffer &f : e.frames) f.stale = Unite(f.stale, box);
    e.damage.push_back(box);
}

// The shown image's `box` into the buffer.
static void CopyBox(const WaylandEdge &e, WaylandFrameBuffer &f, WaylandBox box) {
    if (box.x1 > e.width) box.x1 = e.width;
    if (box.y1 > e.height) box.y1 = e.height;
    for (int32_t row = box.y0; row < box.y1; ++row) {
        size_t at = (size_t)row * (size_t)e.width + (size_t)box.x0;
        memcpy((uint32_t *)f.pixels + at, e.shown.data() + at, (size_t)(box.x1 - box.x0) * 4);
    }
}

int WaylandEdgeFlush(void) {
    WaylandEdge &e = gWaylandEdge;
    if (!e.mapping || e.damage.empty()) return 0;
    WaylandFrameBuffer *free = nullptr;
    for (WaylandFrameBuffer &f : e.frames)
        if (!f.busy) free = &f;
    if (!free) return 0;  // both still on the screen: this tick's rectangles wait
    CopyBox(e, *free, free->stale);
    free->stale = WaylandBox{0, 0, 0, 0};
    free->busy = 1;
    wl_surface_attach(e.surface, free->buffer, 0, 0);
    // The damage since the last commit: what the other buffer showed differs
    // from this one only there.
    for (const WaylandBox &b : e.damage)
        wl_surface_damage_buffer(e.surface, b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    e.damage.clear();
    wl_surface_commit(e.surface);
    return 1;
}

// The host's loop is the only timer, so its id is always 1.
uint32_t EdgeStartTimer(EdgeWindow) {
    gWaylandEdge.timerRunning = 1;
    return 1;
}

void EdgeStopTimer(EdgeWindow, uint32_t) { gWaylandEdge.timerRunning = 0; }

// One orb-wayland runs per output, all started together: the process id
// tells their seeds apart.
uint32_t EdgeClockSeconds(void) {
    if (gWaylandEdge.fixedSeed) return gWaylandEdge.seed;
    return (uint32_t)time(nullptr) ^ (uint32_t)getpid() * 2654435761u;
}
