// edge_wayland.h -- the Wayland backend of edge.h, for orb-wayland.
//
// One surface per process, held in the gWaylandEdge record; the EdgeWindow
// the engine passes around is &gWaylandEdge. The host (wayland/) connects,
// reads its output's picture through screencopy before anything of ours is
// on the screen, gives it to the edge, maps a layer surface over the output
// and calls WaylandEdgeAttach with the surface's size in buffer pixels
// before EngineSetup. It owns the clock: while gWaylandEdge.timerRunning is
// set it calls EngineTick every 10 ms, then WaylandEdgeFlush.
//
//   CaptureScreen   the picture the host captured (BGR rows, the output's
//                   size); black where it is smaller than the surface, all
//                   black (a failed capture) when there is none
//   PresentRect     converts the rectangle into the edge's own image at once
//                   (the engine takes the ball out of its picture again
//                   before the tick ends) and notes it; the frame goes out
//                   in WaylandEdgeFlush, once per tick
//   WaylandEdgeFlush  copies what changed into a buffer the compositor is
//                   not reading (two take turns), damages just those
//                   rectangles and commits
//   EdgeOpen        takes the two shared-memory buffers and the image; EdgeClose
//                   frees them
//   EdgeDisplayScale  the output's density: buffer pixels per 100 surface
//                   units (150 on an output at scale 1.5)
#ifndef ORB_WAYLAND_EDGE_WAYLAND_H
#define ORB_WAYLAND_EDGE_WAYLAND_H

#include <wayland-client.h>

#include <cstdint>
#include <vector>

struct WaylandBox {
    int32_t x0, y0, x1, y1;  // empty when x1 <= x0
};

struct WaylandFrameBuffer {
    wl_buffer *buffer;
    uint8_t *pixels;   // width * height * 4, XRGB8888
    int32_t busy;      // attached, not yet released by the compositor
    WaylandBox stale;  // what the engine changed since this buffer was last filled
};

struct WaylandEdge {
    wl_shm *shm;
    wl_surface *surface;
    int32_t width, height;  // the surface in buffer pixels
    int32_t densityPercent;  // buffer pixels per 100 surface units

    // The output's picture from before we covered it: BGR rows.
    std::vector<uint8_t> picture;
    int32_t pictureWidth, pictureHeight;

    // Taken by EdgeOpen, given back by EdgeClose.
    WaylandFrameBuffer frames[2];
    void *mapping;
    size_t mappingSize;
    std::vector<uint32_t> shown;     // width * height XRGB8888: what PresentRect showed
    std::vector<WaylandBox> damage;  // presented since the last commit
    int32_t timerRunning;
    int32_t fixedSeed;
    uint32_t seed;
};

extern WaylandEdge gWaylandEdge;

// Forget everything (the Wayland objects are the host's).
void WaylandEdgeReset(void);

// Draw into `surface`, width x height buffer pixels at `densityPercent`.
void WaylandEdgeAttach(wl_shm *shm, wl_surface *surface, int32_t width, int32_t height,
                       int32_t densityPercent);

// After a tick: show what was presented. Returns 1 when a frame went out.
int WaylandEdgeFlush(void);

#endif
