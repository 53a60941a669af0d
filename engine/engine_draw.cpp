// The engine's plain computations on memory: dimming, the rectangle copies
// around the sprite, and the random numbers.
#include <cstddef>
#include <cstring>

#include "engine.h"

void DimBackground(uint8_t *pixels, int32_t width, int32_t height, int32_t percent) {
    if (!pixels || width <= 0 || height <= 0) return;
    // The result keeps bits 8..15 of byte * factor, which depend only on the
    // factor's low 16 bits: a 16-bit multiply gives the same bytes for any
    // percent (stored values are not clamped) and vectorises well.
    int64_t factor = (int64_t)percent * 256 / 100;
    uint16_t f = (uint16_t)factor;
    size_t n = (size_t)width * (size_t)height * 3;
    for (size_t i = 0; i < n; i++) pixels[i] = (uint8_t)((uint16_t)(pixels[i] * f) >> 8);
}

static inline uint8_t *SpriteRow(int32_t row) {
    const SaverEngine &e = gEngine;
    return e.background + 3 * ((size_t)(e.spriteY + row) * (size_t)e.screenWidth + (size_t)e.spriteX);
}

void SaveUnderSprite(void) {
    size_t rowBytes = (size_t)gEngine.spriteWidth * 3;
    for (int32_t r = 0; r < gEngine.spriteHeight; r++)
        memcpy(gEngine.saveBuffer + r * rowBytes, SpriteRow(r), rowBytes);
}

void RestoreUnderSprite(void) {
    size_t rowBytes = (size_t)gEngine.spriteWidth * 3;
    for (int32_t r = 0; r < gEngine.spriteHeight; r++)
        memcpy(SpriteRow(r), gEngine.saveBuffer + r * rowBytes, rowBytes);
}

void PasteComposite(void) {
    if (gEngine.fine) {
        FinePasteRecord(gEngine.fineDeck, gEngine.fineRecord, gEngine.compositeBuffer,
                        gEngine.background, gEngine.screenWidth, gEngine.spriteX, gEngine.spriteY);
        return;
    }
    size_t rowBytes = (size_t)gEngine.spriteWidth * 3;
    for (int32_t r = 0; r < gEngine.spriteHeight; r++) {
        // Every frame ends in a lit pixel at the bottom-right corner that is
        // not part of the picture; pasting it would show a bright dot there.
        size_t bytes = r == gEngine.spriteHeight - 1 ? rowBytes - 3 : rowBytes;
        memcpy(SpriteRow(r), gEngine.compositeBuffer + r * rowBytes, bytes);
    }
}

void SeedRandom(uint32_t seed) { gEngine.randomState = seed; }

int32_t NextRandom(void) {
    gEngine.randomState = gEngine.randomState * 214013u + 2531011u;
    return (int32_t)((gEngine.randomState >> 16) & 0x7FFF);
}

int EngineFitsWindow(int32_t width, int32_t height, int32_t w, int32_t h) {
    // The bounce keeps x within 2 .. W-w-2 and moves it to W-w-3 at the far
    // edge; below a 3-pixel slack those limits cross and the sprite would
    // leave the buffers (and placement would divide by zero at 0 slack).
    return w >= 1 && h >= 1 && width - w >= 3 && height - h >= 3;
}
