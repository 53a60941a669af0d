// lzss_encode.cpp -- the LZSS compressor and the byte run-length decoder.
//
// The compressor keeps one binary search tree per first byte over the 18-byte
// strings that start at each ring position (Okumura's layout). Node numbers
// are ring positions; 4097 + b is the root sentinel of the strings starting
// with byte b and keeps its one child in rson. Links to nothing are kLzssNil,
// and writes to the parent of such a link land harmlessly in dad[kLzssNil].
#include <cstring>

#include "lzss.h"

namespace {

enum {
    kRootSentinel = kLzssRingSize + 1,  // 4097 + first byte: one tree root per byte value
    kSplayDepth = 20,                   // a node inserted this deep is splayed to the top
    kGroupItems = 8,                    // items per flag byte
};

inline bool IsSentinel(int32_t node) { return node >= kRootSentinel; }

void PutByte(uint8_t c) {
    LzssCodecState &z = gLzss;
    if (z.outputCount >= z.destinationCapacity) {
        z.outputTruncated = 1;
        return;
    }
    z.destination[z.outputCount++] = c;
}

int32_t GetByte(void) {
    LzssCodecState &z = gLzss;
    if (z.inputCursor >= z.sourceLength) return -1;
    return z.source[z.inputCursor++];
}

// Make `to` take the place of `from` under from's parent `parent`.
void ReplaceChild(int32_t parent, int32_t from, int32_t to) {
    LzssCodecState &z = gLzss;
    if (IsSentinel(parent) || z.rson[parent] == from)
        z.rson[parent] = (uint16_t)to;
    else
        z.lson[parent] = (uint16_t)to;
}

// Rotate r up to depth 1. The in-order sequence is kept, so later searches
// find matches as long as before; only which of equal candidates comes first
// changes. Deep chains come from long runs of similar strings (the frames'
// repeated words), and splaying keeps them from making every insert slow.
void SplayNode(int32_t r) {
    LzssCodecState &z = gLzss;
    for (;;) {
        int32_t q = z.dad[r];
        if (IsSentinel(q)) return;
        int32_t g = z.dad[q];
        bool rLeft = z.lson[q] == r;
        if (IsSentinel(g)) {  // zig
            if (rLeft) {
                z.lson[q] = z.rson[r];
                z.rson[r] = (uint16_t)q;
                z.dad[z.lson[q]] = (uint16_t)q;
            } else {
                z.rson[q] = z.lson[r];
                z.lson[r] = (uint16_t)q;
                z.dad[z.rson[q]] = (uint16_t)q;
            }
            z.rson[g] = (uint16_t)r;
            z.dad[q] = (uint16_t)r;
            z.dad[r] = (uint16_t)g;
            return;
        }
        int32_t gg = z.dad[g];
        bool qLeft = z.lson[g] == q;
        if (rLeft && qLeft) {  // zig-zig, left
            z.lson[g] = z.rson[q];
            z.lson[q] = z.rson[r];
            z.rson[q] = (uint16_t)g;
            z.rson[r] = (uint16_t)q;
            z.dad[z.lson[g]] = (uint16_t)g;
            z.dad[z.lson[q]] = (uint16_t)q;
            z.dad[g] = (uint16_t)q;
            z.dad[q] = (uint16_t)r;
        } else if (!rLeft && !qLeft) {  // zig-zig, right
            z.rson[g] = z.lson[q];
            z.rson[q] = z.lson[r];
            z.lson[q] = (uint16_t)g;
            z.lson[r] = (uint16_t)q;
            z.dad[z.rson[g]] = (uint16_t)g;
            z.dad[z.rson[q]] = (uint16_t)q;
            z.dad[g] = (uint16_t)q;
            z.dad[q] = (uint16_t)r;
        } else if (rLeft) {  // zig-zag: r left of q, q right of g
            z.rson[g] = z.lson[r];
            z.lson[q] = z.rson[r];
            z.lson[r] = (uint16_t)g;
            z.rson[r] = (uint16_t)q;
            z.dad[z.rson[g]] = (uint16_t)g;
            z.dad[z.lson[q]] = (uint16_t)q;
            z.dad[g] = (uint16_t)r;
            z.dad[q] = (uint16_t)r;
        } else {  // zig-zag: r right of q, q left of g
            z.lson[g] = z.rson[r];
            z.rson[q] = z.lson[r];
            z.rson[r] = (uint16_t)g;
            z.lson[r] = (uint16_t)q;
            z.dad[z.lson[g]] = (uint16_t)g;
            z.dad[z.rson[q]] = (uint16_t)q;
            z.dad[g] = (uint16_t)r;
            z.dad[q] = (uint16_t)r;
        }
        ReplaceChild(gg, g, r);
        z.dad[r] = (uint16_t)gg;
    }
}

// Index of the first of bytes 1..17 where a and b differ; 18 when none does.
// Frame data matches long and often, so the compare goes eight bytes a step.
inline int32_t FirstDifference(const uint8_t *a, const uint8_t *b) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (int32_t i = 1; i + 8 <= kLzssMaxMatch; i += 8) {
        uint64_t x, y;
        memcpy(&x, a + i, 8);
        memcpy(&y, b + i, 8);
        if (x != y) return i + __builtin_ctzll(x ^ y) / 8;
    }
    return a[kLzssMaxMatch - 1] != b[kLzssMaxMatch - 1] ? kLzssMaxMatch - 1 : kLzssMaxMatch;
#else
    int32_t i = 1;
    while (i < kLzssMaxMatch && a[i] == b[i]) i++;
    return i;
#endif
}

