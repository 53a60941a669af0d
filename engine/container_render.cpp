// Turning the container's frame records into a rendered sprite: parse the
// header once, then per tick decode a record, expand its word runs
// (word_runs.cpp) and composite the displacement words against the
// background.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "container.h"
#include "engine.h"
#include "lzss.h"

// A fine container was decoded whole when it was accepted: its deck holds
// the header; only the composite is left to take.
static int ParseFineContainer(void) {
    SaverEngine &e = gEngine;
    e.spriteWidth = e.fineDeck.width;
    e.spriteHeight = e.fineDeck.height;
    e.frameCount = e.fineDeck.frameCount;
    e.playMode = e.fineDeck.playMode;
    e.fineExposureLimit = FineExposureLimit(e.dimPercent);
    e.compositeBuffer = (uint8_t *)calloc(1, (size_t)e.spriteWidth * (size_t)e.spriteHeight * 4);
    SeedRandom(0);
    return e.compositeBuffer != nullptr;
}

int ParseContainer(void) {
    SaverEngine &e = gEngine;
    if (e.fine) return ParseFineContainer();
    memcpy(e.animTable, e.containerData + kContainerHeaderBytes, kAnimTableBytes);
    e.spriteHeight = (int32_t)ReadLe32(e.animTable + kEntryHeight);
    e.spriteWidth = (int32_t)ReadLe32(e.animTable + kEntryWidth);
    e.frameCount = (int8_t)e.animTable[kEntryFrameCount];
    e.playMode = (int8_t)e.animTable[kEntryPlayMode];
    size_t bytes = (size_t)e.spriteWidth * (size_t)e.spriteHeight * 4;
    e.wordBuffer = (uint32_t *)malloc(bytes);
    e.streamBuffer = (uint8_t *)malloc(bytes);
    // Cleared so that nothing uninitialised can ever reach the screen.
    e.compositeBuffer = (uint8_t *)calloc(1, bytes);
    e.recordCursor = nullptr;
    e.recordNumber = 0;
    SeedRandom(0);
    return e.wordBuffer && e.streamBuffer && e.compositeBuffer;
}

static inline uint32_t Load32(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;  // little-endian hosts only, as the container itself
}

// Add 8 * level to blue, green and red in one addition. Clearing the low bit
// of green and red (and the fourth byte) leaves room for each channel's carry;
// a carry then saturates the channel below it. The three carries sit in bits
// 8, 16 and 24, and setting a channel to 0xFF never touches a carry bit, so
// all three saturate at once: each carry, moved down to bit 0 of its channel,
// times 0xFF. Unlit pixels keep every bit. Lit pixels come in facets, so
// the branch predicts well, and it spares three quarters of the pixels the
// arithmetic (a branch-free select measured much slower).
static inline uint32_t LightPixel(uint32_t v, uint32_t level) {
    if (!level) return v;
    uint32_t lit = (v & 0x00FEFEFFu) + level * 0x080808u;
    return lit | ((lit >> 8) & 0x010101u) * 0xFFu;
}

// One pixel to the right, no light: the word of every pixel whose sample
// simply follows the previous one's.
enum : uint32_t { kUnlitStepRight = MakeDisplacementWord(1, 0) };
static const uint64_t kFourUnlitStepsRight = (uint64_t)kUnlitStepRight << 32 | kUnlitStepRight;

// Move the sampling position by the word's step and sample there, lit.
// dy rows and dx columns, with dx = S - 1024 dy, make 3 S + dy (rowBytes - 3072)
// bytes: one multiply per pixel, and the position's only dependence on the
// previous pixel is one addition. The move is worked out in 32 bits (it is
// a few rows at most in any frame that passed the checks), wrapping rather
// than overflowing on any other.
static inline uint32_t SampleNext(const uint8_t *&p, uint32_t d, uint32_t rowSkew) {
    int32_t step = DisplacementStep(d);
    p += (int32_t)(3u * (uint32_t)step + (uint32_t)StepRows(step) * rowSkew);
    return LightPixel(Load32(p), (uint32_t)DisplacementLevel(d));
}

