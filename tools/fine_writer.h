// fine_writer.h -- writes fine containers (engine/fine_format.h).
//
// A record goes in as a whole frame of pixels and a mask of those the frame
// changes; the writer cuts each row's changed pixels into spans, stores each
// plane as its differences from the format's prediction and compresses the
// record with LzssEncode.
//
//   FineRecordFromFrame(w, h, pixels, changed)  spans and pixels of a frame
//   EncodeFineRecord(record)                    its raw stream
//   WriteFineContainer(layout, records, &out, why)  1 on success, else 0 + why
#ifndef ORB_TOOLS_FINE_WRITER_H
#define ORB_TOOLS_FINE_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "fine_format.h"

struct FineRecord {
    std::vector<FineSpan> spans;  // row, column, count; firstPixel is ignored
    std::vector<FinePixel> pixels;
};

struct FineLayout {
    int32_t width, height, playMode, ballSide;
    uint8_t tint[3];                   // blue, green, red in 128ths, at most 128
    std::vector<uint8_t> frameRecord;  // the record each frame plays
};

FineRecord FineRecordFromFrame(int32_t width, int32_t height, const std::vector<FinePixel> &pixels,
                               const std::vector<uint8_t> &changed);

std::vector<uint8_t> EncodeFineRecord(const FineRecord &record);

int WriteFineContainer(const FineLayout &layout, const std::vector<FineRecord> &records,
                       std::vector<uint8_t> *out, std::string *why);

#endif
