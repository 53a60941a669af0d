// Word runs from anywhere: the block-copy expansion against the plain word
// by word one, never reading past the input's count or writing past the
// output's capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "container.h"
#include "test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    int32_t capacity = (int32_t)(((uint32_t)data[0] | (uint32_t)data[1] << 8) & 0x3FFF);
    int32_t count = (int32_t)((size - 2) / 4);
    uint32_t *input = (uint32_t *)malloc(count ? (size_t)count * 4 : 4);
    if (count) memcpy(input, data + 2, (size_t)count * 4);
    uint32_t *out = (uint32_t *)malloc(capacity ? (size_t)capacity * 4 : 4);
    int32_t n = DecodeWordRuns(out, capacity, input, count);
    Words expected = PlainWordRuns(input, count, capacity);
    if (n != (int32_t)expected.size() || (n && memcmp(out, expected.data(), (size_t)n * 4) != 0))
        abort();
    free(input);
    free(out);
    return 0;
}
