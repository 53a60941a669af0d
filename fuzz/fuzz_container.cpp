// A container from anywhere ("Scrsvr.lib" is read from the current folder):
// whatever ValidateContainer accepts must then play through the engine, at
// the edges of the background and inside it, without a stray access.
//
// Each run is kept cheap so that the fuzzer gets millions of them: one
// window only a few pixels larger than the sprite, a screen behind it taken
// once for the whole process, and the window size and sprite position taken
// from the container's spare word, which nothing else reads, so the fuzzer
// steers the geometry with the same mutations as the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "fuzz_engine.h"

namespace {

// The window is the sprite plus 0..kMaxSlack pixels each way. Below 3 the
// window is too small and every tick must leave it alone; a spare word of
// zero, as every writer leaves it, asks for the smallest window that plays.
const int32_t kMaxSlack = 7;
const int32_t kFitSlack = 3;
// Enough to play small frames in full; larger ones play their first frames.
const int64_t kPixelBudget = 1 << 16;

struct ContainerFuzz {
    ContainerFacts facts;
};
ContainerFuzz gFuzz;

// What the spare word (bytes 32..35) asks for.
struct Geometry {
    int32_t slackX, slackY;  // window = sprite + slack
    uint32_t x, y;           // sprite position, taken modulo the room there is
};

Geometry GeometryOf(const uint8_t *data) {
    const uint8_t *spare = data + kContainerHeaderBytes - 4;
    return Geometry{(spare[0] + kFitSlack) % (kMaxSlack + 1),
                    (spare[1] + kFitSlack) % (kMaxSlack + 1), spare[2], spare[3]};
}

// Every frame in order at one sprite position, each pasted and removed again
// as a tick does.
void PlayAt(int32_t x, int32_t y, int32_t frames) {
    gEngine.spriteX = x;
    gEngine.spriteY = y;
    for (int32_t i = 0; i < frames; i++) {
        SaveUnderSprite();
        RenderFrame(i);
        PasteComposite();
        RestoreUnderSprite();
    }
    gEngine.frameIndex = -1;
}

// The tick's own placement and state machine, through a whole play. In a
// window too small for the sprite no tick may draw anything.
void Tick(int32_t W, int32_t H, int32_t frames) {
    const int fits = EngineFitsWindow(W, H, gEngine.spriteWidth, gEngine.spriteHeight);
    for (int32_t t = 0; t < frames + 2; t++) EngineTick(nullptr);
    if (!fits && gOffscreen.presentCount != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // libFuzzer hands over an exact-size copy, so a read past the end shows.
    if (size > 8u << 20) return 0;
    if (!ValidateContainer(data, (uint32_t)size, &gFuzz.facts, nullptr, 0)) return 0;
    TakeFuzzScreen(kMaxFrameSide + kMaxSlack);
    const int32_t w = gFuzz.facts.width, h = gFuzz.facts.height;
    int32_t frames = gFuzz.facts.frameCount > 0 ? gFuzz.facts.frameCount : 0;  // still: none
    const int64_t framePixels = (int64_t)w * h;
    if (framePixels * frames > kPixelBudget) frames = (int32_t)(kPixelBudget / framePixels) + 1;
    const Geometry g = GeometryOf(data);

    // The sprite against the window's corners, then wherever the input says,
    // then the tick's own placement.
    const int32_t W = w + g.slackX, H = h + g.slackY;
    StartFuzzEngine(W, H, data, size);
    if (EngineFitsWindow(W, H, w, h)) {
        PlayAt(0, 0, frames);
        PlayAt(W - w - 1, H - h - 1, frames);
        PlayAt((int32_t)(g.x % (uint32_t)(W - w)), (int32_t)(g.y % (uint32_t)(H - h)), frames);
    }
    Tick(W, H, frames);
    EngineTeardown(nullptr);
    return 0;
}
