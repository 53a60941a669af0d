// The baked fine ball through the engine: it plays, the desktop round its
// frame stays dimmed exactly, and over a desktop of random noise the picture
// inside is smooth (few repeated pixels) and its squeezed rim quiet.
#include <gtest/gtest.h>

#include <array>
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

// The screen after a tick must be the darkened desktop with exactly the
// pixels of the frame just drawn at (x0, y0): nothing left of earlier frames
// (a tick shows only what changed), nothing else touched.
void ExpectScreen(const std::vector<uint8_t> &screen, const std::vector<uint8_t> &dimmed,
                  int32_t W, int32_t x0, int32_t y0) {
    std::vector<uint8_t> want = dimmed;
    FinePasteRecord(gEngine.fineDeck, gEngine.fineRecord, gEngine.compositeBuffer, want.data(), W,
                    x0, y0);
    size_t wrong = 0;
    for (size_t i = 0; i < want.size(); i++) wrong += want[i] != screen[i];
    EXPECT_EQ(wrong, 0u) << "frame at " << x0 << ", " << y0;
}

TEST(FineBall, PlaysSmoothlyAndLeavesTheDesktopRoundItDimmed) {
    for (int32_t side : {128, 256}) {
        FineBallParams p = FineBallFor(side);
        p.frames = 2;  // frame 0 the largest ball, frame 1 the smallest
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
            std::vector<uint8_t> dimmed = desk;
            DimBackground(dimmed.data(), W, H, dim);
            EngineTick(nullptr);  // first paint, placement
            for (int32_t frame = 0; frame < 3; frame++) {
                const int32_t x0 = gEngine.spriteX, y0 = gEngine.spriteY;
                EngineTick(nullptr);
                ExpectScreen(screen, dimmed, W, x0, y0);
                if (frame > 0 || dim != 100) continue;
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

// The shadow and the light the ball focuses fade out inside the frame: a
// change on the frame's edge would end the shadow in a hard line there.
TEST(FineBall, ItsShadowFadesOutInsideTheFrame) {
    for (int32_t side : {128, 256}) {
        const FineBallParams p = FineBallFor(side);
        const FineRecord r = BakeFineRecord(p, 0);  // the largest ball
        const int32_t last = p.frameSide - 1;
        for (const FineSpan &s : r.spans)
            EXPECT_TRUE(s.row > 0 && s.row < last && s.column > 0 && s.column + s.count - 1 < last)
                << side << ": row " << s.row << ", columns " << s.column << " + " << s.count;
    }
}

// The ball's middle against the desktop beside it: lit up over a dark one,
// not over a light one, nor at full brightness, with no dimming to give back.
TEST(FineBall, LightsADarkDesktopUpButNotALightOne) {
    FineBallParams p = FineBallFor(128);
    p.frames = 2;
    Bytes ball;
    std::string why;
    ASSERT_TRUE(BakeFineBallContainer(p, &ball, &why)) << why;
    // Desktop, brightness, and the least and most share in per cent.
    for (auto c : {std::array<int, 4>{40, 30, 160, 260}, {230, 30, 90, 125}, {40, 100, 90, 125}}) {
        std::vector<uint8_t> screen;
        StartScreen(screen, 640, 400, ball);
        std::fill(screen.begin(), screen.end(), (uint8_t)c[0]);
        gEngineOptions.dimOverride = c[1];
        EngineSetup(nullptr);
        for (int tick = 0; tick < 2; tick++) EngineTick(nullptr);  // placement, then a frame
        const size_t row = (size_t)(gEngine.spriteY + p.frameSide / 2) * 640;
        double share = 100.0 * screen[(row + gEngine.spriteX + p.frameSide / 2) * 3] /
                       screen[(row + (gEngine.spriteX < 320 ? 639 : 0)) * 3];  // beside the frame
        EXPECT_TRUE(share >= c[2] && share <= c[3]) << c[0] << " at " << c[1] << " %: " << share;
        EngineTeardown(nullptr);
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
