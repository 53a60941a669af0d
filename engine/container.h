// container.h -- the animation container and the rendering of its frames.
//
// Layout (little-endian): "MERVSoft" signature, 24 reserved bytes, a spare
// word, then at offset 36 a 256-byte table of 16 animation entries of which
// only slot 0 is read: first record offset, frame width, frame height, play
// mode (signed byte), frame count (signed byte). Frame records follow back to
// back: packed length L, L bytes of LZSS stream, input length.
//
// A frame's LZSS output is a stream of 32-bit words in runs: a control word
// with bit 31 set copies the next (c & 0x7FFFFFFF)+1 words, one without it
// repeats the next word c+1 times. The runs expand to w*h displacement words:
// bits 0-4 a light level, bits 8-31 a signed step of the sampling position
// with 1024 step units to a row.
//
//   LoadContainerFile  reads a container file, bounded, into a heap block
//   ValidateContainer  checks a container once, before anything renders it
//   ParseContainer     reads the header into gEngine, takes the three buffers
//   RenderFrame(i)     decodes the next frame into gEngine.compositeBuffer
//
// RenderFrame trusts what ValidateContainer passed: it checks no bounds.
#ifndef ORB_ENGINE_CONTAINER_H
#define ORB_ENGINE_CONTAINER_H

#include <cstdarg>
#include <cstdint>

enum {
    kContainerHeaderBytes = 36,  // signature, reserved, spare word
    kAnimEntryBytes = 16,
    kAnimTableBytes = 256,       // 16 entries; the whole table is copied
    kContainerMinBytes = kContainerHeaderBytes + kAnimTableBytes,
    kRecordOverheadBytes = 8,    // packed length before the stream, input length after
    kMaxFrameSide = 1024,        // larger frames are refused
    kMaxFrames = 127,            // the count is a signed byte
    kLightLevels = 32,
};

// Where slot 0's fields sit in an entry of the table.
enum {
    kEntryFirstRecord = 0,
    kEntryWidth = 4,
    kEntryHeight = 8,
    kEntryPlayMode = 12,    // signed byte
    kEntryFrameCount = 13,  // signed byte
};

// What our writer puts in the bytes the renderer never reads.
enum {
    kContainerTagOffset = 8,      // "ORB" and a format byte, in the reserved bytes
    kContainerLengthOffset = 14,  // total container length, also in the reserved bytes
    kFirstRecordOffset = 260,     // records start over table slots 14 and 15
};

// Largest container file anyone reads; no valid container comes close.
enum { kMaxContainerFileBytes = 64 * 1024 * 1024 };

// Run control words: the run's length in words less one, bit 31 set for a
// literal run (the words follow), clear for a repeat run (one word follows).
enum : uint32_t { kLiteralRunFlag = 0x80000000u, kRunLengthMask = 0x7FFFFFFFu };
constexpr bool IsLiteralRun(uint32_t control) { return (control & kLiteralRunFlag) != 0; }
// Words the run writes: up to 2^31, so wider than the control word.
constexpr int64_t RunWords(uint32_t control) { return (int64_t)(control & kRunLengthMask) + 1; }
// Words the run takes from the input after its control word.
constexpr int64_t RunInputWords(uint32_t control) {
    return IsLiteralRun(control) ? RunWords(control) : 1;
}
// Controls for runs of 1 .. 2^31 words.
constexpr uint32_t LiteralRunControl(uint32_t words) { return kLiteralRunFlag | (words - 1); }
constexpr uint32_t RepeatRunControl(uint32_t words) { return words - 1; }

// One word of a decoded frame: the level (0..31) in bits 0-4, bits 5-7
// spare, the step in bits 8-31.
enum : uint32_t { kLevelMask = 0x1Fu, kSpareBitsMask = 0xE0u };
enum { kStepUnitsPerRow = 1024 };
constexpr uint32_t MakeDisplacementWord(int32_t step, int32_t level) {
    return (uint32_t)step << 8 | (uint32_t)level;
}
constexpr int32_t DisplacementLevel(uint32_t word) { return (int32_t)(word & kLevelMask); }
constexpr int32_t DisplacementStep(uint32_t word) { return (int32_t)word >> 8; }
// Split a step into a row move and a column move in -511..512.
constexpr int32_t StepRows(int32_t step) { return (step + 511) >> 10; }  // floor division
constexpr int32_t StepColumns(int32_t step) { return step - kStepUnitsPerRow * StepRows(step); }

// Little-endian reads from container bytes (unaligned).
inline uint32_t ReadLe32(const uint8_t *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Read a whole container file into a heap block the caller frees. Reads at
// most kMaxContainerFileBytes and only a file that ends where its length
// said. Returns null (*size 0) when the file cannot be read so; `why` (may be
// null) then gets a one-line reason naming the file. An empty file reads as
// an empty block: whether it is a container is ValidateContainer's call.
uint8_t *LoadContainerFile(const char *name, uint32_t *size, char *why, uint32_t whyCapacity);

int ParseContainer(void);  // 0 when a buffer could not be allocated
void RenderFrame(int32_t index);

// Expand `count` input words of runs into at most `outputCapacity` words.
// A run is cut where the input or the output ends. Returns the words written;
// the output past them (never past the capacity) is scratch.
int32_t DecodeWordRuns(uint32_t *output, int32_t outputCapacity, const uint32_t *input,
                       int32_t count);

// Sample the background under the sprite at (x, y) along the words' path and
// write the lit pixels to gEngine.compositeBuffer.
void CompositeFrame(int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t *words);

// What ValidateContainer learnt about one frame.
struct FrameFacts {
    uint32_t recordOffset;
    uint32_t packedLength;
    uint32_t inputLength;
    uint32_t decodedBytes;      // LZSS output
    int32_t runCount;
    int32_t longestLiteralRun;  // words
    int32_t longestRepeatRun;   // words
    int32_t runsCrossingRows;   // runs that do not end on a row boundary they started on
    int32_t maxColumnOffset;    // largest |sample column - pixel column|
    int32_t maxRowOffset;       // largest |sample row - pixel row|
    uint32_t firstWord, lastWord;
    uint32_t litPixels;         // level > 0
};

struct ContainerFacts {
    int32_t width, height, playMode, frameCount;
    uint32_t firstRecordOffset;
    uint32_t endOffset;  // one past the last record
    uint32_t size;
    uint64_t levelHistogram[kLightLevels];
    uint64_t wordsWithHighBits;  // bits 5-7 set
    int32_t maxColumnOffset, maxRowOffset;
    FrameFacts frames[kMaxFrames];
};

// The checks' way of saying why: `format` into `why` (at most whyCapacity
// bytes, always terminated); nothing when why is null. The fine reader says
// it the same way.
void SayWhy(char *why, uint32_t whyCapacity, const char *format, va_list args);

// Check everything RenderFrame would otherwise trust: the header inside the
// data, 1 <= w, h <= 1024, a frame count of at least 1 in the playing modes,
// each record inside the data, each stream decoding within w*h*4 bytes, each
// word stream consumed exactly and expanding to exactly w*h words, every
// sampling position inside the w x h sprite rectangle. Returns 1 when valid.
// `facts` (may be null) receives what was learnt up to the first violation;
// `why` (may be null) a one-line description of that violation.
int ValidateContainer(const uint8_t *data, uint32_t size, ContainerFacts *facts, char *why,
                      uint32_t whyCapacity);

#endif