void CompositeFrame(int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t *words) {
    const int32_t n = w * h;
    if (n <= 0) return;
    const uint8_t *p = gEngine.background + ((ptrdiff_t)y * gEngine.screenWidth + x) * 3;
    uint8_t *q = gEngine.compositeBuffer;
    const uint32_t rowSkew = (uint32_t)gEngine.screenWidth * 3u - 3u * kStepUnitsPerRow;
    // Rows of the composite are contiguous and the sampling position carries
    // on from one row to the next, so one loop covers the whole frame. Each
    // pixel is stored as 4 bytes, the fourth overwritten by the next pixel;
    // the last one as 3, so nothing lands behind the composite.
    const uint32_t *last = words + n - 1;
    while (words < last) {
        // Nearly three quarters of the built-in animation's words are
        // kUnlitStepRight (facets bend the desktop only at their edges):
        // where four come in a row, their pixels are the next 12 background
        // bytes as they stand, copied in two moves. Exactly what the loop
        // below would read and write, only without working out each step.
        if (last - words >= 4) {
            uint64_t a, b;
            memcpy(&a, words, 8);
            memcpy(&b, words + 2, 8);
            if (((a ^ kFourUnlitStepsRight) | (b ^ kFourUnlitStepsRight)) == 0) {
                uint64_t lo;
                uint32_t hi;
                memcpy(&lo, p + 3, 8);
                memcpy(&hi, p + 11, 4);
                memcpy(q, &lo, 8);
                memcpy(q + 8, &hi, 4);
                p += 12;
                q += 12;
                words += 4;
                continue;
            }
            // Otherwise the four one by one: checking again at every
            // pixel costs more than the few unlit steps it would catch.
            for (int k = 0; k < 4; k++, q += 3) {
                uint32_t v = SampleNext(p, *words++, rowSkew);
                memcpy(q, &v, 4);
            }
            continue;
        }
        uint32_t v = SampleNext(p, *words++, rowSkew);
        memcpy(q, &v, 4);
        q += 3;
    }
    uint32_t v = SampleNext(p, *last, rowSkew);
    q[0] = (uint8_t)v;
    q[1] = (uint8_t)(v >> 8);
    q[2] = (uint8_t)(v >> 16);
}

void RenderFrame(int32_t index) {
    SaverEngine &e = gEngine;
    if (index < 0 || index >= e.frameCount) return;
    if (e.fine) {
        // Fine frames name their record: any frame plays in any order.
        e.fineRecord = e.fineDeck.frameRecord[index];
        FineExpose(e.fineDeck, e.fineLevels, e.spriteX, e.spriteY, e.fineExposureLimit, e.fineTint);
        FineRenderRecord(e.fineDeck, e.fineRecord, e.fineLevels,
                         FineTarget{e.spriteX, e.spriteY, e.compositeBuffer, e.fineTint});
        return;
    }
    if (index == 0) {
        e.recordCursor = e.containerData + ReadLe32(e.animTable + kEntryFirstRecord);
        e.recordNumber = 0;
    }
    // Only the first frameCount records were checked; nothing past them (or
    // before a first RenderFrame(0)) is ever decoded.
    if (!e.recordCursor || e.recordNumber >= e.frameCount) return;
    const uint8_t *record = e.recordCursor;
    uint32_t packedLength = ReadLe32(record);
    uint32_t inputLength = ReadLe32(record + 4 + packedLength);
    uint32_t capacity = (uint32_t)e.spriteWidth * (uint32_t)e.spriteHeight * 4;
    uint32_t n = LzssDecode(record + 4, e.streamBuffer, inputLength, capacity);
    e.recordCursor = record + packedLength + kRecordOverheadBytes;
    e.recordNumber++;
    const uint32_t *stream = (const uint32_t *)(const void *)e.streamBuffer;
    DecodeWordRuns(e.wordBuffer, e.spriteWidth * e.spriteHeight, stream, (int32_t)(n / 4));
    CompositeFrame(e.spriteX, e.spriteY, e.spriteWidth, e.spriteHeight, e.wordBuffer);
}
