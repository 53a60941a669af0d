// Where each upright pixel lies in the panel's frame.
#include "captured_picture.h"

#include <wayland-client.h>

// The frame's pixel that shows at (x, y) of the upright picture (uw x uh).
// The compositor draws the desktop into the frame turned by `transform`;
// this is that drawing's mapping, point by point.
static void FramePoint(int32_t transform, uint32_t x, uint32_t y, uint32_t uw, uint32_t uh,
                       uint32_t *fx, uint32_t *fy) {
    switch (transform) {
    case WL_OUTPUT_TRANSFORM_90: *fx = y, *fy = uw - 1 - x; break;
    case WL_OUTPUT_TRANSFORM_180: *fx = uw - 1 - x, *fy = uh - 1 - y; break;
    case WL_OUTPUT_TRANSFORM_270: *fx = uh - 1 - y, *fy = x; break;
    case WL_OUTPUT_TRANSFORM_FLIPPED: *fx = uw - 1 - x, *fy = y; break;
    case WL_OUTPUT_TRANSFORM_FLIPPED_90: *fx = y, *fy = x; break;
    case WL_OUTPUT_TRANSFORM_FLIPPED_180: *fx = x, *fy = uh - 1 - y; break;
    case WL_OUTPUT_TRANSFORM_FLIPPED_270: *fx = uh - 1 - y, *fy = uw - 1 - x; break;
    default: *fx = x, *fy = y; break;
    }
}

std::vector<uint8_t> TurnPicture(const CapturedFrame &f, int32_t transform, int32_t width,
                                 int32_t height) {
    std::vector<uint8_t> out;
    if (f.width == 0 || f.height == 0 || width <= 0 || height <= 0) return out;
    // A quarter turn either way swaps the sides (the odd transforms).
    const int quarter = (transform & 1) != 0;
    const uint32_t uw = quarter ? f.height : f.width, uh = quarter ? f.width : f.height;
    out.resize((size_t)width * (size_t)height * 3);
    uint8_t *to = out.data();
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t uy = (uint32_t)((uint64_t)y * uh / (uint32_t)height);
        for (int32_t x = 0; x < width; ++x, to += 3) {
            const uint32_t ux = (uint32_t)((uint64_t)x * uw / (uint32_t)width);
            uint32_t fx, fy;
            FramePoint(transform, ux, uy, uw, uh, &fx, &fy);
            if (f.yInvert) fy = f.height - 1 - fy;
            const uint8_t *in = f.pixels + (size_t)fy * f.stride + (size_t)fx * 4;
            to[0] = f.blueFirst ? in[0] : in[2];
            to[1] = in[1];
            to[2] = f.blueFirst ? in[2] : in[0];
        }
    }
    return out;
}
