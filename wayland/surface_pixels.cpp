// The buffer's size for a surface over one output.
#include "surface_pixels.h"

#include <cstdint>

#include "wayland_host.h"

SurfacePixels ChooseSurfacePixels(const HostOutput &o, uint32_t width, uint32_t height,
                                  int viewport, uint32_t scale120) {
    // Rounded half away from zero, as the compositor sizes the surface.
    auto scaled = [scale120](uint32_t units) { return ((int64_t)units * scale120 + 60) / 120; };
    if (viewport && scale120 > 0)
        return {scaled(width), scaled(height), 1, (int32_t)((scale120 * 100 + 60) / 120)};
    if (viewport && o.modeWidth > 0 && o.modeHeight > 0 && width > 0) {
        const int quarter = (o.transform & 1) != 0;  // the odd transforms swap the sides
        const int64_t w = quarter ? o.modeHeight : o.modeWidth;
        const int64_t h = quarter ? o.modeWidth : o.modeHeight;
        return {w, h, 1, (int32_t)((w * 100 + width / 2) / width)};
    }
    return {(int64_t)width * o.scale, (int64_t)height * o.scale, o.scale, o.scale * 100};
}

int FitsSharedMemory(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= INT32_MAX / 8 && height <= INT32_MAX / 8 &&
           width * height * 4 * 2 <= INT32_MAX;
}
