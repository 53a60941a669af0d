// The compressor's cost on frame data, and the cost of baking the built-in
// container from scratch.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "ball_bake.h"
#include "container.h"
#include "container_writer.h"
#include "lzss.h"
#include "test_support.h"

namespace {

// The decoded streams of every frame of the built-in container, end to end.
std::vector<Bytes> FrameStreams() {
    std::vector<Bytes> streams;
    Bytes c = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    if (!ValidateContainer(c.data(), (uint32_t)c.size(), nullptr, nullptr, 0)) {
        // No baked container: synthetic lens frames of the same shape.
        for (int i = 0; i < 60; i++)
            streams.push_back(WordsToBytes(
                RunsFromWords(FrameWords(LensPlan(128, 128, 13 + (i % 30) * 3 / 2, i)), 128)));
        return streams;
    }
    const uint8_t *slot = c.data() + kContainerHeaderBytes;
    uint32_t at = ReadLe32(slot + kEntryFirstRecord);
    uint32_t capacity = ReadLe32(slot + kEntryWidth) * ReadLe32(slot + kEntryHeight) * 4;
    for (int i = 0; i < (int8_t)slot[kEntryFrameCount]; i++) {
        uint32_t length = ReadLe32(&c[at]);
        Bytes out(capacity);
        out.resize(LzssDecode(&c[at + 4], out.data(), length, capacity));
        streams.push_back(out);
        at += length + 8;
    }
    return streams;
}

void BM_LzssEncodeFrames(benchmark::State &state) {
    const std::vector<Bytes> streams = FrameStreams();
    uint64_t bytes = 0;
    for (const Bytes &s : streams) bytes += s.size();
    Bytes out(70000 + 70000 / 8 + 16);
    for (auto _ : state)
        for (const Bytes &s : streams)
            benchmark::DoNotOptimize(
                LzssEncode(s.data(), out.data(), (uint32_t)s.size(), (uint32_t)out.size()));
    state.SetBytesProcessed((int64_t)(bytes * state.iterations()));
    state.counters["frames"] = (double)streams.size();
}
BENCHMARK(BM_LzssEncodeFrames)->Unit(benchmark::kMillisecond);

// Incompressible input is the compressor's slow case: every insertion walks
// a tree without finding anything long.
void BM_LzssEncodeNoise(benchmark::State &state) {
    Bytes in(65536);
    uint32_t x = 12345;
    for (uint8_t &b : in) b = (uint8_t)((x = x * 1103515245u + 12345u) >> 16);
    Bytes out(in.size() + in.size() / 8 + 16);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            LzssEncode(in.data(), out.data(), (uint32_t)in.size(), (uint32_t)out.size()));
    state.SetBytesProcessed((int64_t)(in.size() * state.iterations()));
}
BENCHMARK(BM_LzssEncodeNoise)->Unit(benchmark::kMillisecond);

// What `orbtool bake` does with its defaults, short of writing the file.
void BM_BakeBuiltInContainer(benchmark::State &state) {
    size_t size = 0;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        std::string why;
        BakeBallContainer(BallParams(), &out, &why);
        size = out.size();
    }
    state.counters["bytes"] = (double)size;
}
BENCHMARK(BM_BakeBuiltInContainer)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
