// Helpers shared by the unit tests: synthetic frames and containers, and a
// clean engine over the in-memory screen.
#ifndef ORB_TESTS_TEST_SUPPORT_H
#define ORB_TESTS_TEST_SUPPORT_H

#include <cstdint>
#include <vector>

typedef std::vector<uint8_t> Bytes;
typedef std::vector<uint32_t> Words;

// Where each pixel of a w x h frame samples (sprite coordinates) and how
// much light it gets; turned into displacement words by FrameWords.
struct FramePlan {
    int32_t w, h;
    std::vector<int32_t> sampleColumn, sampleRow, level;
};

FramePlan IdentityPlan(int32_t w, int32_t h);
// A round lens in the middle: samples pulled toward the centre, lit by facet.
FramePlan LensPlan(int32_t w, int32_t h, int32_t radius, int32_t seed);
Words FrameWords(const FramePlan &plan);

// The word runs of a frame: repeat runs for equal neighbours, literal runs
// otherwise, never crossing a row.
Words RunsFromWords(const Words &words, int32_t w);
// An LZSS stream of literals only: valid for any decoder, no compressor needed.
Bytes StoreAsLiterals(const Bytes &bytes);
Bytes WordsToBytes(const Words &words);

// A container of the given decoded frames (each w*h words).
Bytes BuildContainer(int32_t w, int32_t h, int32_t playMode, const std::vector<Words> &frames);

// A container file through the one reader, or nothing when it cannot be read.
Bytes LoadContainerBytes(const char *path);

// Run expansion as the stream defines it, one word at a time: the model the
// block-copy DecodeWordRuns is held to.
Words PlainWordRuns(const uint32_t *in, int32_t count, int32_t capacity);

// Reset the engine and the offscreen screen; the screen becomes W x H of a
// known pattern, the built-in container `container` (kept alive by caller).
void StartScreen(std::vector<uint8_t> &screen, int32_t width, int32_t height,
                 const Bytes &container);
uint8_t PatternByte(int32_t x, int32_t y, int32_t channel);

#endif
