// large_block.h -- blocks the size of a screen's picture.
//
// A 3840 x 2160 desktop is 25 MB of pixels, written once at set-up. Taken
// from the system 4 KB at a time that is six thousand page faults before the
// first frame, which on a virtual machine can cost more than the capture
// itself. Where the system offers huge pages for ordinary memory (Linux's
// transparent huge pages), these blocks ask for them; elsewhere they are
// plain malloc blocks. Either way free() gives them back.
//
//   AllocateLarge(bytes)   malloc(bytes), with the hint given before any
//                          page of it is touched; null when memory ran out
#ifndef ORB_ENGINE_LARGE_BLOCK_H
#define ORB_ENGINE_LARGE_BLOCK_H

#include <cstddef>

void *AllocateLarge(size_t bytes);

#endif
