// large_block.cpp -- see large_block.h.
#include "large_block.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void *AllocateLarge(size_t bytes) {
    void *block = malloc(bytes);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole 2 MB pieces inside the block can be huge pages; advising
    // just those leaves memory beside the block alone.
    const uintptr_t huge = (uintptr_t)2 << 20;
    uintptr_t from = ((uintptr_t)block + huge - 1) & ~(huge - 1);
    uintptr_t to = ((uintptr_t)block + bytes) & ~(huge - 1);
    if (block && to > from) madvise((void *)from, (size_t)(to - from), MADV_HUGEPAGE);
#endif
    return block;
}
