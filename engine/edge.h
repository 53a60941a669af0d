// edge.h -- the engine's whole contract with a window system.
//
// The engine core (engine.cpp, container_*.cpp, lzss_*.cpp) includes no platform
// header. Everything it needs from a window system and the clock goes through
// the functions below, and exactly one backend provides them in each program:
//
//   engine/edge_offscreen.cpp   an in-memory screen: tests, orbtool render,
//                               benchmarks
//   engine/edge_win32.cpp       the Windows saver window (orb.scr)
//   x11/edge_x11.cpp            the X11 front end (orb)
//   wayland/edge_wayland.cpp    the Wayland front end (orb-wayland)
//
// One function is shared: linux/builtin_balls.cpp gives both Linux front ends
// EdgeBuiltinContainer.
//
// Two things the core reaches without an edge: the stored brightness, through
// settings.h (whose store each platform's build provides), and a container
// file, which LoadContainerFile reads with the C runtime's file calls.
//
// All calls come from the one thread that runs the engine. Pixel buffers are
// owned by the engine: 3 bytes per pixel in the order blue, green, red, rows
// from top to bottom with a stride of exactly width * 3 bytes (no padding).
// Results follow the engine's convention: 1 (non-zero) success, 0 failure.
#ifndef ORB_ENGINE_EDGE_H
#define ORB_ENGINE_EDGE_H

#include <cstdint>

// The window the engine draws into. The core never looks inside it.
typedef void *EdgeWindow;

// Called by EngineSetup first of all. Width and height of the window's client
// area in pixels (0 x 0 when it has none). Returns 0 when the size is unknown.
int EdgeClientSize(EdgeWindow window, int32_t *width, int32_t *height);

// Called by EngineSetup when it picks the built-in ball: how dense the
// display under the window is, in percent of 96 DPI (150 for 144 DPI); 100
// where that is unknown, and for a preview inside another program's window,
// which always gets the 128-pixel ball.
int32_t EdgeDisplayScale(EdgeWindow window);

// Called by EngineSetup once the engine's buffers exist, before the capture.
// The backend takes whatever scratch it needs for this window size here, so a
// tick never allocates. Returns 0 if it could not; the engine then stays inert.
int EdgeOpen(EdgeWindow window, int32_t width, int32_t height);

// Called by EngineTeardown (also after a failed EdgeOpen): give back what
// EdgeOpen took. Safe to call when EdgeOpen was never called.
void EdgeClose(EdgeWindow window);

// Called once by EngineSetup: fill width x height pixels at `pixels` with what
// the screen shows under the client area. Returns 0 when the screen could not
// be read; the engine then shows black.
int CaptureScreen(EdgeWindow window, uint8_t *pixels, int32_t width, int32_t height);

// Called by EngineTick: show columns x .. x+cx-1, rows y .. y+cy-1 of `pixels`
// (a width x height image) at the same place in the window. The rectangle may
// reach outside the image by a few pixels; the backend clips it.
void PresentRect(EdgeWindow window, const uint8_t *pixels, int32_t width, int32_t height,
                 int32_t x, int32_t y, int32_t cx, int32_t cy);

// Called by EngineSetup: start the 10 ms tick. Returns a non-zero timer id, or
// 0 when no timer could be had (then no tick ever comes).
uint32_t EdgeStartTimer(EdgeWindow window);

// Called by EngineTeardown with the id EdgeStartTimer returned (never 0).
void EdgeStopTimer(EdgeWindow window, uint32_t timerId);

// The container built into the program whose ball is `side` pixels square
// (ball_choice.h). Null (and *size 0) when the program carries none of that
// side. The memory stays valid for the life of the process and is never freed.
const uint8_t *EdgeBuiltinContainer(int32_t side, uint32_t *size);

// The same for the fine ball (fine_format.h) that stands in for the `side`
// ball; null when the program carries none. The engine plays it in place of
// the classic one unless told otherwise (EngineOptions::classicBall).
const uint8_t *EdgeBuiltinFineContainer(int32_t side, uint32_t *size);

// Calendar time in whole seconds since 1970-01-01 UTC; used only as a seed,
// so a backend whose processes start together may mix in what tells them
// apart.
uint32_t EdgeClockSeconds(void);

#endif
