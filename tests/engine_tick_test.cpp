#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "settings.h"
#include "test_support.h"

namespace {

// The generator every placement draws from, written out independently.
struct Lcg {
    uint32_t state;
    int32_t Next() {
        state = state * 214013u + 2531011u;
        return (int32_t)((state >> 16) & 0x7FFF);
    }
};

const int32_t kW = 72, kH = 56, kSprite = 16, kFrames = 5;

struct EngineFixture : ::testing::Test {
    std::vector<uint8_t> screen;
    std::vector<FramePlan> plans;
    Bytes container;

    void Start(int32_t playMode, int32_t W = kW, int32_t H = kH, int32_t percent = 30) {
        plans.clear();
        std::vector<Words> frames;
        for (int32_t i = 0; i < kFrames; i++) {
            plans.push_back(LensPlan(kSprite, kSprite, 4 + i, i));
            frames.push_back(FrameWords(plans.back()));
        }
        container = BuildContainer(kSprite, kSprite, playMode, frames);
        StartScreen(screen, W, H, container);
        gEngineOptions.dimOverride = percent;
    }
    void TearDown() override {
        EngineTeardown(nullptr);
        OffscreenReset();
    }
    uint8_t Dimmed(int32_t x, int32_t y, int32_t ch, int32_t percent = 30) const {
        return (uint8_t)((PatternByte(x, y, ch) * (percent * 256 / 100)) >> 8);
    }
    uint8_t Screen(int32_t x, int32_t y, int32_t ch) const {
        return screen[((size_t)y * gOffscreen.width + x) * 3 + ch];
    }
    // What frame `f` at (x, y) must show, worked out from its plan directly.
    uint8_t Expected(int32_t f, int32_t x, int32_t y, int32_t c, int32_t r, int32_t ch) const {
        const FramePlan &p = plans[(size_t)f];
        size_t i = (size_t)r * p.w + c;
        if (c == p.w - 1 && r == p.h - 1) return Dimmed(x + c, y + r, ch);  // never pasted
        int32_t sx = x + p.sampleColumn[i], sy = y + p.sampleRow[i];
        uint8_t bgr[3] = {Dimmed(sx, sy, 0), Dimmed(sx, sy, 1), Dimmed(sx, sy, 2)};
        int32_t a = 8 * p.level[i];
        if (!a) return bgr[ch];
        int carry = 0, value = 0;
        for (int k = 0; k <= ch; k++) {
            int base = k == 0 ? bgr[0] : (bgr[k] & 0xFE);
            value = base + a > 255 ? 255 : base + a + (k ? carry : 0);
            carry = base + a > 255;
        }
        return (uint8_t)value;
    }
    void ExpectScreenShows(int32_t frame, int32_t x, int32_t y) {
        for (int32_t py = 0; py < gOffscreen.height; py++)
            for (int32_t px = 0; px < gOffscreen.width; px++)
                for (int32_t ch = 0; ch < 3; ch++) {
                    bool inside = frame >= 0 && px >= x && px < x + kSprite && py >= y &&
                                  py < y + kSprite;
                    uint8_t want = inside ? Expected(frame, x, y, px - x, py - y, ch)
                                          : Dimmed(px, py, ch);
                    ASSERT_EQ(Screen(px, py, ch), want)
                        << "pixel " << px << "," << py << " channel " << ch << " frame " << frame;
                }
    }
};

TEST(Random, FollowsTheLinearCongruentialSequence) {
    EngineReset();
    EXPECT_EQ(gEngine.randomState, 1u);
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
    SeedRandom(0);
    EXPECT_EQ(NextRandom(), 38);
}

TEST_F(EngineFixture, SetupDimsButShowsNothingUntilTheFirstTick) {
    Start(1);
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.inert, 0);
    EXPECT_EQ(gEngine.frameIndex, -1);
    EXPECT_EQ(gEngine.firstTick, 1);
    EXPECT_EQ(gOffscreen.timerId, 1u);
    EXPECT_EQ(gOffscreen.presentCount, 0);
    EXPECT_EQ(Screen(5, 5, 0), PatternByte(5, 5, 0));
    EXPECT_EQ(gEngine.background[(5 * kW + 5) * 3], Dimmed(5, 5, 0));
}

