// How brightly the glass shows the darkened desktop under the ball: more
// where it is dark (fine_render.h, FineExpose).
#include <cstring>

#include "fine_render.h"

// The level of the darkened desktop (the mean of blue, green and red) from
// which up the glass shows it as the deck has it; below it the tint rises in
// proportion as the level falls, to at most 233/128 (1.82) times.
enum { kExposedFrom = 55, kExposureMost = 233 };

int32_t FineExposureLevel(const FineDeck &deck) {
    // Four to eight texels across the largest ball.
    int32_t k = 0;
    while (k < kFineMaxLevel && (4 << k) < deck.width / 3) k++;
    return k;
}

int32_t FineExposureLimit(int32_t brightness) {
    if (brightness <= 0) return kExposureMost;  // a black desktop: nothing to light
    int32_t back = kFineUnit * 100 / brightness;
    return back < kExposureMost ? (back > kFineUnit ? back : kFineUnit) : kExposureMost;
}

// How much of texel t of level k lies in [from, to).
static int32_t Covered(int32_t t, int32_t k, int32_t from, int32_t to) {
    int32_t start = t << k, end = (t + 1) << k;
    return (end < to ? end : to) - (start > from ? start : from);
}

// The darkened desktop's mean under the box [x0, x1) x [y0, y1), in 16ths of
// a level, from level k's texels, each weighted by how much of it the box
// covers, so the mean moves smoothly with the box; -1 when the box misses
// the level.
static int32_t MeanUnder(const FineLevels &l, int32_t k, int32_t x0, int32_t y0, int32_t x1,
                         int32_t y1) {
    const int32_t cell = 1 << k, w = l.width[k], h = l.height[k];
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > w * cell) x1 = w * cell;
    if (y1 > h * cell) y1 = h * cell;
    if (x0 >= x1 || y0 >= y1) return -1;
    uint64_t sum = 0;
    for (int32_t ty = y0 >> k; ty << k < y1; ty++) {
        const int32_t dy = Covered(ty, k, y0, y1);
        const uint8_t *t = l.pixels[k] + ((size_t)ty * (size_t)w + (size_t)(x0 >> k)) * 3;
        for (int32_t tx = x0 >> k; tx << k < x1; tx++, t += 3)
            sum += (uint64_t)(t[0] + t[1] + t[2]) * (uint64_t)(Covered(tx, k, x0, x1) * dy);
    }
    return (int32_t)(sum * 16 / ((uint64_t)(x1 - x0) * (uint64_t)(y1 - y0) * 3));
}

void FineExpose(const FineDeck &deck, const FineLevels &levels, int32_t x, int32_t y,
                int32_t limit, uint8_t tint[4]) {
    memcpy(tint, deck.tint, 4);
    // The largest ball's square (the frame is 1.5 times its diameter).
    const int32_t radius = deck.width / 3, cx = x + deck.width / 2, cy = y + deck.height / 2;
    const int32_t wanted = FineExposureLevel(deck), k = wanted < levels.top ? wanted : levels.top;
    int32_t mean = MeanUnder(levels, k, cx - radius, cy - radius, cx + radius, cy + radius);
    if (mean < 0) return;
    int32_t gain = mean > 0 ? kExposedFrom * 16 * kFineUnit / mean : limit;
    if (gain > limit) gain = limit;
    if (gain <= kFineUnit) return;
    const int32_t most = deck.glassMost > 0 ? kFineGlassTintMost / deck.glassMost : 255;
    for (int c = 0; c < 3; c++) {
        int32_t t = (deck.tint[c] * gain + kFineUnit / 2) / kFineUnit;
        t = t < most ? t : most;
        tint[c] = (uint8_t)(t < 255 ? t : 255);
    }
}
