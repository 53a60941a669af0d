// Which built-in ball a screen gets: the density table, the steps down for
// screens too small, the 128 for small windows, and the engine playing the
// chosen one (or the one asked for) through the in-memory screen.
#include <gtest/gtest.h>

#include <vector>

#include "ball_choice.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "test_support.h"

namespace {

const int32_t kAll[] = {128, 192, 256, 384};

int32_t Choose(int32_t scale, int32_t w, int32_t h) { return ChooseBallSide(scale, w, h, kAll, 4); }

TEST(BallChoice, EachCommonDensityGetsTheBallNearestTo128TimesItsScale) {
    EXPECT_EQ(Choose(100, 1920, 1080), 128);  // 96 DPI
    EXPECT_EQ(Choose(150, 2560, 1440), 192);  // 144 DPI
    EXPECT_EQ(Choose(200, 3840, 2160), 256);  // 192 DPI
    EXPECT_EQ(Choose(300, 5120, 2880), 384);  // 288 DPI
    // Between two sizes the nearer by ratio: 160 is 1.25 x 128 but 1.2 x 192.
    EXPECT_EQ(Choose(125, 1920, 1080), 192);
    EXPECT_EQ(Choose(175, 2880, 1800), 256);
    EXPECT_EQ(Choose(110, 1920, 1080), 128);
    EXPECT_EQ(Choose(500, 7680, 4320), 384);  // beyond the largest: the largest
}

TEST(BallChoice, SmallWindowsUnknownScalesAndMissingSizesGetThe128) {
    EXPECT_EQ(Choose(300, 639, 2000), 128);
    EXPECT_EQ(Choose(300, 2000, 479), 128);
    EXPECT_EQ(Choose(0, 3840, 2160), 128);
    EXPECT_EQ(Choose(-200, 3840, 2160), 128);
    const int32_t only128[] = {128};
    EXPECT_EQ(ChooseBallSide(300, 5120, 2880, only128, 1), 128);
    const int32_t noMiddle[] = {128, 384};
    EXPECT_EQ(ChooseBallSide(200, 3840, 2160, noMiddle, 2), 384);  // 384 is nearer 256 than 128
    EXPECT_EQ(ChooseBallSide(150, 3840, 2160, noMiddle, 2), 128);
}

TEST(BallChoice, AScreenTooSmallForTheBallStepsDownToTheLargestThatFits) {
    // Every carried side fits 640 x 480 (a ball needs its side and 3 pixels
    // of slack), so the step down shows with a larger side.
    EXPECT_EQ(Choose(300, 640, 480), 384);
    const int32_t withHuge[] = {128, 256, 512};
    EXPECT_EQ(ChooseBallSide(400, 640, 515, withHuge, 3), 512);
    EXPECT_EQ(ChooseBallSide(400, 640, 514, withHuge, 3), 256);
    EXPECT_EQ(ChooseBallSide(400, 514, 640, withHuge, 3), 128);  // too narrow for a window
    // The chosen size and every step down obey the fit rule the engine plays by.
    for (int32_t scale = 50; scale <= 500; scale += 25)
        for (int32_t h = 480; h <= 800; h += 7) {
            int32_t side = Choose(scale, 700, h);
            EXPECT_TRUE(side == 128 || EngineFitsWindow(700, h, side, side)) << scale << " " << h;
        }
}

// The engine plays the ball the edge's scale asks for, from the balls the
// program carries; an asked-for side wins, and one it lacks falls back to
// the 128 rather than to nothing.
TEST(BallChoice, TheEnginePlaysTheChosenBuiltinBall) {
    Bytes small = BuildContainer(16, 16, 1, {FrameWords(LensPlan(16, 16, 5, 0))});
    Bytes large = BuildContainer(40, 40, 1, {FrameWords(LensPlan(40, 40, 12, 0))});
    std::vector<uint8_t> screen;
    struct Case {
        int32_t scale, asked, width, height, sprite;
    } cases[] = {
        {100, 0, 1024, 768, 16},  // 96 DPI: the 128 (here 16 pixels)
        {200, 0, 1024, 768, 40},  // 192 DPI: the 256 (here 40 pixels)
        {200, 0, 600, 400, 16},   // a small window
        {100, 256, 1024, 768, 40},
        {200, 384, 1024, 768, 16},  // not carried
    };
    for (const Case &c : cases) {
        StartScreen(screen, c.width, c.height, small);
        gOffscreen.larger[0] = {256, large.data(), (uint32_t)large.size()};
        gOffscreen.scalePercent = c.scale;
        gEngineOptions.ballSide = c.asked;
        EngineSetup(nullptr);
        EXPECT_EQ(gEngine.inert, 0);
        EXPECT_EQ(gEngine.spriteWidth, c.sprite) << c.scale << " " << c.asked << " " << c.width;
        EngineTeardown(nullptr);
    }
}

}  // namespace