TEST_F(EngineFixture, BouncingSpriteStartsOnTheSecondTickAndFollowsItsPath) {
    Start(1);
    EngineSetup(nullptr);
    EngineTick(nullptr);
    EXPECT_EQ(gOffscreen.presentCount, 1);
    EXPECT_EQ(gOffscreen.lastPresent[2], kW);
    ExpectScreenShows(-1, 0, 0);
    Lcg lcg{12345};
    int32_t x = lcg.Next() % (kW - kSprite), y = lcg.Next() % (kH - kSprite);
    EXPECT_EQ(gEngine.spriteX, x);
    EXPECT_EQ(gEngine.spriteY, y);
    int32_t stepX = 2, stepY = 2;
    for (int32_t tick = 0; tick < 3 * kFrames + 40; tick++) {
        EngineTick(nullptr);
        EXPECT_EQ(gOffscreen.presentCount, tick + 2);
        const int32_t *r = gOffscreen.lastPresent;
        EXPECT_TRUE(r[0] == x - 2 && r[1] == y - 2 && r[2] == kSprite + 4 && r[3] == kSprite + 4);
        ExpectScreenShows(tick % kFrames, x, y);
        // The frame lives only on the screen: the background is clean again.
        EXPECT_EQ(gEngine.background[((size_t)y * kW + x) * 3], Dimmed(x, y, 0));
        x += stepX, y += stepY;
        if (x < 2) x = 2, stepX = 2;
        if (y < 2) y = 2, stepY = 2;
        if (x > kW - kSprite - 2) x = kW - kSprite - 3, stepX = -2;
        if (y > kH - kSprite - 2) y = kH - kSprite - 3, stepY = -2;
        ASSERT_EQ(gEngine.spriteX, x);
        ASSERT_EQ(gEngine.spriteY, y);
        EXPECT_EQ(gEngine.frameIndex, (tick + 1) % kFrames);
    }
}

TEST_F(EngineFixture, BounceClampsAtTheEdges) {
    Start(1);
    EngineSetup(nullptr);
    EngineTick(nullptr);
    const int32_t farX = kW - kSprite - 2;
    struct Case { int32_t x, step, x1, step1; };
    for (Case c : {Case{farX - 2, 2, farX, 2}, Case{farX, 2, farX - 1, -2},
                   Case{3, -2, 2, 2}, Case{2, -2, 2, 2}}) {
        gEngine.spriteX = c.x, gEngine.stepX = c.step;
        gEngine.spriteY = 10, gEngine.stepY = 2;
        EngineTick(nullptr);
        EXPECT_EQ(gEngine.spriteX, c.x1) << "from " << c.x;
        EXPECT_EQ(gEngine.stepX, c.step1) << "from " << c.x;
        EXPECT_EQ(gEngine.spriteY, 12);
    }
}

TEST_F(EngineFixture, AppearingSpritePlaysOnceWhenTheRollAllows) {
    Start(2);
    EngineSetup(nullptr);
    Lcg lcg{12345};
    int32_t tick = 0;
    for (;; tick++) {
        ASSERT_LT(tick, 500) << "never appeared";
        EngineTick(nullptr);
        if ((lcg.Next() & 255) >= 224) break;
        EXPECT_EQ(gEngine.frameIndex, -1);
    }
    int32_t spanX = kW - kSprite, spanY = kH - kSprite;
    int32_t x = lcg.Next() % spanX, y = lcg.Next() % spanY;
    if (x < 2) x = 0;
    if (y < 2) y = 0;
    if (x > spanX - 2) x = spanX - 1;
    if (y > spanY - 2) y = spanY - 1;
    EXPECT_EQ(gEngine.spriteX, x);
    EXPECT_EQ(gEngine.spriteY, y);
    EXPECT_EQ(gEngine.frameIndex, 0);
    int32_t presents = gOffscreen.presentCount;
    for (int32_t f = 0; f < kFrames; f++) {
        EngineTick(nullptr);
        EXPECT_EQ(gOffscreen.presentCount, presents + f + 1);
        EXPECT_EQ(gOffscreen.lastPresent[0], x);
        EXPECT_EQ(gOffscreen.lastPresent[2], kSprite);
        ExpectScreenShows(f, x, y);
    }
    EngineTick(nullptr);  // the erase
    EXPECT_EQ(gEngine.frameIndex, -1);
    ExpectScreenShows(-1, 0, 0);
}

