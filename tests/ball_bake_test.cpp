#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ball_bake.h"
#include "container.h"
#include "test_support.h"

namespace {

// Width of the ball (pixels on some facet) along its widest row and column.
int32_t BallExtent(const std::vector<BallPixel> &pixels, int32_t w, int32_t h) {
    int32_t widest = 0;
    for (int32_t y = 0; y < h; y++) {
        int32_t n = 0;
        for (int32_t x = 0; x < w; x++) n += pixels[(size_t)(y * w + x)].facet >= 0;
        if (n > widest) widest = n;
    }
    for (int32_t x = 0; x < w; x++) {
        int32_t n = 0;
        for (int32_t y = 0; y < h; y++) n += pixels[(size_t)(y * w + x)].facet >= 0;
        if (n > widest) widest = n;
    }
    return widest;
}

TEST(BallBake, BakingWithTheDefaultsReproducesTheBuiltInContainer) {
    Bytes committed = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    ASSERT_FALSE(committed.empty()) << ORB_BUILTIN_CONTAINER;
    Bytes baked;
    std::string why;
    ASSERT_EQ(BakeBallContainer(BallParams(), &baked, &why), 1) << why;
    ASSERT_EQ(baked.size(), committed.size());
    EXPECT_TRUE(baked == committed) << "re-bake resources/orb.lib with `orbtool bake`";
}

TEST(BallBake, TheBuiltInContainerKeepsTheHardLimits) {
    Bytes c = LoadContainerBytes(ORB_BUILTIN_CONTAINER);
    std::unique_ptr<ContainerFacts> facts(new ContainerFacts());
    char why[256] = "";
    ASSERT_EQ(ValidateContainer(c.data(), (uint32_t)c.size(), facts.get(), why, sizeof why), 1)
        << why;
    const ContainerFacts &f = *facts;
    EXPECT_LE(c.size(), 452778u);
    EXPECT_EQ(f.width, 128);
    EXPECT_EQ(f.height, 128);
    EXPECT_EQ(f.playMode, 1);
    EXPECT_EQ(f.frameCount, 60);
    EXPECT_EQ(f.endOffset, c.size());
    EXPECT_EQ(f.wordsWithHighBits, 0u);
    uint64_t total = 0;
    for (int i = 0; i < kLightLevels; i++) {
        EXPECT_GT(f.levelHistogram[i], 0u) << "level " << i << " unused";
        total += f.levelHistogram[i];
    }
    EXPECT_EQ(total, 60u * 128 * 128);
    double dark = (double)f.levelHistogram[0] / (double)total;
    EXPECT_GT(dark, 0.70) << "plain refraction stays the large majority";
    for (int i = 0; i < 60; i++) {
        EXPECT_LE(f.frames[i].decodedBytes, 65536u) << "frame " << i;
        EXPECT_EQ(f.frames[i].decodedBytes % 4, 0u);
        EXPECT_EQ(f.frames[i].packedLength, f.frames[i].inputLength);
        EXPECT_EQ(f.frames[i].runsCrossingRows, 0);
        EXPECT_EQ(f.frames[i].firstWord, 0u) << "frame " << i;
    }
}

TEST(BallBake, TheBallShrinksToItsSmallestSizeAndGrowsBack) {
    BallParams p;
    EXPECT_EQ(BallDiameter(p, 0), 116.0);
    EXPECT_EQ(BallDiameter(p, 29), 26.0);
    EXPECT_EQ(BallDiameter(p, 59), 116.0);
    std::vector<BallPixel> pixels;
    for (int32_t k = 0; k < 60; k++) {
        BakeBallPixels(p, k, &pixels);
        int32_t extent = BallExtent(pixels, 128, 128);
        double d = BallDiameter(p, k);
        // The cut outline lies inside the round one and touches it at corners.
        EXPECT_LE(extent, (int32_t)d + 1) << "frame " << k;
        EXPECT_GE(extent, (int32_t)(d * 0.9)) << "frame " << k;
        if (k > 0 && k <= 29) {
            EXPECT_LT(BallDiameter(p, k), BallDiameter(p, k - 1));
        } else if (k > 29) {
            EXPECT_GT(BallDiameter(p, k), BallDiameter(p, k - 1));
        }
    }
}

TEST(BallBake, TheLoopIsSeamless) {
    // One loop on, the turned facet pattern lies on itself again.
    BallParams p;
    std::vector<BallPixel> first, next;
    BakeBallPixels(p, 0, &first);
    BakeBallPixels(p, p.frames, &next);
    int32_t differ = 0;
    for (size_t i = 0; i < first.size(); i++)
        differ += first[i].sampleX != next[i].sampleX || first[i].sampleY != next[i].sampleY ||
                  first[i].level != next[i].level;
    EXPECT_LE(differ, 16) << "of " << first.size() << " pixels";
}

// Pixel (x, y) relative to the frame's centre, y up.
double FromCentreX(int32_t column, int32_t w) { return (double)column + 0.5 - (double)w / 2.0; }

TEST(BallBake, SamplesLandInsideTheFrameWithoutClamping) {
    // Every sample is drawn into a round field about the ball's centre,
    // within the ball's own outline (so the rim never shows a crescent of
    // the desktop beside the ball) and inside the frame's inscribed circle,
    // so nothing needs clamping to the frame's square; outside the ball
    // every pixel samples itself.
    for (int32_t refraction : {0, 100, 200}) {
        BallParams p;
        p.refraction = refraction;
        std::vector<BallPixel> pixels;
        for (int32_t k : {0, 15, 29}) {
            BakeBallPixels(p, k, &pixels);
            double radius = BallDiameter(p, k) / 2.0;
            double field = radius < 63.5 ? radius : 63.5;
            for (int32_t i = 0; i < 128 * 128; i++) {
                const BallPixel &b = pixels[(size_t)i];
                ASSERT_TRUE(b.sampleX >= 0 && b.sampleX < 128 && b.sampleY >= 0 && b.sampleY < 128)
                    << "refraction " << refraction << " frame " << k << " pixel " << i;
                double x = FromCentreX(i % 128, 128), y = FromCentreX(i / 128, 128);
                if (b.facet >= 0) {
                    double sx = FromCentreX(b.sampleX, 128), sy = FromCentreX(b.sampleY, 128);
                    EXPECT_LE(sx * sx + sy * sy, (field + 0.75) * (field + 0.75))
                        << "refraction " << refraction << " frame " << k << " pixel " << i;
                    continue;
                }
                EXPECT_EQ(b.sampleX, i % 128);
                EXPECT_EQ(b.sampleY, i / 128);
                // Off the ball nothing adds light: the desktop beyond it is
                // left as it is.
                if (x * x + y * y >= (radius + 1) * (radius + 1)) {
                    EXPECT_EQ(b.level, 0) << "frame " << k << " pixel " << i;
                }
            }
        }
    }
}

TEST(BallBake, ASmoothBallShowsTheDesktopUpsideDown) {
    // Without a cut the ball is symmetric: mirrored pixels sample mirrored
    // points, and a pixel right of (above) the centre samples left of (below)
    // it. Without bending each pixel samples itself.
    BallParams p;
    p.facetFrequency = 0;
    std::vector<BallPixel> pixels;
    BakeBallPixels(p, 0, &pixels);
    auto at = [&](int32_t x, int32_t y) { return pixels[(size_t)(y * 128 + x)]; };
    int32_t inverted = 0, inside = 0;
    for (int32_t y = 0; y < 128; y++)
        for (int32_t x = 0; x < 64; x++) {
            BallPixel a = at(x, y), b = at(127 - x, y);
            ASSERT_EQ(a.facet >= 0, b.facet >= 0);
            if (a.facet < 0) continue;
            inside++;
            EXPECT_NEAR(a.sampleX + b.sampleX, 127, 1) << x << "," << y;
            EXPECT_NEAR(a.sampleY, b.sampleY, 1) << x << "," << y;
            EXPECT_NEAR(a.sampleY + at(x, 127 - y).sampleY, 127, 1) << x << "," << y;
            inverted += x < 60 && a.sampleX > 64;
        }
    EXPECT_GT(inside, 3000);
    EXPECT_GT(inverted, inside * 9 / 10) << "the left half shows what lies right";
    // The picture bends smoothly all the way to the rim: neighbours inside
    // the ball sample near each other, so there is no seam or jump anywhere.
    for (int32_t y = 0; y < 127; y++)
        for (int32_t x = 0; x < 127; x++) {
            BallPixel a = at(x, y), right = at(x + 1, y), below = at(x, y + 1);
            if (a.facet < 0) continue;
            if (right.facet >= 0) {
                EXPECT_LE(abs(a.sampleX - right.sampleX) + abs(a.sampleY - right.sampleY), 5)
                    << x << "," << y;
            }
            if (below.facet >= 0) {
                EXPECT_LE(abs(a.sampleX - below.sampleX) + abs(a.sampleY - below.sampleY), 5)
                    << x << "," << y;
            }
        }
    p.refraction = 0;
    BakeBallPixels(p, 0, &pixels);
    for (int32_t i = 0; i < 128 * 128; i++) {
        EXPECT_NEAR(pixels[(size_t)i].sampleX, i % 128, 1) << i;
        EXPECT_NEAR(pixels[(size_t)i].sampleY, i / 128, 1) << i;
    }
}

TEST(BallBake, TheCutBreaksThePictureOnlySlightly) {
    // Facets shift their pieces of the picture by a pixel or so (they show
    // mostly in their light), and the cut ball stays close to the smooth
    // one: the picture is still one picture.
    BallParams cut, smooth;
    smooth.facetFrequency = 0;
    std::vector<BallPixel> a, b;
    BakeBallPixels(cut, 0, &a);
    BakeBallPixels(smooth, 0, &b);
    int32_t inside = 0, moved = 0, far = 0;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i].facet < 0) continue;
        inside++;
        int32_t d = abs(a[i].sampleX - b[i].sampleX) + abs(a[i].sampleY - b[i].sampleY);
        moved += d > 0;
        far += d > 8;
    }
    EXPECT_GT(moved, inside / 20) << "the cut shows";
    EXPECT_LT(far, inside / 50) << "the picture stays one picture";
}

