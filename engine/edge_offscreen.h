// edge_offscreen.h -- the in-memory backend of edge.h.
//
// The "screen" is an image in memory that the caller owns: CaptureScreen
// copies from it, PresentRect copies into it. It serves the unit tests,
// `orbtool render` and the benchmarks. The window handle is not used: there
// is one screen per process, the gOffscreen record. The timer does nothing by
// itself; the caller calls EngineTick as often as it likes.
#ifndef ORB_ENGINE_EDGE_OFFSCREEN_H
#define ORB_ENGINE_EDGE_OFFSCREEN_H

#include <cstdint>

struct OffscreenEdge {
    uint8_t *screen;          // width*height*3 bytes, BGR, top row first; owned by the caller
    int32_t width, height;    // also the client size the engine sees
    int32_t failCapture;      // 1: CaptureScreen reports failure
    int32_t failOpen;         // 1: EdgeOpen reports failure
    int32_t failTimer;        // 1: EdgeStartTimer returns 0
    const uint8_t *builtin;   // the built-in 128 ball (whatever its frames' size); may be null
    uint32_t builtinSize;
    struct {                  // further built-in balls, side 0 where none
        int32_t side;
        const uint8_t *data;
        uint32_t size;
    } larger[4];
    struct {                  // fine balls (fine_format.h), side 0 where none
        int32_t side;
        const uint8_t *data;
        uint32_t size;
    } fine[4];
    uint32_t clockSeconds;    // what EdgeClockSeconds returns
    int32_t scalePercent;     // what EdgeDisplayScale returns; 0: 100
    uint32_t timerId;         // the running timer, 0 when stopped
    int32_t presentCount;     // PresentRect calls since reset
    int32_t lastPresent[4];   // x, y, cx, cy of the last call
    int32_t opened;           // EdgeOpen .. EdgeClose
};

extern OffscreenEdge gOffscreen;

// Forget everything; the screen pointer becomes null.
void OffscreenReset(void);

#endif
