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

namespace {

std::vector<uint8_t> gScreen;  // the largest window any valid container can ask for

void TakeScreen(void) {
    if (!gScreen.empty()) return;
    const size_t side = kMaxFrameSide + 8;
    gScreen.resize(side * side * 3);
    for (size_t i = 0; i < gScreen.size(); i++) gScreen[i] = (uint8_t)(i * 29 + (i >> 11));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 8u << 20) return 0;
    FineFacts facts;
    if (!DecodeFineContainer(data, (uint32_t)size, nullptr, &facts, nullptr, 0)) return 0;
    if (ValidateContainer(data, (uint32_t)size, nullptr, nullptr, 0))
        abort();  // a classic reader must never take a fine container
    TakeScreen();
    const int32_t w = facts.width, h = facts.height;
    const int32_t W = w + 3 + (int32_t)(size % 5), H = h + 3 + (int32_t)(size / 5 % 5);
    EngineReset();
    OffscreenReset();
    gOffscreen.screen = gScreen.data();
    gOffscreen.width = W;
    gOffscreen.height = H;
    gOffscreen.builtin = data;
    gOffscreen.builtinSize = (uint32_t)size;
    gOffscreen.clockSeconds = (uint32_t)size;
    gEngineOptions.containerFileName = nullptr;
    gEngineOptions.dimOverride = 30;
    EngineSetup(nullptr);
    if (gEngine.inert) abort();  // a container that passed the checks must load
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