TEST(BallBake, OtherParametersBakeValidContainers) {
    BallParams small;
    small.width = 64;
    small.height = 48;
    small.frames = 9;
    small.playMode = 2;
    small.facetFrequency = 1;
    small.turn = -2;
    small.maxDiameter = 40;
    small.minDiameter = 10;
    small.brightness = 150;
    small.refraction = 200;
    Bytes out;
    std::string why;
    ASSERT_EQ(BakeBallContainer(small, &out, &why), 1) << why;
    ContainerFacts facts;
    char violation[256] = "";
    ASSERT_EQ(ValidateContainer(out.data(), (uint32_t)out.size(), &facts, violation,
                                sizeof violation), 1) << violation;
    EXPECT_EQ(facts.frameCount, 9);
    EXPECT_EQ(facts.playMode, 2);
}

TEST(BallBake, TheWidestFrameStillStepsFromRowToRow) {
    // Each row's first sample lies most of a row's width back from the last
    // one of the row above: that step must still decode as one row down.
    BallParams wide;
    wide.width = wide.height = kMaxBallFrameSide;
    wide.frames = 1;  // frame 0 is the widest
    wide.facetFrequency = 1;
    wide.maxDiameter = kMaxBallFrameSide;
    wide.minDiameter = 100;
    wide.refraction = 200;
    Bytes out;
    std::string why;
    ASSERT_EQ(BakeBallContainer(wide, &out, &why), 1) << why;
    std::unique_ptr<ContainerFacts> facts(new ContainerFacts());
    char violation[256] = "";
    EXPECT_EQ(ValidateContainer(out.data(), (uint32_t)out.size(), facts.get(), violation,
                                sizeof violation), 1) << violation;
}

TEST(BallBake, RefusesParametersItCannotBake) {
    std::string why;
    BallParams p;
    EXPECT_EQ(CheckBallParams(p, &why), 1);
    auto refused = [&](void (*change)(BallParams &)) {
        BallParams q;
        change(q);
        why.clear();
        return CheckBallParams(q, &why) == 0 && !why.empty();
    };
    EXPECT_TRUE(refused([](BallParams &q) { q.frames = 0; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.frames = 128; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.width = 4; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.width = kMaxBallFrameSide + 1; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.maxDiameter = 129; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.minDiameter = 117; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.facetFrequency = -1; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.facetFrequency = 13; }));
    EXPECT_TRUE(refused([](BallParams &q) { q.playMode = 128; }));
}

}  // namespace
