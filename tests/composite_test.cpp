#include <gtest/gtest.h>

#include <vector>

#include "container.h"
#include "engine.h"
#include "test_support.h"

// A background of W x H with distinct pixels, and room for a w x h composite.
struct CompositeFixture : ::testing::Test {
    std::vector<uint8_t> background, composite;
    void Prepare(int32_t W, int32_t H, int32_t w, int32_t h) {
        EngineReset();
        background.assign((size_t)W * H * 3 + 1024, 0);
        for (size_t i = 0; i < (size_t)W * H * 3; i++) background[i] = (uint8_t)(i * 11 + 3);
        composite.assign((size_t)w * h * 4, 0);
        gEngine.background = background.data();
        gEngine.screenWidth = W;
        gEngine.screenHeight = H;
        gEngine.compositeBuffer = composite.data();
    }
    std::vector<uint8_t> Pixel(int32_t W, int32_t x, int32_t y) {
        size_t at = ((size_t)y * W + x) * 3;
        return {background[at], background[at + 1], background[at + 2]};
    }
    std::vector<uint8_t> Out(int32_t i) {
        return {composite[3 * i], composite[3 * i + 1], composite[3 * i + 2]};
    }
};

static std::vector<uint8_t> Lit(std::vector<uint8_t> bgr, int level) {
    int a = 8 * level, carry = 0;
    std::vector<uint8_t> out(3);
    for (int ch = 0; ch < 3; ch++) {
        int base = ch == 0 ? bgr[0] : (bgr[ch] & 0xFE) + carry;
        int sum = (ch == 0 ? bgr[0] : (bgr[ch] & 0xFE)) + a;
        carry = sum > 255;
        out[ch] = (uint8_t)(sum > 255 ? 255 : base + a);
    }
    return level ? out : bgr;
}

TEST(StepDecomposition, RowsAndColumns) {
    EXPECT_EQ(StepColumns(512), 512);
    EXPECT_EQ(StepRows(512), 0);
    EXPECT_EQ(StepColumns(513), -511);
    EXPECT_EQ(StepRows(513), 1);
    EXPECT_EQ(StepColumns(-511), -511);
    EXPECT_EQ(StepRows(-511), 0);
    EXPECT_EQ(StepColumns(-512), 512);
    EXPECT_EQ(StepRows(-512), -1);
    EXPECT_EQ(StepColumns(897), -127);
    EXPECT_EQ(StepRows(897), 1);
}

TEST_F(CompositeFixture, FollowsTheSamplingPath) {
    Prepare(4, 3, 2, 2);
    const uint32_t words[4] = {0x00000008, 0x00000101, 0x0003FF02, 0xFFFFFF1F};
    CompositeFrame(1, 0, 2, 2, words);
    EXPECT_EQ(Out(0), Lit(Pixel(4, 1, 0), 8));
    EXPECT_EQ(Out(1), Lit(Pixel(4, 2, 0), 1));
    EXPECT_EQ(Out(2), Lit(Pixel(4, 1, 1), 2));
    EXPECT_EQ(Out(3), Lit(Pixel(4, 0, 1), 31));
}

TEST_F(CompositeFixture, LightingSaturatesThroughGuardBits) {
    struct Case { uint8_t in[3]; int level; uint8_t out[3]; };
    const Case cases[] = {
        {{7, 7, 7}, 1, {15, 14, 14}},        {{200, 60, 60}, 8, {255, 125, 124}},
        {{250, 10, 255}, 1, {255, 19, 255}}, {{10, 255, 11}, 2, {26, 255, 27}},
        {{0, 0, 0}, 31, {248, 248, 248}},    {{8, 201, 77}, 0, {8, 201, 77}},
    };
    for (const Case &c : cases) {
        Prepare(2, 2, 1, 1);
        for (int ch = 0; ch < 3; ch++) background[ch] = c.in[ch];
        background[3] = 0xFF;  // the byte after the sample must not show
        const uint32_t word = (uint32_t)c.level;
        CompositeFrame(0, 0, 1, 1, &word);
        EXPECT_EQ(Out(0), (std::vector<uint8_t>{c.out[0], c.out[1], c.out[2]}))
            << "level " << c.level;
    }
}

TEST_F(CompositeFixture, IdentityFrameReproducesTheBackground) {
    const int32_t W = 300, H = 200, w = 128, h = 128, x = 57, y = 31;
    Prepare(W, H, w, h);
    Words words = FrameWords(IdentityPlan(w, h));
    ASSERT_EQ(words[0], 0u);
    ASSERT_EQ(words[1], 0x100u);
    ASSERT_EQ(words[128], 0x00038100u);
    CompositeFrame(x, y, w, h, words.data());
    for (int32_t r = 0; r < h; r++)
        for (int32_t c = 0; c < w; c++)
            ASSERT_EQ(Out(r * w + c), Pixel(W, x + c, y + r)) << c << "," << r;
}
