// The frame path stage by stage, against the ring decoder it replaced:
// decoding (fast and reference), run expansion and compositing, over every
// frame of the built-in container.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "container.h"
#include "engine.h"
#include "lzss.h"
#include "test_support.h"

namespace {

struct Play {
    Bytes container;
    ContainerFacts facts;
    std::vector<Bytes> streams;  // each frame's LZSS output
    std::vector<Words> runs;     // each frame's word runs, as decoded
    bool ok = false;
};

const Play &BuiltinPlay() {
    static Play play = [] {
        Play p;
        p.container = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
        p.ok = ValidateContainer(p.container.data(), (uint32_t)p.container.size(), &p.facts,
                                 nullptr, 0);
        for (int i = 0; p.ok && i < p.facts.frameCount; i++) {
            const FrameFacts &ff = p.facts.frames[i];
            Bytes out((size_t)p.facts.width * p.facts.height * 4);
            out.resize(LzssDecode(p.container.data() + ff.recordOffset + 4, out.data(),
                                  ff.inputLength, (uint32_t)out.size()));
            Words words(out.size() / 4);
            memcpy(words.data(), out.data(), words.size() * 4);
            p.streams.push_back(out);
            p.runs.push_back(words);
        }
        return p;
    }();
    return play;
}

// All frames of the play per iteration; bytes are decoded output.
template <uint32_t (*Decode)(const uint8_t *, uint8_t *, uint32_t, uint32_t)>
void DecodeAllFrames(benchmark::State &state) {
    const Play &p = BuiltinPlay();
    if (!p.ok) return state.SkipWithError("built-in container missing or invalid");
    std::vector<uint8_t> out((size_t)p.facts.width * p.facts.height * 4);
    uint64_t bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < p.facts.frameCount; i++) {
            const FrameFacts &f = p.facts.frames[i];
            bytes += Decode(p.container.data() + f.recordOffset + 4, out.data(), f.inputLength,
                            (uint32_t)out.size());
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed((int64_t)bytes);
    state.SetItemsProcessed((int64_t)state.iterations() * p.facts.frameCount);
}

void BM_FrameDecodeFast(benchmark::State &state) { DecodeAllFrames<LzssDecode>(state); }
void BM_FrameDecodeReference(benchmark::State &state) {
    DecodeAllFrames<LzssDecodeReference>(state);
}
BENCHMARK(BM_FrameDecodeFast);
BENCHMARK(BM_FrameDecodeReference);

void BM_FrameWordRuns(benchmark::State &state) {
    const Play &p = BuiltinPlay();
    if (!p.ok) return state.SkipWithError("built-in container missing or invalid");
    int32_t pixels = p.facts.width * p.facts.height;
    Words out((size_t)pixels);
    for (auto _ : state) {
        for (const Words &runs : p.runs)
            DecodeWordRuns(out.data(), pixels, runs.data(), (int32_t)runs.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed((int64_t)state.iterations() * p.facts.frameCount);
}
BENCHMARK(BM_FrameWordRuns);

void BM_FrameComposite(benchmark::State &state) {
    const Play &p = BuiltinPlay();
    if (!p.ok) return state.SkipWithError("built-in container missing or invalid");
    const int32_t W = 1024, H = 768, w = p.facts.width, h = p.facts.height;
    std::vector<Words> frames;
    for (const Words &runs : p.runs) {
        Words words((size_t)w * h);
        DecodeWordRuns(words.data(), w * h, runs.data(), (int32_t)runs.size());
        frames.push_back(words);
    }
    std::vector<uint8_t> background((size_t)W * H * 3 + kBackgroundSpareBytes);
    for (size_t i = 0; i < background.size(); i++) background[i] = (uint8_t)(i * 7 + (i >> 9));
    std::vector<uint8_t> composite((size_t)w * h * 4);
    EngineReset();
    gEngine.background = background.data();
    gEngine.screenWidth = W;
    gEngine.screenHeight = H;
    gEngine.compositeBuffer = composite.data();
    for (auto _ : state) {
        for (const Words &words : frames) CompositeFrame(300, 200, w, h, words.data());
        benchmark::DoNotOptimize(composite.data());
    }
    state.SetItemsProcessed((int64_t)state.iterations() * p.facts.frameCount);
    EngineReset();
}
BENCHMARK(BM_FrameComposite);

}  // namespace
