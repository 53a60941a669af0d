// LZSS decoder: the stream reader of the animation frames.
//
// Two decoders of the same stream. LzssDecodeReference works through the ring
// exactly as the stream is defined, byte by byte; it is short enough to check
// by eye and is what the tests and the fuzzer hold the fast one against.
// LzssDecode, on the frame path, never touches the ring: the ring only ever
// holds the last 4096 bytes written (or, where nothing was written yet, the
// zero fill), so every ring position is a fixed distance behind the output
// and a back-reference can copy from the output itself.
#include <cstring>

#include "lzss.h"

LzssCodecState gLzss;

enum {
    kRingMask = kLzssRingSize - 1,
    kGroupItems = 8,
    kGroupInputBytes = 2 * kGroupItems,  // a whole group after its flag byte, at most
    kGroupOutputBytes = kGroupItems * kLzssMaxMatch,  // what a whole group writes, at most
    kOvercopyBytes = 32 - 3,  // how far a chunked copy may write past a reference's end
};

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
}

// ---- the reference: through the ring --------------------------------------

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

uint32_t LzssDecodeReference(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                             uint32_t destinationCapacity) {
    BeginCall(source, destination, sourceLength, destinationCapacity);
    // The frames refer into the ring before anything was written there, so
    // it must start as zeros, not the spaces of the textbook form.
    memset(gLzss.ring, 0, sizeof gLzss.ring);
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
            r = (r + 1) & kRingMask;
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
            uint8_t c = gLzss.ring[(position + (uint32_t)k) & kRingMask];
            gLzss.ring[r] = c;
            r = (r + 1) & kRingMask;
            if (!WriteByte(c)) return gLzss.outputCount;
        }
    }
    return gLzss.outputCount;
}

// ---- the fast decoder: from the output ------------------------------------

// How far behind output byte `count` the ring position `position` lies, 1 to
// 4096: ring position (4078 + m) mod 4096 holds output byte m, and a position
// equal to the write position holds the byte written 4096 bytes ago.
static inline uint32_t Distance(uint32_t count, uint32_t position) {
    return ((kLzssStart + count - position - 1) & kRingMask) + 1;
}

// Copies `n` bytes from `distance` bytes back. Where that reaches before the
// first byte written it reads the ring's zero fill. Forward byte order makes
// a reference that overlaps itself repeat its pattern, as through the ring.
static inline void CopyBack(uint8_t *out, uint32_t count, uint32_t distance, uint32_t n) {
    uint8_t *to = out + count;
    if (distance > count) {
        for (uint32_t k = 0; k < n; k++) {
            uint32_t m = count + k;
            to[k] = m >= distance ? out[m - distance] : 0;
        }
        return;
    }
    const uint8_t *from = to - distance;
    if (distance >= n) {
        // Two copies of a power of two that overlap in the middle cover any
        // length from that power to twice it, without a call or a byte loop.
        if (n >= 16) {
            memcpy(to, from, 16);
            // Both read only bytes before `to` (distance >= n), so the
            // first copy cannot change what the second reads.
            memcpy(to + n - 16, from + n - 16, 16);
        } else if (n >= 8) {
            uint64_t a, b;
            memcpy(&a, from, 8);
            memcpy(&b, from + n - 8, 8);
            memcpy(to, &a, 8);
            memcpy(to + n - 8, &b, 8);
        } else if (n >= 4) {
            uint32_t a, b;
            memcpy(&a, from, 4);
            memcpy(&b, from + n - 4, 4);
            memcpy(to, &a, 4);
            memcpy(to + n - 4, &b, 4);
        } else {
            for (uint32_t k = 0; k < n; k++) to[k] = from[k];  // 3, or fewer at the capacity
        }
        return;
    }
    for (uint32_t k = 0; k < n; k++) to[k] = from[k];
}

// Copies a back-reference in chunks no longer than its distance, so every
// chunk reads only bytes that are final, exactly as the byte-by-byte copy
// would. It may write up to kOvercopyBytes past the reference's end; the
// caller leaves room for that, and later items overwrite it.
static inline void CopyBackInChunks(uint8_t *to, uint32_t distance) {
    const uint8_t *from = to - distance;
    if (distance >= 16) {
        memcpy(to, from, 16);
        memcpy(to + 16, from + 16, 16);
    } else if (distance >= 8) {
        memcpy(to, from, 8);
        memcpy(to + 8, from + 8, 8);
        memcpy(to + 16, from + 16, 8);
    } else {
        for (int k = 0; k < kLzssMaxMatch; k++) to[k] = from[k];
    }
}

// One whole group when its input and its largest output are known to fit:
// no per-byte checks. Returns the new output count.
static inline uint32_t DecodeWholeGroup(const uint8_t *in, uint32_t flags, uint8_t *out,
                                        uint32_t count, uint32_t *used) {
    const uint8_t *start = in;
    for (int item = 0; item < kGroupItems; item++, flags >>= 1) {
        if (flags & 1) {
            out[count++] = *in++;
            continue;
        }
        uint32_t b0 = in[0], b1 = in[1];
        in += 2;
        uint32_t n = (b1 & 0x0F) + kLzssThreshold + 1;
        uint32_t distance = Distance(count, b0 | (b1 & 0xF0) << 4);
        if (distance <= count)
            CopyBackInChunks(out + count, distance);
        else
            CopyBack(out, count, distance, n);  // into the zero fill
        count += n;
    }
    *used = (uint32_t)(in - start);
    return count;
}

uint32_t LzssDecode(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                    uint32_t destinationCapacity) {
    BeginCall(source, destination, sourceLength, destinationCapacity);
    uint32_t at = 0, count = 0;
    const uint32_t capacity = destinationCapacity;
    while (at < sourceLength) {
        uint32_t flags = source[at++];
        if (sourceLength - at >= kGroupInputBytes &&
            capacity - count >= kGroupOutputBytes + kOvercopyBytes) {
            uint32_t used;
            count = DecodeWholeGroup(source + at, flags, destination, count, &used);
            at += used;
            continue;
        }
        // Near either end: each item checks its input and its room, and the
        // stream stops where the reference would.
        for (int item = 0; item < kGroupItems; item++, flags >>= 1) {
            if (flags & 1) {
                if (at >= sourceLength) goto done;
                uint8_t c = source[at++];
                if (count >= capacity) goto full;
                destination[count++] = c;
                continue;
            }
            if (sourceLength - at < 2) {
                at = sourceLength;  // a reference without its second byte writes nothing
                goto done;
            }
            uint32_t b0 = source[at], b1 = source[at + 1];
            at += 2;
            uint32_t n = (b1 & 0x0F) + kLzssThreshold + 1;
            uint32_t room = capacity - count;
            uint32_t distance = Distance(count, b0 | (b1 & 0xF0) << 4);
            CopyBack(destination, count, distance, n < room ? n : room);
            if (n > room) {
                count = capacity;
                goto full;
            }
            count += n;
        }
    }
    goto done;
full:
    gLzss.outputTruncated = 1;
done:
    gLzss.inputCursor = at;
    gLzss.outputCount = count;
    return count;
}
