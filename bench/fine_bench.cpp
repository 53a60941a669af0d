// The fine balls' costs: a whole play rendered frame by frame (the fast path
// and, beside it, the plain loop it is tested against), and the set-up the
// first frame waits for on a 3840 x 2160 screen (decoding every record and
// building the desktop's pyramid).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "ball_choice.h"
#include "engine.h"
#include "fine_render.h"
#include "test_support.h"

namespace {

Bytes FineBall(int side) {
    char path[512];
    snprintf(path, sizeof path, "%s/orb-fine-%d.lib", ORB_BALLS_DIR, side);
    return LoadContainerBytes(path);
}

// items/s: the frame's pixels a second.
void RenderFinePlay(benchmark::State &state, bool plain) {
    const int side = (int)state.range(0);
    const Bytes ball = FineBall(side);
    if (!IsFineContainer(ball.data(), (uint32_t)ball.size()))
        return state.SkipWithError("fine ball missing (build the orb_balls target)");
    std::vector<uint8_t> screen;
    StartScreen(screen, 1920, 1080, ball);
    gEngineOptions.dimOverride = 30;
    EngineSetup(nullptr);
    if (gEngine.inert) return state.SkipWithError("the engine did not start");
    gEngine.spriteX = 301, gEngine.spriteY = 203;
    int frame = 0;
    for (auto _ : state) {
        if (plain) {
            FineRenderRecordPlain(gEngine.fineDeck, gEngine.fineDeck.frameRecord[frame],
                                  gEngine.fineLevels,
                                  FineTarget{gEngine.spriteX, gEngine.spriteY,
                                             gEngine.compositeBuffer, nullptr});
        } else {
            RenderFrame(frame);
        }
        frame = frame + 1 == gEngine.frameCount ? 0 : frame + 1;
        benchmark::DoNotOptimize(gEngine.compositeBuffer);
    }
    state.SetItemsProcessed(state.iterations() * gEngine.spriteWidth * gEngine.spriteHeight);
    EngineTeardown(nullptr);
}

void BM_FineRenderFrameBySide(benchmark::State &state) { RenderFinePlay(state, false); }
void BM_FineRenderFramePlainBySide(benchmark::State &state) { RenderFinePlay(state, true); }
void EachSide(benchmark::internal::Benchmark *b) {
    for (int32_t side : kBallSides) b->Arg(side);
}
BENCHMARK(BM_FineRenderFrameBySide)->Apply(EachSide);
BENCHMARK(BM_FineRenderFramePlainBySide)->Apply(EachSide);

// Set-up at 3840 x 2160 with the fine 256: capture, dim, decode, pyramid.
void BM_FineSetUp4K(benchmark::State &state) {
    const Bytes ball = FineBall(256);
    if (!IsFineContainer(ball.data(), (uint32_t)ball.size()))
        return state.SkipWithError("fine ball missing (build the orb_balls target)");
    std::vector<uint8_t> screen;
    for (auto _ : state) {
        state.PauseTiming();
        StartScreen(screen, 3840, 2160, ball);
        gEngineOptions.dimOverride = 30;
        gEngineOptions.ballSide = 256;
        state.ResumeTiming();
        EngineSetup(nullptr);
        benchmark::DoNotOptimize(gEngine.fineLevels.pixels[1]);
        state.PauseTiming();
        EngineTeardown(nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FineSetUp4K)->Unit(benchmark::kMillisecond);

}  // namespace
