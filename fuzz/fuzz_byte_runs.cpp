// The byte-wide run code against its rules spelled out one byte at a time,
// at any capacity, with exact-size buffers so any stray access shows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lzss.h"

static std::vector<uint8_t> PlainByteRuns(const uint8_t *in, uint32_t length, uint32_t capacity) {
    std::vector<uint8_t> out;
    uint32_t at = 0;
    while (at < length && out.size() < capacity) {
        uint32_t c = in[at++];
        uint32_t count = (c & 0x7F) + 1;
        if (c < 0x80) {
            if (at >= length) break;
            uint8_t v = in[at++];
            for (uint32_t i = 0; i < count && out.size() < capacity; i++) out.push_back(v);
        } else {
            for (uint32_t i = 0; i < count && at < length; i++, at++)
                if (out.size() < capacity) out.push_back(in[at]);
        }
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    uint32_t capacity = (uint32_t)data[0] | (uint32_t)data[1] << 8;
    uint32_t length = (uint32_t)(size - 2);
    uint8_t *input = (uint8_t *)malloc(length ? length : 1);
    if (length) memcpy(input, data + 2, length);
    uint8_t *out = (uint8_t *)malloc(capacity ? capacity : 1);
    uint32_t n = ByteRunDecode(out, capacity, input, length);
    std::vector<uint8_t> expected = PlainByteRuns(input, length, capacity);
    if (n != expected.size() || (n && memcmp(out, expected.data(), n) != 0)) abort();
    free(input);
    free(out);
    return 0;
}
