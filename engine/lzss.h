// lzss.h -- the LZSS codec of the animation frames.
//
// Okumura-style LZSS: a 4096-byte history ring that starts filled with zeros,
// literals and two-byte back-references (absolute ring position, length 3..18)
// grouped eight to a flag byte. No header, no end marker: a stream is exactly
// as long as the byte count that comes with it. Memory to memory; the codec
// never allocates and keeps its working state in one module-level record, so
// one call runs at a time.
//
//   LzssDecode(src, dst, srcLen, dstCap)  -> bytes written (never > dstCap)
//   LzssEncode(src, dst, srcLen, dstCap)  -> bytes written (never > dstCap)
//
// Decoding never fails: running out of input ends the stream. When the output
// would pass dstCap the call stops there and sets gLzss.outputTruncated.
// LzssDecode may use the destination past the bytes it returns (never past
// dstCap) as scratch: its copies run in blocks.
#ifndef ORB_ENGINE_LZSS_H
#define ORB_ENGINE_LZSS_H

#include <cstdint>

enum {
    kLzssRingSize = 4096,  // N: history window; positions are 12-bit
    kLzssMaxMatch = 18,    // F: longest back-reference
    kLzssThreshold = 2,    // matches this short or shorter go as literals
    kLzssStart = kLzssRingSize - kLzssMaxMatch,  // 4078: first ring write
    kLzssNil = kLzssRingSize,                    // empty tree link
};

struct LzssCodecState {
    const uint8_t *source;
    uint32_t sourceLength;
    uint32_t inputCursor;
    uint8_t *destination;
    uint32_t destinationCapacity;
    uint32_t outputCount;     // bytes written so far; the result
    int32_t outputTruncated;  // 1 when output stopped at destinationCapacity
    // Ring positions 0..4095; bytes 4096..4112 mirror 0..16 for the
    // compressor's string compares and are cleared with the rest.
    uint8_t ring[kLzssRingSize + kLzssMaxMatch - 1];

    // The compressor's binary trees (lzss_encode.cpp).
    uint16_t lson[kLzssRingSize];
    uint16_t rson[kLzssRingSize + 257];
    uint16_t dad[kLzssRingSize + 1];
    int32_t matchPosition;
    int32_t matchLength;
    int32_t lastMatchLength;
    int32_t insertDepth;
    uint8_t groupBuffer[17];
};

extern LzssCodecState gLzss;

uint32_t LzssDecode(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                    uint32_t destinationCapacity);
// The same stream decoded byte by byte through gLzss.ring: slower, obviously
// right, and what LzssDecode is held against: same count, same bytes up to
// it, same outputTruncated. It writes nothing past the count.
uint32_t LzssDecodeReference(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                             uint32_t destinationCapacity);

uint32_t LzssEncode(const uint8_t *source, uint8_t *destination, uint32_t sourceLength,
                    uint32_t destinationCapacity);

// Byte-wide run-length code, the counterpart of the frames' word runs:
// control c < 0x80 repeats the next byte c+1 times, c >= 0x80 copies the next
// (c & 0x7F)+1 bytes. Never writes past destinationCapacity and never reads
// past sourceLength. Returns the bytes written.
uint32_t ByteRunDecode(uint8_t *destination, uint32_t destinationCapacity, const uint8_t *source,
                       uint32_t sourceLength);

#endif
