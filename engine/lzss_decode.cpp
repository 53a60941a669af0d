// LZSS decoder: the stream reader of the animation frames.
#include <cstring>

#include "lzss.h"

LzssCodecState gLzss;

// Shared start of every call: nothing carries over from the previous one.
static void BeginCall(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                      uint32_t destinationCapacity) {
    gLzss.source = source;
    gLzss.sourceLength = sourceLength;
    gLzss.inputCursor = 0;
    gLzss.destination = destination;
    gLzss.destinationCapacity = destinationCapacity;
    gLzss.outputCount = 0;
    gLzss.outputTruncated = 0;
    // The frames refer into the ring before anything was written there, so
    // it must start as zeros, not the spaces of the textbook form.
    memset(gLzss.ring, 0, sizeof gLzss.ring);
}

// Returns -1 when the input is exhausted, else the next byte.
static inline int ReadByte(void) {
    if (gLzss.inputCursor >= gLzss.sourceLength) return -1;
    return gLzss.source[gLzss.inputCursor++];
}

// Returns 0 (and marks the output truncated) when the destination is full.
static inline int WriteByte(uint8_t c) {
    if (gLzss.outputCount >= gLzss.destinationCapacity) {
        gLzss.outputTruncated = 1;
        return 0;
    }
    gLzss.destination[gLzss.outputCount++] = c;
    return 1;
}

uint32_t LzssDecode(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                    uint32_t destinationCapacity) {
    BeginCall(source, destination, sourceLength, destinationCapacity);
    uint32_t r = kLzssStart;
    uint32_t flags = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0x100) == 0) {
            int c = ReadByte();
            if (c < 0) break;
            flags = 0xFF00u | (uint32_t)c;  // the high ones count the group's eight items
        }
        if (flags & 1) {
            int c = ReadByte();
            if (c < 0) break;
            gLzss.ring[r] = (uint8_t)c;
            r = (r + 1) & (kLzssRingSize - 1);
            if (!WriteByte((uint8_t)c)) break;
            continue;
        }
        int b0 = ReadByte();
        if (b0 < 0) break;
        int b1 = ReadByte();
        if (b1 < 0) break;
        uint32_t position = (uint32_t)b0 | (uint32_t)(b1 & 0xF0) << 4;
        int length = (b1 & 0x0F) + kLzssThreshold + 1;
        // Byte by byte through the ring, so a reference may overlap itself.
        for (int k = 0; k < length; k++) {
            uint8_t c = gLzss.ring[(position + (uint32_t)k) & (kLzssRingSize - 1)];
            gLzss.ring[r] = c;
            r = (r + 1) & (kLzssRingSize - 1);
            if (!WriteByte(c)) return gLzss.outputCount;
        }
    }
    return gLzss.outputCount;
}
