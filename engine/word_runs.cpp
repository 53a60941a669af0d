// Expanding a frame's word runs: the renderer's inner step, and the
// validator's, which checks the runs before anything renders them.
#include <cstring>

#include "container.h"

// Runs average a handful of words, so a call to memcpy or a vectorised fill
// per run costs more than the run itself. Both go in 16-byte blocks instead.
// Where the input and the output both go on for at least a block past the
// run, the last block may spill over the run's end (the next run overwrites
// it); near either end the last block is placed to end exactly at the run's
// end, overlapping its neighbour, and runs shorter than a block go word by
// word.
enum { kBlockWords = 4 };

static inline void CopyWords(uint32_t *to, const uint32_t *from, int64_t n) {
    if (n < kBlockWords) {
        for (int64_t i = 0; i < n; i++) to[i] = from[i];
        return;
    }
    for (int64_t i = 0; i + kBlockWords < n; i += kBlockWords) memcpy(to + i, from + i, 16);
    memcpy(to + n - kBlockWords, from + n - kBlockWords, 16);
}

static inline void FillWords(uint32_t *to, uint32_t v, int64_t n) {
    const uint32_t block[kBlockWords] = {v, v, v, v};
    if (n < kBlockWords) {
        for (int64_t i = 0; i < n; i++) to[i] = v;
        return;
    }
    for (int64_t i = 0; i + kBlockWords < n; i += kBlockWords) memcpy(to + i, block, 16);
    memcpy(to + n - kBlockWords, block, 16);
}

int32_t DecodeWordRuns(uint32_t *output, int32_t outputCapacity, const uint32_t *input,
                       int32_t count) {
    int64_t remaining = count;  // a literal run may claim 2^31 words
    uint32_t *out = output;
    uint32_t *const end = output + (outputCapacity > 0 ? outputCapacity : 0);
    uint32_t block[kBlockWords];
    while (remaining > 0) {
        uint32_t c = *input++;
        remaining--;
        int64_t room = end - out;
        // Literal and repeat runs alternate in no pattern a branch could
        // learn, so both are one copy: a literal run from the input, a
        // repeat run from a block of its value.
        const bool literal = IsLiteralRun(c);
        if (!literal && remaining <= 0) break;  // the value word is missing
        const int64_t k = RunWords(c);
        // A literal run is cut where the input ends.
        const int64_t there = literal ? (k < remaining ? k : remaining) : k;
        const int64_t n = there < room ? there : room;
        const uint32_t v = literal ? 0 : *input;  // a literal run may have no word left
        block[0] = block[1] = block[2] = block[3] = v;
        const uint32_t *from = literal ? input : block;
        const int64_t stride = literal ? kBlockWords : 0;
        const int64_t consumed = literal ? there : 1;
        // Spill past the run only where both the input and the output go on.
        if (remaining - consumed >= kBlockWords && room - n >= kBlockWords) {
            for (int64_t i = 0; i < n; i += kBlockWords, from += stride) memcpy(out + i, from, 16);
        } else if (literal) {
            CopyWords(out, input, n);
        } else {
            FillWords(out, v, n);
        }
        input += consumed;
        out += n;
        remaining -= RunInputWords(c);
    }
    return (int32_t)(out - output);
}