// Insert the string at r and leave its longest match in matchPosition and
// matchLength. Of equally long matches the first met on the way down wins.
void InsertNode(int32_t r) {
    LzssCodecState &z = gLzss;
    const uint8_t *key = &z.ring[r];
    int32_t cmp = 1;
    int32_t p = kRootSentinel + key[0];
    z.lson[r] = z.rson[r] = kLzssNil;
    z.matchLength = 0;
    z.insertDepth = 0;
    for (;;) {
        z.insertDepth++;
        uint16_t &link = cmp >= 0 ? z.rson[p] : z.lson[p];
        if (link == kLzssNil) {
            link = (uint16_t)r;
            z.dad[r] = (uint16_t)p;
            break;
        }
        p = link;
        int32_t i = FirstDifference(key, &z.ring[p]);
        cmp = i < kLzssMaxMatch ? (int32_t)key[i] - (int32_t)z.ring[p + i] : 0;
        if (i > z.matchLength) {
            z.matchPosition = p;
            z.matchLength = i;
            if (i >= kLzssMaxMatch) {
                // An equal string: r replaces the older p, which is the
                // first to leave the ring anyway.
                z.dad[r] = z.dad[p];
                z.lson[r] = z.lson[p];
                z.rson[r] = z.rson[p];
                z.dad[z.lson[p]] = (uint16_t)r;
                z.dad[z.rson[p]] = (uint16_t)r;
                ReplaceChild(z.dad[p], p, r);
                z.dad[p] = kLzssNil;
                break;
            }
        }
    }
    if (z.insertDepth >= kSplayDepth) SplayNode(r);
}

void DeleteNode(int32_t p) {
    LzssCodecState &z = gLzss;
    if (z.dad[p] == kLzssNil) return;
    int32_t q;
    if (z.rson[p] == kLzssNil) {
        q = z.lson[p];
    } else if (z.lson[p] == kLzssNil) {
        q = z.rson[p];
    } else {
        q = z.lson[p];
        if (z.rson[q] != kLzssNil) {
            do {
                q = z.rson[q];
            } while (z.rson[q] != kLzssNil);
            z.rson[z.dad[q]] = z.lson[q];
            z.dad[z.lson[q]] = z.dad[q];
            z.lson[q] = z.lson[p];
            z.dad[z.lson[p]] = (uint16_t)q;
        }
        z.rson[q] = z.rson[p];
        z.dad[z.rson[p]] = (uint16_t)q;
    }
    z.dad[q] = z.dad[p];
    ReplaceChild(z.dad[p], p, q);
    z.dad[p] = kLzssNil;
}

}  // namespace

