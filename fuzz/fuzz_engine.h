// fuzz_engine.h -- what the fuzz targets that play a container share: one
// screen behind every window, taken once at the largest size a valid
// container can ask for, and a clean engine over it whose built-in
// container is the input.
#ifndef ORB_FUZZ_FUZZ_ENGINE_H
#define ORB_FUZZ_FUZZ_ENGINE_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "edge_offscreen.h"
#include "engine.h"

inline std::vector<uint8_t> gFuzzScreen;

// A side x side screen of a pattern with no flat stretches; only the first
// call takes it.
inline void TakeFuzzScreen(size_t side) {
    if (!gFuzzScreen.empty()) return;
    gFuzzScreen.resize(side * side * 3);
    for (size_t i = 0; i < gFuzzScreen.size(); i++) gFuzzScreen[i] = (uint8_t)(i * 29 + (i >> 11));
}

// The engine set up over a W x H window on that screen, playing `data`. A
// container that passed the checks must load, so an inert engine aborts.
inline void StartFuzzEngine(int32_t W, int32_t H, const uint8_t *data, size_t size) {
    EngineReset();
    OffscreenReset();
    gOffscreen.screen = gFuzzScreen.data();
    gOffscreen.width = W;
    gOffscreen.height = H;
    gOffscreen.builtin = data;
    gOffscreen.builtinSize = (uint32_t)size;
    gOffscreen.clockSeconds = (uint32_t)size;
    gEngineOptions.containerFileName = nullptr;
    gEngineOptions.dimOverride = 30;
    EngineSetup(nullptr);
    if (gEngine.inert) abort();
}

#endif