TEST_F(EngineFixture, StillModesPaintOnceAndNothingMore) {
    for (int32_t mode : {0, 5, 127, -1, -128}) {
        Start(mode);
        EngineSetup(nullptr);
        for (int i = 0; i < 50; i++) EngineTick(nullptr);
        EXPECT_EQ(gOffscreen.presentCount, 1) << "mode " << mode;
        ExpectScreenShows(-1, 0, 0);
        EngineTeardown(nullptr);
    }
}

TEST_F(EngineFixture, WindowsTooSmallForTheSpriteDrawNothing) {
    for (int32_t W : {kSprite - 1, kSprite, kSprite + 1, kSprite + 2}) {
        Start(1, W, kH);
        EngineSetup(nullptr);
        EXPECT_EQ(gEngine.inert, 0);  // setup ran in full
        for (int i = 0; i < 20; i++) EngineTick(nullptr);
        EXPECT_EQ(gOffscreen.presentCount, 0) << "width " << W;
        EngineTeardown(nullptr);
    }
    Start(1, kSprite + 3, kSprite + 3);
    EngineSetup(nullptr);
    for (int i = 0; i < 40; i++) {
        EngineTick(nullptr);
        if (i == 0) continue;
        ASSERT_GE(gEngine.spriteX, 0);
        ASSERT_LE(gEngine.spriteX + kSprite, kSprite + 3 - 1);
    }
    EXPECT_EQ(gOffscreen.presentCount, 40);
}

TEST_F(EngineFixture, FailedCaptureGivesABlackUndimmedBackground) {
    Start(0);
    gOffscreen.failCapture = 1;
    EngineSetup(nullptr);
    EngineTick(nullptr);
    for (uint8_t b : screen) ASSERT_EQ(b, 0);
}

TEST_F(EngineFixture, WithoutAUsableContainerOrEdgeTheEngineStaysInert) {
    Start(1);
    gOffscreen.builtin = nullptr;
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.inert, 1);
    EngineTick(nullptr);
    EXPECT_EQ(gOffscreen.presentCount, 0);
    EngineTeardown(nullptr);

    Start(1);
    gOffscreen.failOpen = 1;
    EngineSetup(nullptr);
    EngineTick(nullptr);
    EXPECT_EQ(gOffscreen.presentCount, 0);
    EngineTeardown(nullptr);
    EXPECT_EQ(gOffscreen.opened, 0);

    Start(1);
    gOffscreen.failTimer = 1;
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.timerId, 0u);
    EngineTeardown(nullptr);
    EngineTick(nullptr);  // a stray tick after teardown
    EXPECT_EQ(gOffscreen.presentCount, 0);
}

TEST_F(EngineFixture, AContainerFileIsPlayedOnlyWhenItIsValid) {
    Start(1);
    std::vector<Words> frames = {FrameWords(LensPlan(8, 8, 3, 0))};
    Bytes file = BuildContainer(8, 8, 3, frames);
    std::string path = ::testing::TempDir() + "orb_container_file.lib";
    auto write = [&](const Bytes &bytes) {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    };
    gEngineOptions.containerFileName = path.c_str();
    write(file);
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.containerFromFile, 1);
    EXPECT_EQ(gEngine.spriteWidth, 8);
    EXPECT_EQ(gEngine.playMode, 3);
    EngineTeardown(nullptr);

    for (Bytes bad : {Bytes(file.begin(), file.end() - 3), Bytes(), Bytes(1000, 0xFF)}) {
        write(bad);
        EngineSetup(nullptr);
        EXPECT_EQ(gEngine.containerFromFile, 0);
        EXPECT_EQ(gEngine.spriteWidth, kSprite);  // the built-in one
        EngineTeardown(nullptr);
    }
    remove(path.c_str());
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.containerFromFile, 0);
}

