#include <gtest/gtest.h>

#include <random>

#include "lzss.h"
#include "test_support.h"

namespace {

// Decode into a guarded buffer; anything written past capacity fails.
Bytes RunDecode(const Bytes &in, uint32_t capacity = 4096) {
    Bytes out(capacity + 8, 0xCC);
    uint32_t n = ByteRunDecode(out.data(), capacity, in.data(), (uint32_t)in.size());
    EXPECT_LE(n, capacity);
    for (size_t i = capacity; i < out.size(); i++) EXPECT_EQ(out[i], 0xCC) << "wrote past capacity";
    out.resize(n);
    return out;
}

// The simplest encoder of the same code: literal runs of up to 128 bytes,
// repeats for three or more equal bytes.
Bytes RunEncode(const Bytes &in) {
    Bytes out;
    size_t i = 0, literal = 0;
    auto flush = [&](size_t end) {
        while (literal < end) {
            size_t k = end - literal < 128 ? end - literal : 128;
            out.push_back((uint8_t)(0x80 | (k - 1)));
            out.insert(out.end(), in.begin() + (long)literal, in.begin() + (long)(literal + k));
            literal += k;
        }
    };
    while (i < in.size()) {
        size_t n = 1;
        while (i + n < in.size() && n < 128 && in[i + n] == in[i]) n++;
        if (n >= 3) {
            flush(i);
            out.push_back((uint8_t)(n - 1));
            out.push_back(in[i]);
            i += n;
            literal = i;
        } else {
            i += n;
        }
    }
    flush(in.size());
    return out;
}

TEST(ByteRunDecode, RepeatsAndLiterals) {
    EXPECT_EQ(RunDecode({0x02, 0x41, 0x81, 0x78, 0x79}), (Bytes{0x41, 0x41, 0x41, 0x78, 0x79}));
    EXPECT_EQ(RunDecode({0x00, 0x07}), (Bytes{0x07}));
    EXPECT_EQ(RunDecode({0x7F, 0x09}), Bytes(128, 0x09));
    Bytes literal = {0xFF};
    for (int i = 0; i < 128; i++) literal.push_back((uint8_t)i);
    Bytes expected(literal.begin() + 1, literal.end());
    EXPECT_EQ(RunDecode(literal), expected);
    EXPECT_TRUE(RunDecode({}).empty());
}

TEST(ByteRunDecode, InputEndingInsideAnItem) {
    EXPECT_EQ(RunDecode({0x81, 0x78, 0x79, 0x05}), (Bytes{0x78, 0x79}));  // repeat without its byte
    EXPECT_EQ(RunDecode({0x84, 0x01, 0x02}), (Bytes{0x01, 0x02}));        // literal cut short
}

TEST(ByteRunDecode, NeverWritesPastCapacity) {
    EXPECT_EQ(RunDecode({0x09, 0x33}, 4), Bytes(4, 0x33));
    EXPECT_EQ(RunDecode({0x84, 1, 2, 3, 4, 5, 0x02, 9}, 3), (Bytes{1, 2, 3}));
    EXPECT_TRUE(RunDecode({0x09, 0x33}, 0).empty());
}

TEST(ByteRunDecode, RoundTripsEncodedData) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 50; trial++) {
        Bytes data(random() % 3000);
        for (uint8_t &b : data) b = random() % 4 == 0 ? (uint8_t)random() : (uint8_t)(trial & 3);
        EXPECT_EQ(RunDecode(RunEncode(data), 4096), data) << "trial " << trial;
    }
}

}  // namespace
