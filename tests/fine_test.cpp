// The fine encoding: its writer and reader agree, its reader refuses what it
// must (and the classic reader refuses it), its filter reproduces known
// patterns, the fast path matches the plain one, and the baked ball plays
// through the engine smoothly, leaving the desktop round it dimmed exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "fine_bake.h"
#include "fine_render.h"
#include "fine_writer.h"
#include "test_support.h"

namespace {

// A w x w record: a round lens of radius r in the middle whose fields vary
// smoothly, with a few jumps that need the escape, and a ring that only
// darkens. Everything inside the tap margins.
FineRecord LensRecord(int32_t w, int32_t r, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<FinePixel> pixels((size_t)w * w);
    std::vector<uint8_t> changed(pixels.size());
    const int32_t c = w / 2;
    for (int32_t y = 0; y < w; y++)
        for (int32_t x = 0; x < w; x++) {
            int32_t dx = x - c, dy = y - c, d2 = dx * dx + dy * dy;
            FinePixel &p = pixels[(size_t)y * w + x];
            if (d2 < r * r) {
                p.u = (int16_t)(16 * c - 8 * dx + (int32_t)(rng() % 3) + (x == c ? 300 : 0));
                p.v = (int16_t)(16 * c - 8 * dy + (int32_t)(rng() % 3));
                p.level = (uint8_t)(d2 * 40 / (r * r));
                p.glass = (uint8_t)(100 + rng() % 20);
                p.add[0] = (uint8_t)(rng() % 256);
                p.add[2] = (uint8_t)(x + y);
            } else if (d2 < (r + 6) * (r + 6)) {
                p.direct = (uint8_t)(90 + rng() % 30);
            } else {
                continue;
            }
            changed[(size_t)y * w + x] = 1;
        }
    return FineRecordFromFrame(w, w, pixels, changed);
}

Bytes LensContainer(int32_t w, int32_t r, int32_t frames, int32_t records) {
    FineLayout layout = {w, w, 1, 128, {128, 120, 110}, {}};
    std::vector<FineRecord> recs;
    for (int32_t i = 0; i < records; i++) recs.push_back(LensRecord(w, r, (uint32_t)i + 1));
    for (int32_t i = 0; i < frames; i++) layout.frameRecord.push_back((uint8_t)(i % records));
    Bytes out;
    std::string why;
    EXPECT_TRUE(WriteFineContainer(layout, recs, &out, &why)) << why;
    return out;
}

TEST(Fine, WrittenRecordsDecodeToWhatWasWritten) {
    const int32_t records = 3;
    Bytes data = LensContainer(96, 36, 5, records);
    FineDeck deck;
    char why[256];
    ASSERT_TRUE(DecodeFineContainer(data.data(), (uint32_t)data.size(), &deck, nullptr, why,
                                    sizeof why))
        << why;
    EXPECT_EQ(deck.frameRecord[4], 1);
    EXPECT_EQ(deck.tint[1], 120);
    for (int32_t i = 0; i < records; i++) {
        FineRecord want = LensRecord(96, 36, (uint32_t)i + 1);
        const FineRecordPlace &place = deck.records[i];
        ASSERT_EQ(place.spanCount, want.spans.size());
        ASSERT_EQ(place.pixelCount, want.pixels.size());
        for (size_t s = 0; s < want.spans.size(); s++) {
            const FineSpan &got = deck.spans[place.firstSpan + s];
            EXPECT_EQ(got.row * 10000 + got.column * 10 + got.count,
                      want.spans[s].row * 10000 + want.spans[s].column * 10 + want.spans[s].count);
        }
        EXPECT_EQ(0, memcmp(deck.pixels + place.firstPixel, want.pixels.data(),
                            want.pixels.size() * sizeof(FinePixel)));
    }
    FreeFineDeck(&deck);
}

// Classic readers refuse a fine container, and the fine reader refuses every
// broken one with a reason, never reading outside the bytes it was given.
TEST(Fine, BrokenContainersAreRefused) {
    const Bytes good = LensContainer(64, 20, 3, 2);
    char why[256];
    EXPECT_FALSE(ValidateContainer(good.data(), (uint32_t)good.size(), nullptr, why, sizeof why));
    EXPECT_TRUE(ValidateAnyContainer(good.data(), (uint32_t)good.size(), why, sizeof why)) << why;
    // Nobody checks a classic signature: one that reads like the fine magic
    // still plays as the classic container it is.
    Bytes classic = BuildContainer(16, 16, 1, {FrameWords(IdentityPlan(16, 16))});
    memcpy(classic.data(), kFineMagic, kFineMagicBytes);
    EXPECT_TRUE(ValidateAnyContainer(classic.data(), (uint32_t)classic.size(), why, sizeof why));
    const uint32_t firstRecord = (kFineFrameTableOffset + 3 + 3) & ~3u;
    const struct {
        const char *what;
        uint32_t offset;  // where to write
        uint32_t value;   // 32-bit little-endian
    } breaks[] = {
        {"magic", 0, 0x4D455256},
        {"a header byte a classic reader keeps its entry in", 40, 1},
        {"version", kFineVersionOffset, 2},
        {"width", kFineWidthOffset, 0},
        {"width past the largest", kFineWidthOffset, kMaxFrameSide + 1},
        {"frame count", kFineFrameCountOffset, 0},
        {"more records than frames", kFineRecordCountOffset, 4},
        {"a frame naming a missing record", kFineFrameTableOffset, 0x00000202},
        {"a tint that brightens", kFineTintOffset, 0x00008181},
        {"packed length past the end", firstRecord, 0x7FFFFFFF},
        {"raw length", firstRecord + 4, 100},
    };
    for (const auto &b : breaks) {
        Bytes bad = good;
        for (int i = 0; i < 4; i++) bad[b.offset + i] = (uint8_t)(b.value >> (8 * i));
        EXPECT_FALSE(DecodeFineContainer(bad.data(), (uint32_t)bad.size(), nullptr, nullptr, why,
                                         sizeof why))
            << b.what;
        EXPECT_NE(why[0], 0) << b.what;
    }
    for (uint32_t cut : {0u, 7u, 60u, firstRecord + 5, (uint32_t)good.size() - 1}) {
        Bytes shortened(good.begin(), good.begin() + cut);
        EXPECT_FALSE(DecodeFineContainer(shortened.data(), cut, nullptr, nullptr, why, sizeof why))
            << cut;
    }
    // The writer's own check: a sample whose coarsest taps leave the frame.
    FineRecord r = LensRecord(64, 20, 1);
    for (FinePixel &p : r.pixels)
        if (p.glass) p.level = 64, p.u = (int16_t)(FineTapMargin(64) - 1);
    FineLayout layout = {64, 64, 1, 128, {128, 128, 128}, {0}};
    Bytes out;
    std::string reason;
    EXPECT_FALSE(WriteFineContainer(layout, {r}, &out, &reason));
    EXPECT_NE(reason.find("outside the frame"), std::string::npos) << reason;
}

// One pixel per sample over a background; returns the composite's pixels.
struct Bench {
    std::vector<uint8_t> background;
    FineLevels levels;
    FineDeck deck = {};
    std::vector<FineSpan> spans;
    std::vector<FinePixel> pixels;
    std::vector<uint8_t> composite;
    const uint8_t *tint = nullptr;  // the deck's
    int32_t W, H;