TEST_F(EngineFixture, RenderFrameOnlyStartsOverOrGoesOn) {
    Start(1);
    EngineSetup(nullptr);
    gEngine.spriteX = 10, gEngine.spriteY = 10;
    std::vector<uint8_t> before(gEngine.compositeBuffer, gEngine.compositeBuffer + kSprite * kSprite * 3);
    RenderFrame(3);  // nothing rendered yet to go on from
    EXPECT_EQ(0, memcmp(before.data(), gEngine.compositeBuffer, before.size()));

    auto rendered = [&]() {
        return std::vector<uint8_t>(gEngine.compositeBuffer,
                                    gEngine.compositeBuffer + kSprite * kSprite * 3);
    };
    RenderFrame(1);
    RenderFrame(0);
    std::vector<uint8_t> first = rendered();
    RenderFrame(4);  // the index picks nothing: this is the second record
    std::vector<uint8_t> second = rendered();
    RenderFrame(-1);
    RenderFrame(kFrames);
    EXPECT_EQ(rendered(), second);
    RenderFrame(1);
    RenderFrame(2);
    RenderFrame(3);
    RenderFrame(1);  // past the last record: refused
    EXPECT_EQ(gEngine.recordNumber, kFrames);
    RenderFrame(0);
    EXPECT_EQ(rendered(), first);
    RenderFrame(1);
    EXPECT_EQ(rendered(), second);
    EXPECT_NE(first, second);
}

TEST_F(EngineFixture, RepaintShowsTheCleanBackgroundClippedToTheWindow) {
    const uint8_t kCovered = 0xEE;  // what a window over the saver left behind
    auto cover = [&]() { std::fill(screen.begin(), screen.end(), kCovered); };
    // Only the rectangle x0..x1-1, y0..y1-1 came back, and without the ball.
    auto expectRepainted = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        for (int32_t y = 0; y < kH; y++)
            for (int32_t x = 0; x < kW; x++) {
                bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
                ASSERT_EQ(Screen(x, y, 1), inside ? Dimmed(x, y, 1) : kCovered)
                    << "pixel " << x << "," << y;
            }
    };
    Start(1);
    EngineSetup(nullptr);
    EXPECT_EQ(EngineRepaint(nullptr, 0, 0, kW, kH), 0);  // the first tick has not painted yet
    EXPECT_EQ(gOffscreen.presentCount, 0);
    EngineTick(nullptr);
    EngineTick(nullptr);  // the ball is on the screen
    int32_t presents = gOffscreen.presentCount;

    cover();
    EXPECT_EQ(EngineRepaint(nullptr, 0, 0, kW, kH), 1);
    expectRepainted(0, 0, kW, kH);
    cover();
    EngineRepaint(nullptr, -5, 3, 20, 1000);
    expectRepainted(0, 3, 15, kH);
    EXPECT_TRUE(gOffscreen.lastPresent[0] == 0 && gOffscreen.lastPresent[1] == 3 &&
                gOffscreen.lastPresent[2] == 15 && gOffscreen.lastPresent[3] == kH - 3);
    cover();
    EngineRepaint(nullptr, 10, 20, INT32_MAX, INT32_MAX);  // a far corner past any int
    expectRepainted(10, 20, kW, kH);
    EXPECT_EQ(gOffscreen.presentCount, presents + 3);

    // Nothing to show: nothing presented.
    EngineRepaint(nullptr, kW, 0, 10, 10);
    EngineRepaint(nullptr, 5, 5, 0, 10);
    EngineRepaint(nullptr, 5, 5, 10, -1);
    EngineRepaint(nullptr, INT32_MIN, 0, INT32_MAX, kH);
    EXPECT_EQ(gOffscreen.presentCount, presents + 3);

    EngineTeardown(nullptr);
    EXPECT_EQ(EngineRepaint(nullptr, 0, 0, kW, kH), 0);
    EXPECT_EQ(gOffscreen.presentCount, presents + 3);
}

TEST_F(EngineFixture, StoredSettingChoosesTheDimming) {
    std::string folder = ::testing::TempDir() + "orb_engine_settings";
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    StoreSettings(ORB_SETTINGS_VALUE_NAME, 55, 0, 0);
    Start(0);
    gEngineOptions.dimOverride = -1;
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.dimPercent, 55);
    EXPECT_EQ(gEngine.background[0], (uint8_t)((PatternByte(0, 0, 0) * 140) >> 8));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
