// fine_format.h -- Orb's own frame encoding, "fine": filtered sub-pixel
// sampling, a soft outline, multiplied and added light, and room round the
// ball for its shadow.
//
// A fine container, little-endian:
//
//   0   8  magic "OrbFine" + 0x01
//   8  44  zero. Bytes 36..51 are where a classic container keeps its first
//          animation entry: zero there reads as a 0 x 0 frame with no frames,
//          so a reader of the classic format refuses it or shows nothing;
//          it can never play it as displacement words.
//  52   4  format version (kFineVersion)
//  56   4  frame width w, 1..kMaxFrameSide
//  60   4  frame height h
//  64   4  play mode (signed; as the classic mode byte)
//  68   4  frame count n, 1..kMaxFrames
//  72   4  record count r, 1..n: frames may share a record
//  76   4  nominal ball side (the classic size it stands in for)
//  80   4  glass tint: blue, green, red multipliers in 128ths, then 0
//  84   n  frame table: the record each frame plays (one byte each)
//   ...    padding to a multiple of 4
//          r records, back to back: packed length L, raw length, L bytes of
//          LZSS stream
//
// A record's raw stream: span count, pixel count (32-bit each); the spans
// (row, first column, pixel count; 16-bit each) in row order, not
// overlapping; then eight planes over the pixels in span order. Each value
// is stored as its difference from a prediction: within a span twice the
// previous value less the one before it (a smooth field predicts itself), at
// a span's start the first value of the previous span. The two positions
// (16-bit) store a difference as one zigzag byte, or 0xFF and the value
// itself; the six byte planes store it modulo 256.
//
// Per pixel: where it samples, in 16ths of a pixel of the frame (a pixel's
// centre is at 16 i + 8); the filter level in 16ths (0: the desktop itself,
// 16: the half-size average, ...), blended between the two levels round it;
// the weight of that sample (glass) and of the desktop right under the
// pixel (direct), both in 128ths; and light added to blue, green and red.
//   out = sample * glass * tint / 128^2 + desktop * direct / 128 + add
// (where the darkened desktop under the ball is dark, the saver plays a
// frame with a stronger tint: fine_render.h, FineExpose).
// Pixels of the frame that no span covers show the desktop unchanged.
#ifndef ORB_ENGINE_FINE_FORMAT_H
#define ORB_ENGINE_FINE_FORMAT_H

#include <cstddef>
#include <cstdint>

enum {
    kFineMagicBytes = 8,
    kFineVersion = 1,
    kFineVersionOffset = 52,
    kFineWidthOffset = 56,
    kFineHeightOffset = 60,
    kFineModeOffset = 64,
    kFineFrameCountOffset = 68,
    kFineRecordCountOffset = 72,
    kFineBallSideOffset = 76,
    kFineTintOffset = 80,
    kFineFrameTableOffset = 84,
    kFineRecordOverhead = 8,  // packed length, raw length
    kFineSubpixel = 16,       // position units per pixel
    kFineSubpixelBits = 4,
    kFineLevelSteps = 16,     // level units per halving
    kFineMaxLevel = 4,        // the coarsest average: 16 x 16 desktop pixels
    kFineUnit = 128,          // weights and tint in 128ths
    kFineEscape = 0xFF,       // a position difference too large for a byte
};

extern const uint8_t kFineMagic[kFineMagicBytes];

// 1 when the data starts as a fine container does (checked or not).
int IsFineContainer(const uint8_t *data, uint32_t size);

// One pixel of a decoded frame. 12 bytes, so a span's pixels load evenly.
struct FinePixel {
    int16_t u, v;       // sampling position in 16ths of a frame pixel
    uint8_t level;      // filter level in 16ths
    uint8_t glass;      // weight of the filtered sample, 128ths
    uint8_t direct;     // weight of the desktop under the pixel, 128ths
    uint8_t spare;
    uint8_t add[4];     // blue, green, red, spare
};
static_assert(sizeof(FinePixel) == 12, "pixels are packed");

struct FineSpan {
    uint16_t row, column, count, spare;
    uint32_t firstPixel;  // index into the record's pixels
};

// Where a decoded record lies in FineDeck's arrays, and the rectangle of the
// frame its spans cover (columns left..right-1, rows top..bottom-1; empty
// when left = right).
struct FineRecordPlace {
    uint32_t firstSpan, spanCount;
    uint32_t firstPixel, pixelCount;
    int32_t left, top, right, bottom;
};

// Every record of a container, decoded once at set-up.
struct FineDeck {
    int32_t width, height, playMode, frameCount, recordCount, ballSide;
    uint8_t tint[4];
    uint8_t frameRecord[128];  // frame -> record
    FineRecordPlace records[128];
    FineSpan *spans;
    FinePixel *pixels;
    uint32_t spanTotal, pixelTotal;
    int32_t topLevel;  // the coarsest level any pixel reads
    int32_t glassMost;  // the largest glass weight of any pixel
};

// What the checks learnt, for orbtool info.
struct FineFacts {
    int32_t width, height, playMode, frameCount, recordCount, ballSide, version;
    uint8_t tint[4];
    uint32_t size;
    uint64_t packedBytes, rawBytes;
    uint32_t spanTotal, pixelTotal, glassPixels;
    uint32_t largestRecordPixels;
    int32_t topLevel;
    int32_t checkedRecords;
};

// Check a fine container whole (header, table, every record, every span and
// every filter tap) and, when `deck` is not null, keep what was decoded in
// heap blocks that FreeFineDeck gives back. Returns 1 when valid; `why` gets
// the first violation.
int DecodeFineContainer(const uint8_t *data, uint32_t size, FineDeck *deck, FineFacts *facts,
                        char *why, uint32_t whyCapacity);
void FreeFineDeck(FineDeck *deck);

// The margin (16ths of a pixel) a sample needs from the frame's edges so that
// every tap of its filter reads desktop under the frame: 1.5 texels of the
// coarser level it blends.
int32_t FineTapMargin(uint8_t level);

#endif