uint32_t LzssEncode(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                    uint32_t destinationCapacity) {
    LzssCodecState &z = gLzss;
    // The decoder depends on the ring starting at zero; so do we, because the
    // first strings are matched against that fill.
    memset(&z, 0, sizeof z);
    z.source = source;
    z.sourceLength = sourceLength;
    z.destination = destination;
    z.destinationCapacity = destinationCapacity;
    for (int32_t i = kRootSentinel; i < kRootSentinel + 256; i++) z.rson[i] = kLzssNil;
    for (int32_t i = 0; i < kLzssRingSize; i++) z.dad[i] = kLzssNil;

    uint32_t groupLength = 1;  // flag byte at groupBuffer[0]
    uint32_t mask = 1;
    int32_t s = 0;
    int32_t r = kLzssStart;
    int32_t len = 0;
    for (int32_t c; len < kLzssMaxMatch && (c = GetByte()) >= 0; len++)
        z.ring[r + len] = (uint8_t)c;
    if (len == 0) return 0;
    for (int32_t i = 1; i <= kLzssMaxMatch; i++) InsertNode(r - i);
    InsertNode(r);

    while (len > 0 && !z.outputTruncated) {
        if (z.matchLength > len) z.matchLength = len;
        if (z.matchLength <= kLzssThreshold) {
            z.matchLength = 1;
            z.groupBuffer[0] |= (uint8_t)mask;
            z.groupBuffer[groupLength++] = z.ring[r];
        } else {
            z.groupBuffer[groupLength++] = (uint8_t)(z.matchPosition & 0xFF);
            z.groupBuffer[groupLength++] =
                (uint8_t)(((z.matchPosition >> 8) << 4) | (z.matchLength - (kLzssThreshold + 1)));
        }
        mask = (mask << 1) & 0xFF;
        if (mask == 0) {
            for (uint32_t i = 0; i < groupLength; i++) PutByte(z.groupBuffer[i]);
            z.groupBuffer[0] = 0;
            groupLength = 1;
            mask = 1;
        }
        z.lastMatchLength = z.matchLength;
        int32_t i = 0;
        for (int32_t c; i < z.lastMatchLength && (c = GetByte()) >= 0; i++) {
            DeleteNode(s);
            z.ring[s] = (uint8_t)c;
            if (s < kLzssMaxMatch - 1) z.ring[s + kLzssRingSize] = (uint8_t)c;
            s = (s + 1) & (kLzssRingSize - 1);
            r = (r + 1) & (kLzssRingSize - 1);
            InsertNode(r);
        }
        for (; i < z.lastMatchLength; i++) {
            DeleteNode(s);
            s = (s + 1) & (kLzssRingSize - 1);
            r = (r + 1) & (kLzssRingSize - 1);
            if (--len) InsertNode(r);
        }
    }
    // The last group goes out even when empty: streams of a multiple of eight
    // items end in a lone zero flag byte, which every decoder skips.
    if (!z.outputTruncated)
        for (uint32_t i = 0; i < groupLength; i++) PutByte(z.groupBuffer[i]);
    return z.outputCount;
}

uint32_t ByteRunDecode(uint8_t *destination, uint32_t destinationCapacity, const uint8_t *source,
                       uint32_t sourceLength) {
    uint32_t in = 0, out = 0;
    while (in < sourceLength && out < destinationCapacity) {
        uint32_t c = source[in++];
        uint32_t count = (c & 0x7F) + 1;
        uint32_t room = destinationCapacity - out;
        if (c < 0x80) {
            if (in >= sourceLength) break;  // the byte to repeat is missing
            uint8_t value = source[in++];
            count = count < room ? count : room;
            memset(destination + out, value, count);
        } else {
            // A literal cut short by the end of the input copies what is there.
            uint32_t left = sourceLength - in;
            uint32_t take = count < left ? count : left;
            count = take < room ? take : room;
            memcpy(destination + out, source + in, count);
            in += take;
        }
        out += count;
    }
    return out;
}
