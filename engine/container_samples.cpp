#include "container_samples.h"

static inline int32_t Distance(int32_t a, int32_t b) { return a > b ? a - b : b - a; }

// Follow the sampling position pixel by pixel, in sprite coordinates.
int WalkFrameSamples(const uint32_t *words, int32_t w, int32_t h, FrameFacts *frame,
                     ContainerFacts *facts, SampleEscape *escape) {
    int64_t column = 0, row = 0;
    for (int32_t r = 0; r < h; r++) {
        for (int32_t c = 0; c < w; c++) {
            uint32_t d = words[(size_t)r * w + c];
            int32_t step = DisplacementStep(d);
            row += StepRows(step);
            column += StepColumns(step);
            if (column < 0 || column >= w || row < 0 || row >= h) {
                *escape = SampleEscape{c, r, column, row};
                return 0;
            }
            int32_t dc = Distance((int32_t)column, c), dr = Distance((int32_t)row, r);
            if (dc > frame->maxColumnOffset) frame->maxColumnOffset = dc;
            if (dr > frame->maxRowOffset) frame->maxRowOffset = dr;
            facts->levelHistogram[DisplacementLevel(d)]++;
            if (d & kSpareBitsMask) facts->wordsWithHighBits++;
            if (DisplacementLevel(d)) frame->litPixels++;
        }
    }
    frame->firstWord = words[0];
    frame->lastWord = words[(size_t)w * h - 1];
    return 1;
}
