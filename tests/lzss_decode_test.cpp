#include <gtest/gtest.h>

#include "lzss.h"
#include "test_support.h"

static Bytes Decode(const Bytes &in, uint32_t capacity = 1 << 16) {
    Bytes out(capacity + 16, 0xCC);
    uint32_t n = LzssDecode(in.data(), out.data(), (uint32_t)in.size(), capacity);
    for (size_t i = capacity; i < out.size(); i++) EXPECT_EQ(out[i], 0xCC) << "wrote past capacity";
    out.resize(n);
    return out;
}

TEST(LzssDecode, KnownStreams) {
    EXPECT_TRUE(Decode({}).empty());
    EXPECT_EQ(Decode({0x07, 0x61, 0x62, 0x63}), (Bytes{'a', 'b', 'c'}));
    // A literal at 4078, then a reference to it that overlaps itself.
    EXPECT_EQ(Decode({0x01, 0x61, 0xEE, 0xF6}), Bytes(10, 0x61));
    // A reference into ring positions never written: they must read as zero.
    EXPECT_EQ(Decode({0x00, 0xDC, 0xF7}), Bytes(10, 0x00));
}

TEST(LzssDecode, InputEndingMidItemKeepsWhatCameBefore) {
    EXPECT_EQ(Decode({0x03, 0x61, 0x62}), (Bytes{'a', 'b'}));      // literal missing
    EXPECT_EQ(Decode({0x01, 0x61, 0xEE}), (Bytes{'a'}));            // second byte of a reference missing
    EXPECT_EQ(Decode({0x07, 0x61, 0x62, 0x63, 0x00}), (Bytes{'a', 'b', 'c'}));  // lone flag byte
}

TEST(LzssDecode, EveryCallStartsFromAZeroRing) {
    // Fill the ring with 'x' through a long run, then read the zero fill again.
    Bytes fill = {0x01, 'x'};
    for (int i = 0; i < 7; i++) fill.push_back(0xEE), fill.push_back(0xFF);
    EXPECT_EQ(Decode(fill).size(), 1u + 7 * 18);
    EXPECT_EQ(Decode({0x00, 0xDC, 0xF7}), Bytes(10, 0x00));
}

TEST(LzssDecode, StopsAtCapacityAndSaysSo) {
    Bytes out = Decode({0x01, 0x61, 0xEE, 0xF6}, 4);
    EXPECT_EQ(out, Bytes(4, 0x61));
    EXPECT_EQ(gLzss.outputTruncated, 1);
    Decode({0x01, 0x61, 0xEE, 0xF6}, 10);
    EXPECT_EQ(gLzss.outputTruncated, 0);
    EXPECT_TRUE(Decode({0x07, 0x61, 0x62, 0x63}, 0).empty());
}

TEST(LzssDecode, LiteralStreamsRoundTrip) {
    Bytes data;
    for (int i = 0; i < 5000; i++) data.push_back((uint8_t)(i * 37 + (i >> 5)));
    EXPECT_EQ(Decode(StoreAsLiterals(data)), data);
}
