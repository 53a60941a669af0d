// The frame path's decoder copies from its own output instead of the ring;
// it must agree with the ring decoder on every stream, at every capacity.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "container.h"
#include "lzss.h"
#include "test_support.h"

namespace {

struct Outcome {
    Bytes bytes;  // the decoded bytes
    Bytes beyond;  // what lies past the capacity: must be untouched
    uint32_t count;
    int32_t truncated;
};

typedef uint32_t (*Decoder)(const uint8_t *, uint8_t *, uint32_t, uint32_t);

Outcome DecodeWith(Decoder decode, const Bytes &in, uint32_t capacity) {
    Outcome o;
    o.bytes.assign((size_t)capacity + 32, 0xA5);
    o.count = decode(in.data(), o.bytes.data(), (uint32_t)in.size(), capacity);
    o.truncated = gLzss.outputTruncated;
    o.beyond.assign(o.bytes.begin() + capacity, o.bytes.end());
    o.bytes.resize(o.count);
    return o;
}

void ExpectSame(const Bytes &in, uint32_t capacity) {
    Outcome ref = DecodeWith(LzssDecodeReference, in, capacity);
    Outcome fast = DecodeWith(LzssDecode, in, capacity);
    ASSERT_EQ(fast.count, ref.count) << "capacity " << capacity << ", " << in.size() << " bytes in";
    ASSERT_EQ(fast.truncated, ref.truncated) << "capacity " << capacity;
    ASSERT_EQ(fast.bytes, ref.bytes) << "capacity " << capacity;
    ASSERT_EQ(fast.beyond, Bytes(32, 0xA5)) << "wrote past capacity " << capacity;
}

// A stream of literals and references chosen to hit the awkward cases: every
// distance from 1 to 18 (overlapping copies), distances near 4096 and equal
// to it, positions in the zero fill before anything was written there.
Bytes CraftedStream(std::mt19937 &rng, int groups) {
    Bytes s;
    for (int g = 0; g < groups; g++) {
        uint8_t flags = (uint8_t)rng();
        s.push_back(flags);
        for (int item = 0; item < 8; item++) {
            if (flags >> item & 1) {
                s.push_back((uint8_t)(rng() % 4));  // few values: references find matches
                continue;
            }
            uint32_t position;
            switch (rng() % 4) {
            case 0: position = (uint32_t)rng() % 4096; break;          // anywhere
            case 1: position = (4078u + (uint32_t)rng() % 64) & 4095u; break;  // near the start
            case 2: position = (4060u + (uint32_t)rng() % 18) & 4095u; break;  // the zero fill
            default: position = (uint32_t)rng() % 40 + 4040u; break;
            }
            uint32_t length = (uint32_t)rng() % 16;
            s.push_back((uint8_t)position);
            s.push_back((uint8_t)((position >> 8) << 4 | length));
        }
    }
    return s;
}

}  // namespace

TEST(LzssFastDecode, AgreesOnRandomBytes) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 300; trial++) {
        Bytes in((size_t)(rng() % 3000));
        for (uint8_t &b : in) b = (uint8_t)rng();
        ExpectSame(in, 65536);
        ExpectSame(in, (uint32_t)rng() % 2000);  // cut short somewhere
    }
}

TEST(LzssFastDecode, AgreesOnCraftedReferences) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 200; trial++) {
        Bytes in = CraftedStream(rng, 1 + (int)(rng() % 800));  // some pass 4096 bytes and wrap
        ExpectSame(in, 1 << 16);
        ExpectSame(in, (uint32_t)rng() % 4500);
    }
}

TEST(LzssFastDecode, EveryDistanceAndLengthAfterAWrittenRun) {
    // 40 distinct bytes, then one reference of each distance 1..40 and each
    // length 3..18: overlapping and not, starting right after the literals.
    for (uint32_t distance = 1; distance <= 40; distance++)
        for (uint32_t length = 3; length <= 18; length++) {
            Bytes literals;
            for (int i = 0; i < 40; i++) literals.push_back((uint8_t)(i + 1));
            Bytes in = StoreAsLiterals(literals);
            uint32_t position = (4078u + 40u - distance) & 4095u;
            in.push_back(0x00);
            in.push_back((uint8_t)position);
            in.push_back((uint8_t)((position >> 8) << 4 | (length - 3)));
            ExpectSame(in, 1024);
            ExpectSame(in, 40 + length - 1);  // one byte short
        }
}

TEST(LzssFastDecode, ReferencesAcrossTheFourKilobyteHorizon) {
    // Write past 4096 bytes, then refer to the write position itself (the
    // byte written 4096 bytes ago) and to the oldest and newest bytes.
    Bytes data;
    for (int i = 0; i < 4200; i++) data.push_back((uint8_t)(i * 131 + (i >> 7)));
    Bytes base = StoreAsLiterals(data);
    uint32_t r = (4078u + 4200u) & 4095u;
    for (uint32_t back : {0u, 1u, 2u, 17u, 4095u, 4094u, 4080u}) {
        Bytes in = base;
        uint32_t position = (r - back) & 4095u;
        in.push_back(0x00);
        for (int i = 0; i < 8; i++) {
            in.push_back((uint8_t)position);
            in.push_back((uint8_t)((position >> 8) << 4 | 15));
        }
        ExpectSame(in, 1 << 16);
    }
}

TEST(LzssFastDecode, AgreesOnTheBuiltInFrames) {
    Bytes c = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    ASSERT_FALSE(c.empty()) << ORB_BUILTIN_CONTAINER;
    ContainerFacts facts;
    ASSERT_TRUE(ValidateContainer(c.data(), (uint32_t)c.size(), &facts, nullptr, 0));
    for (int i = 0; i < facts.frameCount; i++) {
        const FrameFacts &ff = facts.frames[i];
        Bytes in(c.begin() + ff.recordOffset + 4, c.begin() + ff.recordOffset + 4 + ff.inputLength);
        ExpectSame(in, 128 * 128 * 4);
        ExpectSame(in, ff.decodedBytes / 2);
    }
}

TEST(LzssFastDecode, AgreesOnCompressorOutput) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 40; trial++) {
        Bytes data((size_t)(rng() % 20000));
        uint32_t alphabet = 1 + rng() % 6;
        for (size_t i = 0; i < data.size(); i++)
            data[i] = i >= 4 && rng() % 3 ? data[i - 4] : (uint8_t)(rng() % alphabet);
        Bytes packed(data.size() * 9 / 8 + 16);
        packed.resize(LzssEncode(data.data(), packed.data(), (uint32_t)data.size(),
                                 (uint32_t)packed.size()));
        ExpectSame(packed, (uint32_t)data.size());
        Outcome fast = DecodeWith(LzssDecode, packed, (uint32_t)data.size());
        EXPECT_EQ(fast.bytes, data);
    }
}
