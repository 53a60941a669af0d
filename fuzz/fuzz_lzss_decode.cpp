// Any bytes are a stream. The frame path's decoder must agree with the ring
// decoder on every one of them and at every capacity: same count, same bytes,
// same truncation, and neither may write past the capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes choose the capacity; the rest is the stream.
    uint32_t capacity = (uint32_t)data[0] | (uint32_t)data[1] << 8;
    const uint8_t *stream = data + 2;
    uint32_t length = (uint32_t)(size - 2);
    uint8_t *input = (uint8_t *)malloc(length ? length : 1);  // exact: overreads show
    if (length) memcpy(input, stream, length);
    uint8_t *fast = (uint8_t *)malloc(capacity ? capacity : 1);  // exact: overruns show
    uint8_t *reference = (uint8_t *)malloc(capacity ? capacity : 1);

    uint32_t n = LzssDecodeReference(input, reference, length, capacity);
    int32_t truncated = gLzss.outputTruncated;
    uint32_t m = LzssDecode(input, fast, length, capacity);
    if (m != n || gLzss.outputTruncated != truncated || n > capacity) abort();
    if (memcmp(fast, reference, n) != 0) abort();

    free(input);
    free(fast);
    free(reference);
    return 0;
}
