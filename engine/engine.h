// engine.h -- the saver engine: setup, the per-tick state machine, teardown.
//
// The engine snapshots the screen under its window, darkens the snapshot and,
// one frame per tick, draws the animation over it inside the sprite rectangle.
// Everything lives in one process-wide record, gEngine. The window's life
// brackets the engine's: EngineSetup on creation, EngineTick on every timer
// tick, EngineTeardown on destruction. The window system is reached only
// through edge.h; the setting through settings.h.
//
//   EngineSetup(window)     read the setting, load and check the container,
//                           take every buffer, capture + dim, start the timer
//   EngineTick(window)      first paint, then one frame and one move per tick
//   EngineTeardown(window)  stop the timer, free everything setup took
//
// A tick never allocates. If setup cannot get what it needs (no valid
// container, no memory), the engine is inert: ticks do nothing.
#ifndef ORB_ENGINE_ENGINE_H
#define ORB_ENGINE_ENGINE_H

#include <cstdint>

#include "container.h"
#include "edge.h"
#include "fine_format.h"
#include "fine_render.h"

// Bytes kept behind the last row of the background: the compositor loads four
// bytes per pixel, so a sample of the last pixel runs one byte into them.
enum { kBackgroundSpareBytes = 1024 };

struct SaverEngine {
    int32_t screenWidth;   // W: client area width
    int32_t screenHeight;  // H: client area height
    int32_t spriteWidth;   // w: frame width from the container
    int32_t spriteHeight;  // h: frame height
    int32_t spriteX;       // left edge of the sprite rectangle
    int32_t spriteY;       // top edge (y grows downwards)
    int32_t playMode;      // 1 bouncing, 2..4 appearing, anything else still
    int32_t frameCount;
    int32_t frameIndex;    // frame drawn on the next tick; -1 idle
    int32_t stepX, stepY;  // +2 or -2 once bouncing
    int32_t firstTick;     // 1 while the full-window paint is due
    uint32_t timerId;      // 0: no timer
    int32_t dimPercent;    // what setup dimmed by
    int32_t inert;         // 1 when setup could not take what it needs
    uint8_t *background;   // W*H*3 + kBackgroundSpareBytes
    uint8_t *saveBuffer;   // w*h*3: the background under the sprite
    const uint8_t *containerData;
    uint32_t containerSize;
    int32_t containerFromFile;  // containerData is our heap block
    uint32_t randomState;

    // The renderer's fields (container_render.cpp).
    uint8_t animTable[kAnimTableBytes];
    const uint8_t *recordCursor;  // next frame record; null until RenderFrame(0)
    int32_t recordNumber;         // records rendered since the last RenderFrame(0)
    uint8_t *streamBuffer;        // w*h*4: LZSS output of the current frame
    uint32_t *wordBuffer;         // w*h words: the frame's displacement words
    uint8_t *compositeBuffer;     // w*h*4: the rendered frame, w*h*3 used

    // A fine container (fine_format.h): decoded whole at set-up, played
    // through the desktop's pyramid built right after the capture.
    int32_t fine;
    int32_t fineRecord;  // the record rendered last, which PasteComposite pastes
    int32_t fineShown[4];  // left, top, right, bottom of what the last tick showed
    FineDeck fineDeck;
    FineLevels fineLevels;
    int32_t fineExposureLimit;  // FineExposureLimit at the brightness chosen
    uint8_t fineTint[4];        // the tint the last frame played with
};

// What the program running the engine chose; the Windows saver keeps the
// defaults, the X11 front end and orbtool may override them before setup.
struct EngineOptions {
    const char *containerFileName;  // tried before the built-in container; null: never
    int32_t dimOverride;            // 0..255 replaces the stored setting; -1: none
    // A container the program has already read and passed through
    // ValidateAnyContainer (orb -lib): played as it stands, before any file or
    // the built-in one. It stays the program's and outlives the engine.
    const uint8_t *checkedContainer;
    uint32_t checkedContainerSize;
    // Which built-in ball plays: ballSide when it is one the program carries
    // (orb --size), else the one ChooseBallSide gives for the window and the
    // display's scale (EdgeDisplayScale).
    int32_t ballSide;  // 0: by the scale
    // 1: the built-in ball plays in the classic encoding even where the
    // program carries a fine one (orb -classic).
    int32_t classicBall;
};

extern SaverEngine gEngine;
extern EngineOptions gEngineOptions;

// Zero the record (randomState 1) and restore the default options.
void EngineReset(void);

// Check a container of either encoding, classic or fine, as the engine will
// before it plays it. 1 when valid; `why` (may be null) names the violation.
int ValidateAnyContainer(const uint8_t *data, uint32_t size, char *why, uint32_t whyCapacity);
// The frame size of a container ValidateAnyContainer passed.
void ContainerFrameSize(const uint8_t *data, uint32_t size, int32_t *width, int32_t *height);

void EngineSetup(EdgeWindow window);
void EngineTick(EdgeWindow window);
void EngineTeardown(EdgeWindow window);

// Called by the host when part of the window was uncovered: shows columns
// x .. x+cx-1, rows y .. y+cy-1 of the clean background again, clipped to the
// window; a sprite there returns with the next tick. Nothing while the engine
// is inert or before the first tick has painted the window; returns 0 then,
// so that the host can fill the part itself, and 1 otherwise.
int EngineRepaint(EdgeWindow window, int32_t x, int32_t y, int32_t cx, int32_t cy);

// Darken the first width*height*3 bytes of `pixels` in place: each byte becomes
// the low 8 bits of (byte * (percent*256/100)) >> 8. Percent is not clamped.
void DimBackground(uint8_t *pixels, int32_t width, int32_t height, int32_t percent);

// Row copies at the current sprite rectangle.
void SaveUnderSprite(void);     // background -> save buffer
void RestoreUnderSprite(void);  // save buffer -> background
void PasteComposite(void);      // composite -> background, but for the last pixel
                                // (fine frames: the pixels their spans cover)

void SeedRandom(uint32_t seed);
int32_t NextRandom(void);  // 0 .. 32767

// 1 when a window of width x height can show a w x h sprite: every placement
// and bounce rule stays inside the buffers.
int EngineFitsWindow(int32_t width, int32_t height, int32_t w, int32_t h);

#endif
