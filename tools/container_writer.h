// container_writer.h -- writes animation containers for the engine to play.
//
// A frame goes in as width*height displacement words, top row first. The
// writer codes each row as word runs (a run never crosses a row boundary, so
// rows stay independent and repeat well across the frame), compresses the
// run stream with LzssEncode and appends the record; the header describes
// one animation in slot 0 of the table. orbtool and the tests share it.
//
//   EncodeWordRuns(words, w, h)   the run stream of one frame
//   WriteContainer(layout, frames, &out, why)  1 on success, else 0 + why
//   CutContainer(source, indices, &out, why)   some frames of a container
#ifndef ORB_TOOLS_CONTAINER_WRITER_H
#define ORB_TOOLS_CONTAINER_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "container.h"

enum { kRepeatRunMinimum = 3 };  // shorter stretches of equal words stay literal

struct ContainerLayout {
    int32_t width;
    int32_t height;
    int32_t playMode;  // -128..127; 1 bounces and loops
};

// One frame's word runs: per row, literal runs (LiteralRunControl(k), then k
// words) and repeat runs (RepeatRunControl(k), then the word).
std::vector<uint32_t> EncodeWordRuns(const uint32_t *words, int32_t width, int32_t height);

// The runs WriteContainer stores: EncodeWordRuns, unless they need more
// words than the frame has pixels; then the frame coded as one row.
std::vector<uint32_t> EncodeFrameRuns(const uint32_t *words, int32_t width, int32_t height);

// Expand a run stream back into words (the writer's own check; the engine has
// its own decoder). Returns 0 if the runs do not cover exactly `wordCount`.
int ExpandWordRuns(const std::vector<uint32_t> &runs, uint32_t wordCount,
                   std::vector<uint32_t> *words);

// LZSS-compress a run stream's little-endian bytes.
std::vector<uint8_t> CompressWordStream(const std::vector<uint32_t> &runs);

// Build a whole container. Each frame holds width*height words. Fails (0,
// with a reason) on a bad layout, a wrong frame size or too many frames.
int WriteContainer(const ContainerLayout &layout, const std::vector<std::vector<uint32_t>> &frames,
                   std::vector<uint8_t> *out, std::string *why);

// A container holding the frames of `source` named by `indices`, in that
// order (an index may repeat): their records are copied as they stand, the
// header keeps everything but the frame count and the length. Small seeds
// for the fuzzer come from here. Fails (0, with a reason) when the source is
// not a valid container, an index is past its last frame, or the list is
// empty or longer than a container holds.
int CutContainer(const std::vector<uint8_t> &source, const std::vector<int32_t> &indices,
                 std::vector<uint8_t> *out, std::string *why);

#endif
