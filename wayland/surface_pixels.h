// surface_pixels.h -- how many pixels the saver's buffer has on an output.
//
// The buffer has the output's own pixels, shown through a viewport over the
// surface's size, so a fractional scale (1.25, 1.5) still puts one buffer
// pixel on one screen pixel: the surface's size at the scale the compositor
// prefers for it where it says so (fractional-scale), else the output's
// mode, turned as the output is turned. A compositor without viewports gets
// the whole scale it announces.
#ifndef ORB_WAYLAND_SURFACE_PIXELS_H
#define ORB_WAYLAND_SURFACE_PIXELS_H

#include <cstdint>

struct HostOutput;

// How a surface of width x height units is drawn on an output.
struct SurfacePixels {
    int64_t width, height;   // the buffer, pixels
    int32_t bufferScale;     // 1 when a viewport maps it
    int32_t densityPercent;  // buffer pixels per 100 surface units
};

// `scale120`: the preferred scale in 120ths, 0 when none came.
SurfacePixels ChooseSurfacePixels(const HostOutput &output, uint32_t width, uint32_t height,
                                  int viewport, uint32_t scale120);

// Whether two frames of this size fit one shared-memory pool, whose size
// the protocol carries as an int32.
int FitsSharedMemory(int64_t width, int64_t height);

#endif
