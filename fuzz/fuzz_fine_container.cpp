// A fine container from anywhere ("Scrsvr.lib", orb -lib): whatever its
// reader accepts must then play through the engine, the frame against the
// window's corners and through the tick's own placement, without a stray
// access; and no classic reader may take what it accepts.
//
// The window is the frame plus a few pixels, sized from the container's
// length so that the fuzzer steers it with the same mutations as the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "fuzz_engine.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 8u << 20) return 0;
    FineFacts facts;
    if (!DecodeFineContainer(data, (uint32_t)size, nullptr, &facts, nullptr, 0)) return 0;
    if (ValidateContainer(data, (uint32_t)size, nullptr, nullptr, 0))
        abort();  // a classic reader must never take a fine container
    TakeFuzzScreen(kMaxFrameSide + 8);
    const int32_t w = facts.width, h = facts.height;
    const int32_t W = w + 3 + (int32_t)(size % 5), H = h + 3 + (int32_t)(size / 5 % 5);
    StartFuzzEngine(W, H, data, size);
    // Every frame at the far corners, then a few ticks of the tick's own.
    const int32_t corners[2][2] = {{0, 0}, {W - w, H - h}};
    for (const auto &at : corners) {
        gEngine.spriteX = at[0];
        gEngine.spriteY = at[1];
        for (int32_t i = 0; i < facts.frameCount; i++) {
            SaveUnderSprite();
            RenderFrame(i);
            PasteComposite();
            RestoreUnderSprite();
        }
    }
    for (int32_t t = 0; t < 4; t++) EngineTick(nullptr);
    EngineTeardown(nullptr);
    return 0;
}
