#include <gtest/gtest.h>

#include <vector>

#include "engine.h"

static std::vector<uint8_t> Dim(std::vector<uint8_t> bytes, int32_t percent) {
    DimBackground(bytes.data(), (int32_t)bytes.size() / 3, 1, percent);
    return bytes;
}

TEST(Dimming, KeepsTheGivenShareOfEveryChannel) {
    EXPECT_EQ(Dim({255, 128, 100}, 30), (std::vector<uint8_t>{75, 38, 29}));
    EXPECT_EQ(Dim({255, 1, 77}, 100), (std::vector<uint8_t>{255, 1, 77}));
    EXPECT_EQ(Dim({255, 1, 77}, 0), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(Dim({255, 128, 1}, 1), (std::vector<uint8_t>{1, 1, 0}));  // factor 2
    EXPECT_EQ(Dim({255, 128, 0}, 50), (std::vector<uint8_t>{127, 64, 0}));
}

TEST(Dimming, ValuesAboveAHundredWrapInsteadOfClamping) {
    // A stored 200 is not clamped: each result is cut to its low 8 bits.
    EXPECT_EQ(Dim({255, 128, 2}, 200), (std::vector<uint8_t>{254, 0, 4}));
    // Extreme stored values must not be undefined behaviour either.
    for (int32_t p : {INT32_MAX, INT32_MIN, -1, 99999}) {
        std::vector<uint8_t> in(256 * 3);
        for (size_t i = 0; i < in.size(); i++) in[i] = (uint8_t)i;
        std::vector<uint8_t> out = Dim(in, p);
        int64_t factor = (int64_t)p * 256 / 100;
        for (size_t i = 0; i < in.size(); i++)
            ASSERT_EQ(out[i], (uint8_t)(((int64_t)in[i] * factor) >> 8)) << p;
    }
}

TEST(Dimming, TouchesOnlyTheImage) {
    std::vector<uint8_t> bytes(3 * 4 + 5, 200);
    DimBackground(bytes.data(), 2, 2, 30);
    for (size_t i = 0; i < 12; i++) EXPECT_EQ(bytes[i], 59);
    for (size_t i = 12; i < bytes.size(); i++) EXPECT_EQ(bytes[i], 200);
}
