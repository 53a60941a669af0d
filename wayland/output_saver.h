// output_saver.h -- the saver on one output, in a process of its own.
//
// RunOutput reads its output's picture through screencopy before anything
// of ours is on it, covers the output with an overlay surface that takes
// the keyboard, and plays the ball there, one engine tick every 10 ms
// through the Wayland edge, until a touch (0), SIGTERM (0), the end of a
// -duration or -ticks run (0), the output going away (kExitOutputGone) or
// a failure (non-zero).
#ifndef ORB_WAYLAND_OUTPUT_SAVER_H
#define ORB_WAYLAND_OUTPUT_SAVER_H

#include <cstdint>

#include "orb_options.h"

// Run in the child for the output with registry name `outputName`.
int RunOutput(const OrbOptions &o, uint32_t outputName, int capture);

#endif
