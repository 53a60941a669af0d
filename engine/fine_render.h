// fine_render.h -- playing fine frames: the filtered desktop and the
// per-pixel blend.
//
// At set-up FineBuildLevels averages the darkened desktop into a pyramid:
// level k is the desktop in 2^k x 2^k blocks, each the rounded mean of four
// texels of level k-1 (level 0 is the background itself). Per tick a pixel
// reads its sample bilinearly from the two levels round its filter level
// and blends them, so a magnified picture is interpolated and a squeezed one
// averaged. Every tap was proven inside the frame when the container was
// decoded (FineTapMargin), so no tap is checked here.
//
//   FineLevels             the pyramid and the desktop it was built from
//   FineBuildLevels        takes and fills levels 1..top (set-up only)
//   FineRenderRecord       one record into a w x h composite (the fast path
//                          where the processor has one, else the plain loop):
//                          only the pixels its spans cover
//   FineRenderRecordPlain  the plain loop the fast path is held to
//   FinePasteRecord        those pixels onto the desktop; the rest of the
//                          frame is the desktop already
//   FineExpose             the tint a frame plays with (fine_exposure.cpp)
#ifndef ORB_ENGINE_FINE_RENDER_H
#define ORB_ENGINE_FINE_RENDER_H

#include <cstdint>

#include "fine_format.h"

enum {
    kFineLevelSpareBytes = 16,  // the filter loads 8 bytes for two texels
    // The most a glass weight times its tint may be: over 128 it stays
    // within 256, which the blend multiplies by a sample in 16 bits.
    kFineGlassTintMost = 32831,
};

struct FineLevels {
    const uint8_t *pixels[kFineMaxLevel + 1];  // level 0 is not owned
    int32_t width[kFineMaxLevel + 1], height[kFineMaxLevel + 1];
    int32_t top;  // the coarsest level built
    uint8_t *owned[kFineMaxLevel + 1];
};

// Builds levels 1..top from `background` (width x height, BGR). 0 when
// memory ran out (then nothing is held). FreeFineLevels gives it back.
int FineBuildLevels(FineLevels *levels, const uint8_t *background, int32_t width, int32_t height,
                    int32_t top);
void FreeFineLevels(FineLevels *levels);

// Where a frame plays: the sprite's top-left corner on the desktop, the
// composite (w x h x 3 bytes, w*h*4 allocated) it fills, and the glass tint
// it plays with (FineExpose's; null: the deck's own).
struct FineTarget {
    int32_t x, y;
    uint8_t *composite;
    const uint8_t *tint;
};

// The glass lights a dark desktop up, as an eye adjusts to the dark: where
// the darkened desktop under the ball is dark, the frame plays with a
// stronger tint, up to 1.82 times the deck's. A ball showing a dark photo
// at the desktop's own dimness read as murk, smoked glass; lit up as much
// over a light page, it read as milky, lit from inside. FineExposureLimit, at
// set-up: the largest gain in 128ths, which never gives back more than the
// dimming at `brightness` percent took. FineExpose, per frame: the tint for
// a sprite at (x, y), from the desktop's mean under the largest ball (read
// from level FineExposureLevel, or the coarsest built below it), and never
// past what the blend's 16-bit lanes hold.
int32_t FineExposureLimit(int32_t brightness);
int32_t FineExposureLevel(const FineDeck &deck);
void FineExpose(const FineDeck &deck, const FineLevels &levels, int32_t x, int32_t y,
                int32_t limit, uint8_t tint[4]);

void FineRenderRecord(const FineDeck &deck, int32_t record, const FineLevels &levels,
                      const FineTarget &target);
void FineRenderRecordPlain(const FineDeck &deck, int32_t record, const FineLevels &levels,
                           const FineTarget &target);
void FinePasteRecord(const FineDeck &deck, int32_t record, const uint8_t *composite,
                     uint8_t *desktop, int32_t desktopWidth, int32_t x, int32_t y);

#endif
