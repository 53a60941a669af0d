// The frame path's costs: decoding, rendering a whole play, dimming.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ball_choice.h"
#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "lzss.h"
#include "test_support.h"

namespace {

// The built-in container when it has been baked, else a synthetic one of the
// same shape: 60 frames of 128 x 128, about three quarters of pixels untouched.
Bytes PlayContainer() {
    Bytes bytes = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    if (ValidateContainer(bytes.data(), (uint32_t)bytes.size(), nullptr, nullptr, 0)) return bytes;
    std::vector<Words> frames;
    for (int i = 0; i < 60; i++) {
        int radius = 13 + (i < 30 ? 29 - i : i - 30) * 45 / 29;
        frames.push_back(FrameWords(LensPlan(128, 128, radius, i)));
    }
    return BuildContainer(128, 128, 1, frames);
}

const Bytes &Container() {
    static const Bytes container = PlayContainer();
    return container;
}

void BM_LzssDecode(benchmark::State &state) {
    const Bytes &c = Container();
    ContainerFacts facts;
    ValidateContainer(c.data(), (uint32_t)c.size(), &facts, nullptr, 0);
    std::vector<uint8_t> out(128 * 128 * 4);
    uint64_t bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < facts.frameCount; i++) {
            const FrameFacts &f = facts.frames[i];
            bytes += LzssDecode(c.data() + f.recordOffset + 4, out.data(), f.inputLength,
                                (uint32_t)out.size());
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed((int64_t)bytes);
}
BENCHMARK(BM_LzssDecode);

// A whole play, frame by frame, as the tick renders it (no presentation).
void RenderEachFrame(benchmark::State &state, const Bytes &container) {
    if (!ValidateContainer(container.data(), (uint32_t)container.size(), nullptr, nullptr, 0))
        return state.SkipWithError("container missing or invalid");
    std::vector<uint8_t> screen;
    StartScreen(screen, 1024, 768, container);
    gEngineOptions.dimOverride = 30;
    EngineSetup(nullptr);
    gEngine.spriteX = 300, gEngine.spriteY = 200;
    int frame = 0;
    for (auto _ : state) {
        RenderFrame(frame);
        frame = frame + 1 == gEngine.frameCount ? 0 : frame + 1;
        benchmark::DoNotOptimize(gEngine.compositeBuffer);
    }
    state.SetItemsProcessed(state.iterations());
    EngineTeardown(nullptr);
}

void BM_RenderFramePerFrame(benchmark::State &state) { RenderEachFrame(state, Container()); }
BENCHMARK(BM_RenderFramePerFrame);

// Each built-in ball's frame, by its side: the time per frame, and in
// items/s the ball's pixels a second, which stays level while the cost grows
// no faster than the ball's area.
void BM_RenderFrameBySide(benchmark::State &state) {
    const int side = (int)state.range(0);
    char path[512];
    snprintf(path, sizeof path, "%s/orb-%d.lib", ORB_BALLS_DIR, side);
    const Bytes ball = side == kDefaultBallSide ? Container() : LoadContainerBytes(path);
    RenderEachFrame(state, ball);
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_RenderFrameBySide)->Apply([](benchmark::internal::Benchmark *b) {
    for (int32_t side : kBallSides) b->Arg(side);
});

// The same over the ball the built-in one replaced, kept in bench/data, so
// the two costs are measured side by side in one run.
void BM_RenderFramePerFramePrevious(benchmark::State &state) {
    static const Bytes previous = LoadContainerBytes(ORB_PREVIOUS_CONTAINER);
    RenderEachFrame(state, previous);
}
BENCHMARK(BM_RenderFramePerFramePrevious);

void BM_DimBackground(benchmark::State &state) {
    int32_t w = (int32_t)state.range(0), h = (int32_t)state.range(1);
    std::vector<uint8_t> pixels((size_t)w * h * 3, 200);
    for (auto _ : state) {
        DimBackground(pixels.data(), w, h, 100);  // 100 %: the bytes stay, so every pass is alike
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)pixels.size());
}
BENCHMARK(BM_DimBackground)->Args({1920, 1080})->Args({3840, 2160});

// The baseline: one memcpy of the same buffer.
void BM_MemcpyBaseline(benchmark::State &state) {
    size_t n = (size_t)state.range(0) * (size_t)state.range(1) * 3;
    std::vector<uint8_t> from(n, 200), to(n, 0);
    for (auto _ : state) {
        memcpy(to.data(), from.data(), n);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)n);
}
BENCHMARK(BM_MemcpyBaseline)->Args({1920, 1080})->Args({3840, 2160});

}  // namespace
