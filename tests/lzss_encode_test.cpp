#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "container.h"
#include "lzss.h"
#include "test_support.h"

namespace {

Bytes Encode(const Bytes &in, uint32_t capacity) {
    Bytes out(capacity + 16, 0xCC);
    uint32_t n = LzssEncode(in.data(), out.data(), (uint32_t)in.size(), capacity);
    for (size_t i = capacity; i < out.size(); i++) EXPECT_EQ(out[i], 0xCC) << "wrote past capacity";
    EXPECT_LE(n, capacity);
    out.resize(n);
    return out;
}

Bytes Encode(const Bytes &in) { return Encode(in, (uint32_t)(in.size() + in.size() / 8 + 16)); }

Bytes Decode(const Bytes &in, uint32_t capacity) {
    Bytes out(capacity);
    out.resize(LzssDecode(in.data(), out.data(), (uint32_t)in.size(), capacity));
    return out;
}

void ExpectRoundTrip(const Bytes &in) {
    Bytes packed = Encode(in);
    EXPECT_EQ(gLzss.outputTruncated, 0);
    EXPECT_EQ(Decode(packed, (uint32_t)in.size() + 64), in);
}

TEST(LzssEncode, KnownStreams) {
    EXPECT_TRUE(Encode({}).empty());
    EXPECT_EQ(Encode({'a', 'b', 'c'}), (Bytes{0x07, 0x61, 0x62, 0x63}));
    EXPECT_EQ(Encode(Bytes(10, 0x61)), (Bytes{0x01, 0x61, 0xEE, 0xF6}));
    // The first bytes may refer into the zero fill before the start position.
    EXPECT_EQ(Encode(Bytes(10, 0x00)), (Bytes{0x00, 0xDC, 0xF7}));
}

TEST(LzssEncode, AFullLastGroupIsFollowedByALoneFlagByte) {
    Bytes eight = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Encode(eight), (Bytes{0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x00}));
    Bytes sixteen;
    for (int i = 1; i <= 16; i++) sixteen.push_back((uint8_t)(i * 7));
    Bytes packed = Encode(sixteen);
    ASSERT_EQ(packed.size(), 2u + 16u + 1u);
    EXPECT_EQ(packed.back(), 0x00);
    EXPECT_EQ(Decode(packed, 64), sixteen);
}

TEST(LzssEncode, RoundTripsRandomRepetitiveAndStructuredData) {
    std::mt19937 random(12345);
    for (uint32_t size : {1u, 2u, 17u, 18u, 19u, 4095u, 4096u, 4097u, 20000u, 70000u}) {
        Bytes noise(size), fewSymbols(size), sparse(size);
        for (uint32_t i = 0; i < size; i++) {
            noise[i] = (uint8_t)random();
            fewSymbols[i] = (uint8_t)(random() % 3);
            sparse[i] = random() % 40 == 0 ? (uint8_t)random() : 0;
        }
        ExpectRoundTrip(noise);
        ExpectRoundTrip(fewSymbols);
        ExpectRoundTrip(sparse);
        ExpectRoundTrip(Bytes(size, 0xAB));
    }
    // Long runs of near-equal strings drive the trees deep enough to splay.
    Bytes periodic;
    for (int i = 0; i < 50000; i++) periodic.push_back((uint8_t)((i % 1021) * 37 % 251));
    ExpectRoundTrip(periodic);
}

TEST(LzssEncode, RoundTripsFrameData) {
    std::vector<Words> frames = {FrameWords(LensPlan(128, 128, 58, 1)),
                                 FrameWords(LensPlan(128, 128, 13, 2)),
                                 FrameWords(IdentityPlan(128, 128))};
    for (const Words &frame : frames) {
        Bytes bytes = WordsToBytes(RunsFromWords(frame, 128));
        ExpectRoundTrip(bytes);
        EXPECT_LT(Encode(bytes).size(), bytes.size() / 2) << "frame data should pack well";
    }
}

TEST(LzssEncode, ReproducesEveryStoredRecordOfTheBuiltInContainer) {
    Bytes container = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    ASSERT_GE(container.size(), (size_t)kContainerMinBytes) << ORB_BUILTIN_CONTAINER;
    ASSERT_EQ(ValidateContainer(container.data(), (uint32_t)container.size(), nullptr, nullptr, 0),
              1);
    const uint8_t *slot = container.data() + kContainerHeaderBytes;
    size_t at = ReadLe32(slot);
    int32_t frames = (int8_t)slot[13];
    uint32_t capacity = ReadLe32(slot + 4) * ReadLe32(slot + 8) * 4;
    for (int32_t i = 0; i < frames; i++) {
        uint32_t length = ReadLe32(&container[at]);
        Bytes stored(container.begin() + (long)at + 4, container.begin() + (long)(at + 4 + length));
        Bytes decoded = Decode(stored, capacity);
        EXPECT_EQ(Encode(decoded), stored) << "frame " << i;
        at += length + 8;
    }
}

TEST(LzssEncode, StopsAtCapacityWithAPrefixOfTheFullStream) {
    Bytes input;
    for (int i = 0; i < 3000; i++) input.push_back((uint8_t)(i * i >> 3));
    Bytes full = Encode(input);
    ASSERT_EQ(gLzss.outputTruncated, 0);
    for (uint32_t capacity : {0u, 1u, 9u, 100u, (uint32_t)full.size() - 1}) {
        Bytes cut = Encode(input, capacity);
        EXPECT_EQ(gLzss.outputTruncated, 1) << capacity;
        EXPECT_EQ(cut.size(), capacity);
        EXPECT_TRUE(std::equal(cut.begin(), cut.end(), full.begin())) << capacity;
    }
    EXPECT_EQ(Encode(input, (uint32_t)full.size()), full);
    EXPECT_EQ(gLzss.outputTruncated, 0);
}

TEST(LzssEncode, EachCallStartsClean) {
    Bytes a(5000), b(300);
    for (size_t i = 0; i < a.size(); i++) a[i] = (uint8_t)(i % 7 + 'a');
    for (size_t i = 0; i < b.size(); i++) b[i] = (uint8_t)(i % 5);
    Bytes first = Encode(b);
    Encode(a);
    EXPECT_EQ(Encode(b), first);
}

}  // namespace
