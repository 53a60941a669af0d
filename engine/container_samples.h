// container_samples.h -- the container checks' walk over one decoded frame:
// where each pixel samples, and the facts orbtool prints about it. The one
// per-pixel loop of the checks, in a file of its own so that a fuzzing build
// can leave its comparisons untraced (the top CMakeLists.txt).
//
//   WalkFrameSamples(words, w, h, &frame, &facts, &escape)
//       1 when every sample lies inside the w x h rectangle under the
//       sprite; else 0, and escape says which pixel sampled where
#ifndef ORB_ENGINE_CONTAINER_SAMPLES_H
#define ORB_ENGINE_CONTAINER_SAMPLES_H

#include <cstddef>
#include <cstdint>

#include "container.h"

struct SampleEscape {
    int32_t pixelColumn, pixelRow;  // the pixel
    int64_t column, row;            // where it samples, in sprite coordinates
};

int WalkFrameSamples(const uint32_t *words, int32_t w, int32_t h, FrameFacts *frame,
                     ContainerFacts *facts, SampleEscape *escape);

#endif