    Bench(int32_t W_, int32_t H_, uint8_t (*pattern)(int32_t, int32_t, int32_t)) : W(W_), H(H_) {
        background.resize((size_t)W * H * 3 + kBackgroundSpareBytes);
        for (int32_t y = 0; y < H; y++)
            for (int32_t x = 0; x < W; x++)
                for (int32_t c = 0; c < 3; c++) background[((size_t)y * W + x) * 3 + c] = pattern(x, y, c);
        FineBuildLevels(&levels, background.data(), W, H, kFineMaxLevel);
    }
    ~Bench() { FreeFineLevels(&levels); }
    // A w x h frame whose pixels are `pixels`, row by row in one span each.
    void Render(int32_t w, int32_t h, int32_t x, int32_t y, bool plain) {
        deck.width = w, deck.height = h;
        deck.tint[0] = deck.tint[1] = deck.tint[2] = kFineUnit;
        spans.clear();
        for (int32_t r = 0; r < h; r++)
            spans.push_back(FineSpan{(uint16_t)r, 0, (uint16_t)w, 0, (uint32_t)(r * w)});
        deck.spans = spans.data();
        deck.pixels = pixels.data();
        deck.records[0] = FineRecordPlace{0, (uint32_t)h, 0, (uint32_t)(w * h), 0, 0, w, h};
        composite.assign((size_t)w * h * 4, 0);
        FineTarget target = {x, y, composite.data(), tint};
        (plain ? FineRenderRecordPlain : FineRenderRecord)(deck, 0, levels, target);
    }
};

uint8_t Ramp(int32_t x, int32_t, int32_t) { return (uint8_t)(4 * x); }
uint8_t Checker(int32_t x, int32_t y, int32_t) { return ((x + y) & 1) ? 255 : 0; }
uint8_t Noise(int32_t x, int32_t y, int32_t c) {
    uint32_t h = (uint32_t)x * 73856093u ^ (uint32_t)y * 19349663u ^ (uint32_t)c * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return (uint8_t)(h >> 15);
}

// A ramp of 4 per pixel stays a ramp at every level, so a sample anywhere
// between two pixels, at any level, reads 4 P - 2 at position P; and a pixel
// checker averages to an even grey from the first level on, where picking
// single pixels would sparkle.
TEST(Fine, FilterReproducesKnownPatterns) {
    Bench ramp(64, 64, Ramp);
    const int32_t w = 16, x0 = 8, y0 = 8;
    for (uint8_t level : {0, 8, 16, 23, 40, 64}) {
        ramp.pixels.assign(w, FinePixel{});
        for (int32_t i = 0; i < w; i++) {
            FinePixel &p = ramp.pixels[i];
            p.u = (int16_t)(16 * 24 + 5 * i);  // P = 24 + 5i/16 within the frame
            p.v = 16 * 32;
            p.level = level;
            p.glass = kFineUnit;
        }
        ramp.Render(w, 1, x0, y0 + 8, false);
        for (int32_t i = 0; i < w; i++) {
            double P = x0 + 24 + 5.0 * i / 16.0;
            // Coarser levels keep the position to 2^k sixteenths.
            int32_t coarse = level / 16 + (level % 16 ? 1 : 0);
            EXPECT_NEAR(ramp.composite[3 * i], 4 * P - 2, 1.0 + (1 << coarse) / 4.0)
                << "level " << (int)level;
        }
    }
    Bench checker(64, 64, Checker);
    checker.pixels.assign(w, FinePixel{});
    for (int32_t i = 0; i < w; i++) {
        FinePixel &p = checker.pixels[i];
        p.u = (int16_t)(16 * 30 + 7 * i), p.v = 16 * 30 + 3 * i, p.level = 16, p.glass = kFineUnit;
    }
    checker.Render(w, 1, 0, 0, false);
    for (int32_t i = 0; i < w; i++) EXPECT_EQ(checker.composite[3 * i + 1], 128);
}

TEST(Fine, FastPathMatchesThePlainLoop) {
    Bench noise(300, 200, Noise);
    std::mt19937 rng(7);
    const int32_t w = 64, h = 48;
    noise.pixels.resize((size_t)w * h);
    for (FinePixel &p : noise.pixels) {
        p.level = (uint8_t)(rng() % 65);
        int32_t m = FineTapMargin(p.level);
        p.u = (int16_t)(m + rng() % (uint32_t)(16 * w - 2 * m + 1));
        p.v = (int16_t)(m + rng() % (uint32_t)(16 * h - 2 * m + 1));
        p.glass = (uint8_t)(rng() % 4 ? rng() : 0);
        p.direct = (uint8_t)rng();
        for (int c = 0; c < 3; c++) p.add[c] = (uint8_t)(rng() % 3 ? rng() % 40 : rng());
    }
    // The deck's tint, then the largest the blend holds for glass up to 141.
    const uint8_t raised[4] = {kFineGlassTintMost / 141, kFineGlassTintMost / 141 - 3, 128, 0};
    for (const uint8_t *tint : {(const uint8_t *)nullptr, raised}) {
        if (tint)
            for (FinePixel &p : noise.pixels) p.glass = (uint8_t)(p.glass % 142);
        noise.tint = tint;
        for (int32_t x : {0, 1, 117, 300 - w}) {
            noise.Render(w, h, x, 200 - h - (x & 7), true);
            std::vector<uint8_t> plain = noise.composite;
            noise.Render(w, h, x, 200 - h - (x & 7), false);
            EXPECT_EQ(plain, noise.composite) << (tint ? "raised tint, " : "") << x;
        }
    }
}

}  // namespace
