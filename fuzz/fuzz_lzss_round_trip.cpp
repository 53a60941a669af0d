// Whatever the compressor is given, both decoders must give it back exactly,
// and the compressor must stay within the room it was promised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1u << 20) return 0;
    uint32_t length = (uint32_t)size;
    // All literals is the worst case: a flag byte per eight bytes, plus the
    // last group's flag byte.
    uint32_t room = length + length / 8 + 2;
    uint8_t *packed = (uint8_t *)malloc(room);
    uint32_t packedLength = LzssEncode(data, packed, length, room);
    if (gLzss.outputTruncated) abort();

    uint8_t *back = (uint8_t *)malloc(length ? length : 1);
    if (LzssDecode(packed, back, packedLength, length) != length || gLzss.outputTruncated) abort();
    if (length && memcmp(back, data, length) != 0) abort();
    memset(back, 0, length);
    if (LzssDecodeReference(packed, back, packedLength, length) != length) abort();
    if (length && memcmp(back, data, length) != 0) abort();

    free(packed);
    free(back);
    return 0;
}
