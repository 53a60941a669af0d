// The frame path's block copies and register loop against plain word-by-word
// and pixel-by-pixel forms of the same rules, on random input.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "container.h"
#include "engine.h"
#include "test_support.h"

namespace {

// One pixel lit channel by channel, the carries spelled out.
void PlainPixel(const uint8_t *bgr, int level, uint8_t *out) {
    if (!level) {
        out[0] = bgr[0], out[1] = bgr[1], out[2] = bgr[2];
        return;
    }
    int a = 8 * level, carry = 0;
    for (int ch = 0; ch < 3; ch++) {
        int base = ch == 0 ? bgr[0] : bgr[ch] & 0xFE;
        int sum = base + a;
        out[ch] = (uint8_t)(sum > 255 ? 255 : sum + carry);
        carry = sum > 255;
    }
}

}  // namespace

TEST(FramePath, WordRunsMatchThePlainExpansion) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 2000; trial++) {
        Words in;
        int runs = 1 + (int)(rng() % 40);
        for (int r = 0; r < runs; r++) {
            uint32_t k = (uint32_t)(rng() % 12);
            if (rng() % 2) {
                in.push_back(0x80000000u | k);
                for (uint32_t i = 0; i <= k; i++) in.push_back((uint32_t)rng());
            } else {
                in.push_back(k);
                in.push_back((uint32_t)rng());
            }
        }
        in.resize(in.size() - (size_t)(rng() % 3));  // sometimes cut the last run
        int32_t capacity = (int32_t)(rng() % 300);
        Words out((size_t)capacity + 8, 0x5A5A5A5A);
        int32_t n = DecodeWordRuns(out.data(), capacity, in.data(), (int32_t)in.size());
        Words expected = PlainWordRuns(in.data(), (int32_t)in.size(), capacity);
        ASSERT_EQ(n, (int32_t)expected.size()) << "trial " << trial;
        ASSERT_EQ(Words(out.begin(), out.begin() + n), expected) << "trial " << trial;
        for (size_t i = (size_t)capacity; i < out.size(); i++) ASSERT_EQ(out[i], 0x5A5A5A5Au);
    }
}

TEST(FramePath, WordRunsEndingInAControlWordReadNothingPastIt) {
    // Exact-size inputs: under the sanitizers a read past the count shows.
    for (uint32_t control : {0x80000003u, 0x80000000u, 0x00000002u}) {
        std::vector<uint32_t> in(1, control);
        Words out(16, 0);
        EXPECT_EQ(DecodeWordRuns(out.data(), 16, in.data(), 1), 0);
    }
}

TEST(FramePath, CompositeMatchesPixelByPixelOnRandomPaths) {
    std::mt19937 rng(9);
    for (int trial = 0; trial < 200; trial++) {
        const int32_t W = 40 + (int32_t)(rng() % 90), H = 30 + (int32_t)(rng() % 40);
        const int32_t w = 1 + (int32_t)(rng() % 24), h = 1 + (int32_t)(rng() % 24);
        const int32_t x = (int32_t)(rng() % (uint32_t)(W - w));
        const int32_t y = (int32_t)(rng() % (uint32_t)(H - h));
        std::vector<uint8_t> background((size_t)W * H * 3 + kBackgroundSpareBytes);
        for (uint8_t &b : background) b = (uint8_t)rng();
        // A random path that stays inside the sprite rectangle, with
        // stretches of plain unlit steps to the right among the jumps.
        FramePlan plan = IdentityPlan(w, h);
        for (size_t i = 0; i < plan.level.size(); i++) {
            if (i && rng() % 4 && plan.sampleColumn[i - 1] + 1 < w) {
                plan.sampleColumn[i] = plan.sampleColumn[i - 1] + 1;
                plan.sampleRow[i] = plan.sampleRow[i - 1];
                plan.level[i] = 0;
                continue;
            }
            plan.sampleColumn[i] = (int32_t)(rng() % (uint32_t)w);
            plan.sampleRow[i] = (int32_t)(rng() % (uint32_t)h);
            plan.level[i] = rng() % 3 ? 0 : (int32_t)(rng() % 32);
        }
        Words words = FrameWords(plan);
        std::vector<uint8_t> composite((size_t)w * h * 4, 0xEE);
        EngineReset();
        gEngine.background = background.data();
        gEngine.screenWidth = W;
        gEngine.screenHeight = H;
        gEngine.compositeBuffer = composite.data();
        CompositeFrame(x, y, w, h, words.data());
        for (size_t i = 0; i < plan.level.size(); i++) {
            size_t at =
                ((size_t)(y + plan.sampleRow[i]) * W + (size_t)(x + plan.sampleColumn[i])) * 3;
            uint8_t expected[3];
            PlainPixel(&background[at], plan.level[i], expected);
            for (int ch = 0; ch < 3; ch++)
                ASSERT_EQ(composite[3 * i + (size_t)ch], expected[ch])
                    << "trial " << trial << " pixel " << i;
        }
        // The last quarter of the composite is never written.
        for (size_t i = (size_t)w * h * 3; i < composite.size(); i++) ASSERT_EQ(composite[i], 0xEE);
        EngineReset();
    }
}
