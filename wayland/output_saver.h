// output_saver.h -- the saver on one output, in a process of its own.
//
// RunOutput reads its output's picture through screencopy before anything
// of ours is on it, covers the output with an overlay surface that takes
// the keyboard, and plays the ball there, one engine tick every 10 ms
// through the Wayland edge, until a touch (0), SIGTERM (0), the end of a
// -duration or -ticks run (0), the output going away (kExitOutputGone) or
// a failure (non-zero).
//
// The surface's buffer has the output's own pixels: its mode, turned as the
// output is turned, shown through a viewport over the surface's size, so a
// fractional scale (1.25, 1.5) still puts one buffer pixel on one screen
// pixel. A compositor without viewports gets the whole scale it announces.
#ifndef ORB_WAYLAND_OUTPUT_SAVER_H
#define ORB_WAYLAND_OUTPUT_SAVER_H

#include <cstdint>

#include "orb_options.h"

// How a surface of width x height units is drawn on an output.
struct SurfacePixels {
    int64_t width, height;   // the buffer, pixels
    int32_t bufferScale;     // 1 when a viewport maps it
    int32_t densityPercent;  // buffer pixels per 100 surface units
};
struct HostOutput;
SurfacePixels ChooseSurfacePixels(const HostOutput &output, uint32_t width, uint32_t height,
                                  int viewport);

// Whether two frames of this size fit what a shared-memory pool can hold.
int FitsSharedMemory(int64_t width, int64_t height);

// Run in the child for the output with registry name `outputName`.
int RunOutput(const OrbOptions &o, uint32_t outputName, int capture);

#endif
