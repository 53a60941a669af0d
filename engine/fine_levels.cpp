// The desktop's pyramid of averages, built once at set-up.
#include <cstdlib>
#include <cstring>

#include "fine_render.h"
#include "large_block.h"

void FreeFineLevels(FineLevels *levels) {
    for (uint8_t *&owned : levels->owned) {
        free(owned);
        owned = nullptr;
    }
    memset(levels, 0, sizeof *levels);
}

// Level k from level k-1: each texel the rounded mean of the 2 x 2 below it.
// A last odd row or column is left out, so a texel covers exactly the
// 2^k x 2^k desktop pixels under it.
static void HalveLevel(const uint8_t *from, int32_t fromWidth, uint8_t *to, int32_t width,
                       int32_t height) {
    const size_t fromRow = (size_t)fromWidth * 3;
    for (int32_t y = 0; y < height; y++) {
        const uint8_t *a = from + (size_t)(2 * y) * fromRow, *b = a + fromRow;
        uint8_t *out = to + (size_t)y * (size_t)width * 3;
        for (int32_t x = 0; x < width; x++, a += 6, b += 6, out += 3)
            for (int c = 0; c < 3; c++) out[c] = (uint8_t)((a[c] + a[c + 3] + b[c] + b[c + 3] + 2) >> 2);
    }
}

int FineBuildLevels(FineLevels *levels, const uint8_t *background, int32_t width, int32_t height,
                    int32_t top) {
    memset(levels, 0, sizeof *levels);
    if (top < 0) top = 0;
    if (top > kFineMaxLevel) top = kFineMaxLevel;
    levels->pixels[0] = background;
    levels->width[0] = width;
    levels->height[0] = height;
    for (int32_t k = 1; k <= top; k++) {
        int32_t w = levels->width[k - 1] / 2, h = levels->height[k - 1] / 2;
        uint8_t *block = (uint8_t *)AllocateLarge((size_t)w * (size_t)h * 3 + kFineLevelSpareBytes);
        if (!block) {
            FreeFineLevels(levels);
            return 0;
        }
        memset(block + (size_t)w * (size_t)h * 3, 0, kFineLevelSpareBytes);
        HalveLevel(levels->pixels[k - 1], levels->width[k - 1], block, w, h);
        levels->owned[k] = block;
        levels->pixels[k] = block;
        levels->width[k] = w;
        levels->height[k] = h;
    }
    levels->top = top;
    return 1;
}
