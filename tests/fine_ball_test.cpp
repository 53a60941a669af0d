// The baked fine ball through the engine: it plays, the desktop round its
// frame stays dimmed exactly, and over a desktop of random noise the picture
// inside is smooth (few repeated pixels) and its squeezed rim quiet.
#include <gtest/gtest.h>

#include <cstring>

#include "edge_offscreen.h"
#include "engine.h"
#include "fine_bake.h"
#include "smoothness.h"
#include "test_support.h"

namespace {

uint8_t NoiseByte(size_t i) {
    uint32_t h = (uint32_t)i * 2654435761u;
    h ^= h >> 15;
    h *= 0x2c1b3c6dU;
    return (uint8_t)(h >> 17);
}

TEST(FineBall, PlaysSmoothlyAndLeavesTheDesktopRoundItDimmed) {
    for (int32_t side : {128, 256}) {
        FineBallParams p = FineBallFor(side);
        p.frames = 2;  // frame 0 is the largest ball
        Bytes ball;
        std::string why;
        ASSERT_TRUE(BakeFineBallContainer(p, &ball, &why)) << why;
        const int32_t W = side == 128 ? 640 : 1000, H = side == 128 ? 400 : 600;
        for (int32_t dim : {100, 30}) {
            std::vector<uint8_t> screen;
            StartScreen(screen, W, H, ball);
            for (size_t i = 0; i < screen.size(); i++) screen[i] = NoiseByte(i);
            const std::vector<uint8_t> desk = screen;
            gEngineOptions.dimOverride = dim;
            EngineSetup(nullptr);
            ASSERT_FALSE(gEngine.inert);
            ASSERT_EQ(gEngine.spriteWidth, p.frameSide);
            EngineTick(nullptr);  // first paint, placement
            EngineTick(nullptr);  // frame 0
            const int32_t x0 = gOffscreen.lastPresent[0] + 2, y0 = gOffscreen.lastPresent[1] + 2;
            std::vector<uint8_t> dimmed = desk;
            DimBackground(dimmed.data(), W, H, dim);
            size_t wrong = 0, changedInside = 0;
            for (int32_t y = 0; y < H; y++)
                for (int32_t x = 0; x < W; x++) {
                    bool inside = x >= x0 && x < x0 + p.frameSide && y >= y0 && y < y0 + p.frameSide;
                    size_t at = ((size_t)y * W + x) * 3;
                    bool same = memcmp(&screen[at], &dimmed[at], 3) == 0;
                    if (!inside) wrong += !same;
                    else changedInside += !same;
                }
            EXPECT_EQ(wrong, 0u) << side;
            EXPECT_GT(changedInside, (size_t)(p.maxDiameter * p.maxDiameter / 2)) << side;
            if (dim == 100) {
                auto at = [&](const std::vector<uint8_t> &image) {
                    return [&image, W](int x, int y, uint8_t *c) {
                        memcpy(c, &image[((size_t)y * W + x) * 3], 3);
                    };
                };
                Smoothness f = MeasureSmoothness(x0, y0, p.frameSide, p.maxDiameter / 2.0,
                                                 at(screen), at(desk));
                printf("fine %d: %.2f %% identical neighbours inside 0.8 r, ring spread %.2f of "
                       "the desktop's\n",
                       side, 100 * f.identicalShare, f.ringSpread);
                EXPECT_LT(f.identicalShare, 0.03) << side;
                EXPECT_LE(f.ringSpread, 0.6) << side;
            }
            EngineTeardown(nullptr);
        }
    }
}

// The built-in ball: the fine one of the chosen side by default, the classic
// one when asked for or when the fine frame would not fit the window.
TEST(FineBall, PlaysInPlaceOfTheClassicBallUnlessItCannot) {
    const Bytes classic = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    FineBallParams p = FineBallFor(128);
    p.frames = 2;
    Bytes fine;
    std::string why;
    ASSERT_TRUE(BakeFineBallContainer(p, &fine, &why)) << why;
    const struct {
        int32_t W, H, classicBall, side;
    } cases[] = {{640, 480, 0, p.frameSide}, {640, 480, 1, 128}, {170, 170, 0, 128}};
    for (const auto &c : cases) {
        std::vector<uint8_t> screen;
        StartScreen(screen, c.W, c.H, classic);
        gOffscreen.fine[0] = {128, fine.data(), (uint32_t)fine.size()};
        gEngineOptions.classicBall = c.classicBall;
        EngineSetup(nullptr);
        EXPECT_FALSE(gEngine.inert);
        EXPECT_EQ(gEngine.spriteWidth, c.side) << c.W << " " << c.classicBall;
        EXPECT_EQ(gEngine.fine, c.side != 128);
        EngineTeardown(nullptr);
    }
}

}  // namespace
