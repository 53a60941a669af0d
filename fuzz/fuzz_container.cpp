// A container from anywhere ("Scrsvr.lib" is read from the current folder):
// whatever ValidateContainer accepts must then play through the engine, at
// the edges of the background and in its middle, without a stray access.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"

namespace {

// Enough to play small frames in full; larger ones play their first frames.
const int64_t kPixelBudget = 1 << 20;

void StartEngine(std::vector<uint8_t> &screen, int32_t W, int32_t H, const uint8_t *data,
                 size_t size) {
    EngineReset();
    OffscreenReset();
    screen.assign((size_t)W * H * 3, 0);
    for (size_t i = 0; i < screen.size(); i++) screen[i] = (uint8_t)(i * 29 + (i >> 11));
    gOffscreen.screen = screen.data();
    gOffscreen.width = W;
    gOffscreen.height = H;
    gOffscreen.builtin = data;
    gOffscreen.builtinSize = (uint32_t)size;
    gOffscreen.clockSeconds = (uint32_t)size;
    gEngineOptions.containerFileName = nullptr;
    gEngineOptions.dimOverride = 30;
    EngineSetup(nullptr);
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 8u << 20) return 0;
    // An exact-size copy, so a read past the end is caught.
    uint8_t *copy = (uint8_t *)malloc(size ? size : 1);
    if (size) memcpy(copy, data, size);
    static ContainerFacts facts;
    char why[200];
    int valid = ValidateContainer(copy, (uint32_t)size, &facts, why, sizeof why);
    if (!valid) {
        free(copy);
        return 0;
    }
    const int32_t w = facts.width, h = facts.height;
    const int64_t framePixels = (int64_t)w * h;
    int32_t frames = facts.frameCount > 0 ? facts.frameCount : 0;  // still modes may have none
    if (framePixels * frames > kPixelBudget) frames = (int32_t)(kPixelBudget / framePixels) + 1;

    std::vector<uint8_t> screen;
    // The smallest window the engine plays in, one with room around the
    // sprite, and one a pixel too narrow, where every tick must do nothing.
    const int32_t sizes[3][2] = {{w + 3, h + 3}, {w + 37, h + 20}, {w + 2, h + 40}};
    for (const auto &s : sizes) {
        const int32_t W = s[0], H = s[1];
        StartEngine(screen, W, H, copy, size);
        if (gEngine.inert) abort();  // a container that passed the checks must load
        if (EngineFitsWindow(W, H, w, h)) {
            PlayAt(0, 0, frames);
            PlayAt(W - w - 1, H - h - 1, frames);  // against the right and bottom edges
            PlayAt((W - w) / 2, 1, frames);
            gEngine.frameIndex = -1;
        }
        // And the tick's own placement and state machine, through a whole play.
        for (int32_t t = 0; t < frames + 3; t++) EngineTick(nullptr);
        EngineTeardown(nullptr);
    }
    free(copy);
    return 0;
}
