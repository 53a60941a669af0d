// Turning the container's frame records into a rendered sprite: parse the
// header once, then per tick decode a record, expand its word runs and
// composite the displacement words against the background.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "container.h"
#include "engine.h"
#include "lzss.h"

int ParseContainer(void) {
    SaverEngine &e = gEngine;
    memcpy(e.animTable, e.containerData + kContainerHeaderBytes, kAnimTableBytes);
    e.spriteHeight = (int32_t)ReadLe32(e.animTable + 8);
    e.spriteWidth = (int32_t)ReadLe32(e.animTable + 4);
    e.frameCount = (int8_t)e.animTable[13];
    e.playMode = (int8_t)e.animTable[12];
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

int32_t DecodeWordRuns(uint32_t *output, int32_t outputCapacity, const uint32_t *input,
                       int32_t count) {
    int64_t remaining = count;  // a literal run may claim 2^31 words
    int32_t written = 0;
    while (remaining > 0) {
        uint32_t c = *input++;
        remaining--;
        int64_t room = outputCapacity - written;
        if (c & 0x80000000u) {
            int64_t k = (int64_t)(c & 0x7FFFFFFFu) + 1;
            int64_t n = k < remaining ? k : remaining;
            if (n > room) n = room;
            memcpy(output + written, input, (size_t)n * 4);
            input += k < remaining ? k : remaining;
            written += (int32_t)n;
            remaining -= k;
        } else {
            if (remaining <= 0) break;  // the value word is missing
            uint32_t v = *input++;
            remaining--;
            int64_t n = (int64_t)c + 1;
            if (n > room) n = room;
            for (int64_t i = 0; i < n; i++) output[written + i] = v;
            written += (int32_t)n;
        }
    }
    return written;
}

static inline uint32_t Load32(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;  // little-endian hosts only, as the container itself
}

// Add 8 * level to blue, green and red in one addition. Clearing the low bit
// of green and red (and the fourth byte) leaves room for each channel's carry;
// a carry then saturates the channel below it.
static inline uint32_t LightPixel(uint32_t v, uint32_t level) {
    v &= 0x00FEFEFFu;
    v += level * 0x080808u;
    if (v & 0x100u) v |= 0xFFu;
    if (v & 0x10000u) v |= 0xFF00u;
    if (v & 0x1000000u) v |= 0xFF0000u;
    return v;
}

void CompositeFrame(int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t *words) {
    const ptrdiff_t rowBytes = (ptrdiff_t)gEngine.screenWidth * 3;
    const uint8_t *background = gEngine.background;
    ptrdiff_t p = ((ptrdiff_t)y * gEngine.screenWidth + x) * 3;
    uint8_t *q = gEngine.compositeBuffer;
    // Rows of the composite are contiguous and the sampling position carries
    // on from one row to the next, so one loop covers the whole frame.
    const int32_t n = w * h;
    for (int32_t i = 0; i < n; i++) {
        uint32_t d = words[i];
        int32_t step = DisplacementStep(d);
        int32_t dy = StepRows(step);
        p += dy * rowBytes + 3 * (step - 1024 * dy);
        uint32_t v = Load32(background + p);
        uint32_t level = d & 0x1Fu;
        if (level) v = LightPixel(v, level);
        q[0] = (uint8_t)v;
        q[1] = (uint8_t)(v >> 8);
        q[2] = (uint8_t)(v >> 16);
        q += 3;
    }
}

void RenderFrame(int32_t index) {
    SaverEngine &e = gEngine;
    if (index < 0 || index >= e.frameCount) return;
    if (index == 0) {
        e.recordCursor = e.containerData + ReadLe32(e.animTable);
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
    e.recordCursor = record + packedLength + 8;
    e.recordNumber++;
    const uint32_t *stream = (const uint32_t *)(const void *)e.streamBuffer;
    DecodeWordRuns(e.wordBuffer, e.spriteWidth * e.spriteHeight, stream, (int32_t)(n / 4));
    CompositeFrame(e.spriteX, e.spriteY, e.spriteWidth, e.spriteHeight, e.wordBuffer);
}
