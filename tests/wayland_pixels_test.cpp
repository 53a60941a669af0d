// The Wayland saver's pixels: how large its buffer is on an output of any
// scale and rotation, and how a captured frame is turned upright.
#include <gtest/gtest.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "captured_picture.h"
#include "surface_pixels.h"
#include "wayland_host.h"

namespace {

TEST(WaylandPixels, BufferHasTheOutputsOwnPixels) {
    struct Case {
        int32_t modeW, modeH, scale, transform;
        uint32_t unitsW, unitsH;
        int viewport;
        uint32_t scale120;
        SurfacePixels want;
    } cases[] = {
        {1536, 1152, 2, WL_OUTPUT_TRANSFORM_NORMAL, 1024, 768, 1, 0, {1536, 1152, 1, 150}},
        {1280, 960, 2, WL_OUTPUT_TRANSFORM_NORMAL, 1024, 768, 1, 0, {1280, 960, 1, 125}},
        {1792, 1344, 2, WL_OUTPUT_TRANSFORM_FLIPPED_180, 1024, 768, 1, 0, {1792, 1344, 1, 175}},
        {640, 480, 1, WL_OUTPUT_TRANSFORM_90, 480, 640, 1, 0, {480, 640, 1, 100}},
        {1536, 1152, 2, WL_OUTPUT_TRANSFORM_FLIPPED_270, 768, 1024, 1, 0, {1152, 1536, 1, 150}},
        // The compositor's preferred scale wins, rounded half away from zero.
        {1536, 1152, 2, WL_OUTPUT_TRANSFORM_NORMAL, 1024, 768, 1, 150, {1280, 960, 1, 125}},
        {0, 0, 2, WL_OUTPUT_TRANSFORM_90, 1023, 767, 1, 180, {1535, 1151, 1, 150}},
        // Without viewports the whole scale the compositor announces.
        {1536, 1152, 2, WL_OUTPUT_TRANSFORM_NORMAL, 1024, 768, 0, 180, {2048, 1536, 2, 200}},
        {0, 0, 3, WL_OUTPUT_TRANSFORM_NORMAL, 640, 480, 1, 0, {1920, 1440, 3, 300}},
    };
    for (const Case &c : cases) {
        HostOutput o = {nullptr, 1, c.scale, c.transform, c.modeW, c.modeH};
        SurfacePixels got = ChooseSurfacePixels(o, c.unitsW, c.unitsH, c.viewport, c.scale120);
        const SurfacePixels &w = c.want;
        EXPECT_TRUE(got.width == w.width && got.height == w.height &&
                    got.bufferScale == w.bufferScale && got.densityPercent == w.densityPercent)
            << c.unitsW << "x" << c.unitsH << " on " << c.modeW << "x" << c.modeH << " t"
            << c.transform << " s" << c.scale120 << ": " << got.width << "x" << got.height
            << " scale " << got.bufferScale << " density " << got.densityPercent;
    }
    // Two frames of 4 bytes a pixel in one pool whose size is an int32.
    EXPECT_TRUE(FitsSharedMemory(16383, 16384));
    EXPECT_FALSE(FitsSharedMemory(16384, 16384));
    EXPECT_FALSE(FitsSharedMemory(1, (int64_t)1 << 28));
    EXPECT_FALSE(FitsSharedMemory((int64_t)1 << 40, (int64_t)1 << 40));
    EXPECT_FALSE(FitsSharedMemory(0, 600));
}

// A 3 x 2 frame whose every pixel is distinct: blue = its index.
std::vector<uint8_t> NumberedFrame(int yInvertedCopy) {
    std::vector<uint8_t> pixels(3 * 2 * 4, 0);
    for (int i = 0; i < 6; ++i) {
        const int row = yInvertedCopy ? 1 - i / 3 : i / 3;
        pixels[(size_t)(row * 3 + i % 3) * 4] = (uint8_t)(i + 1);
        pixels[(size_t)(row * 3 + i % 3) * 4 + 2] = 100;
    }
    return pixels;
}

TEST(WaylandPixels, EveryTransformTurnsEachFramePixelToOnePlace) {
    const std::vector<uint8_t> frame = NumberedFrame(0), inverted = NumberedFrame(1);
    for (int32_t t = WL_OUTPUT_TRANSFORM_NORMAL; t <= WL_OUTPUT_TRANSFORM_FLIPPED_270; ++t) {
        const int32_t w = (t & 1) ? 2 : 3, h = (t & 1) ? 3 : 2;
        std::vector<uint8_t> up = TurnPicture({frame.data(), 3, 2, 12, 1, 0}, t, w, h);
        ASSERT_EQ(up.size(), 18u);
        std::vector<uint8_t> seen;
        for (size_t i = 0; i < up.size(); i += 3) seen.push_back(up[i]);
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6})) << "transform " << t;
        // A frame stored last row first is the same picture.
        EXPECT_EQ(TurnPicture({inverted.data(), 3, 2, 12, 1, 1}, t, w, h), up) << t;
        // Red first in memory: the channels trade places.
        std::vector<uint8_t> red = TurnPicture({frame.data(), 3, 2, 12, 0, 0}, t, w, h);
        for (size_t i = 0; i < up.size(); i += 3) EXPECT_EQ(red[i + 2], up[i]) << t;
    }
    // The quarter turns differ from each other and from no turn at all.
    auto turned = [&](int32_t t) { return TurnPicture({frame.data(), 3, 2, 12, 1, 0}, t, 2, 3); };
    EXPECT_NE(turned(WL_OUTPUT_TRANSFORM_90), turned(WL_OUTPUT_TRANSFORM_270));
    // A picture larger than the frame repeats each pixel.
    std::vector<uint8_t> big = TurnPicture({frame.data(), 3, 2, 12, 1, 0}, 0, 6, 4);
    ASSERT_EQ(big.size(), 6u * 4 * 3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(big[(size_t)(y * 6 + x) * 3], (y / 2) * 3 + x / 2 + 1);
}

}  // namespace
