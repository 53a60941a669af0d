// fine_writer.cpp -- see fine_writer.h.
#include "fine_writer.h"

#include <cstring>

#include "container.h"
#include "lzss.h"

namespace {

void AppendLe32(std::vector<uint8_t> *out, uint32_t v) {
    for (int i = 0; i < 4; i++) out->push_back((uint8_t)(v >> (8 * i)));
}

void AppendLe16(std::vector<uint8_t> *out, uint32_t v) {
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

// One plane as differences from the prediction the reader makes
// (fine_format.h): twice the previous value less the one before within a
// span, the previous span's first value at a span's start.
template <typename Field>
void PutPlane(const FineRecord &r, bool wide, Field field, std::vector<uint8_t> *out) {
    int32_t spanStart = 0;
    size_t at = 0;
    for (const FineSpan &span : r.spans) {
        const FinePixel *p = r.pixels.data() + at;
        for (int32_t i = 0; i < span.count; i++) {
            int32_t prediction = i == 0   ? spanStart
                                 : i == 1 ? field(p[i - 1])
                                          : 2 * field(p[i - 1]) - field(p[i - 2]);
            int32_t value = field(p[i]);
            if (!wide) {
                out->push_back((uint8_t)(value - prediction));
            } else {
                int32_t delta = value - prediction;
                if (delta >= -127 && delta <= 127) {
                    out->push_back((uint8_t)(delta >= 0 ? 2 * delta : -2 * delta - 1));
                } else {
                    out->push_back(kFineEscape);
                    AppendLe16(out, (uint16_t)(int16_t)value);
                }
            }
            if (i == 0) spanStart = value;
        }
        at += span.count;
    }
}

}  // namespace

FineRecord FineRecordFromFrame(int32_t width, int32_t height, const std::vector<FinePixel> &pixels,
                               const std::vector<uint8_t> &changed) {
    FineRecord r;
    for (int32_t y = 0; y < height; y++) {
        int32_t x = 0;
        while (x < width) {
            size_t row = (size_t)y * (size_t)width;
            if (!changed[row + (size_t)x]) {
                x++;
                continue;
            }
            int32_t start = x;
            while (x < width && changed[row + (size_t)x]) r.pixels.push_back(pixels[row + (size_t)x++]);
            r.spans.push_back(FineSpan{(uint16_t)y, (uint16_t)start, (uint16_t)(x - start), 0, 0});
        }
    }
    return r;
}

std::vector<uint8_t> EncodeFineRecord(const FineRecord &r) {
    std::vector<uint8_t> out;
    AppendLe32(&out, (uint32_t)r.spans.size());
    AppendLe32(&out, (uint32_t)r.pixels.size());
    for (const FineSpan &s : r.spans) {
        AppendLe16(&out, s.row);
        AppendLe16(&out, s.column);
        AppendLe16(&out, s.count);
    }
    PutPlane(r, true, [](const FinePixel &p) { return (int32_t)p.u; }, &out);
    PutPlane(r, true, [](const FinePixel &p) { return (int32_t)p.v; }, &out);
    PutPlane(r, false, [](const FinePixel &p) { return (int32_t)p.level; }, &out);
    PutPlane(r, false, [](const FinePixel &p) { return (int32_t)p.glass; }, &out);
    PutPlane(r, false, [](const FinePixel &p) { return (int32_t)p.direct; }, &out);
    for (int c = 0; c < 3; c++)
        PutPlane(r, false, [c](const FinePixel &p) { return (int32_t)p.add[c]; }, &out);
    return out;
}

int WriteFineContainer(const FineLayout &layout, const std::vector<FineRecord> &records,
                       std::vector<uint8_t> *out, std::string *why) {
    const int32_t frames = (int32_t)layout.frameRecord.size();
    if (layout.width < 1 || layout.width > kMaxFrameSide || layout.height < 1 ||
        layout.height > kMaxFrameSide) {
        *why = "frame size must be 1.." + std::to_string((int)kMaxFrameSide) + " on each side";
        return 0;
    }
    if (frames < 1 || frames > kMaxFrames || records.empty() || records.size() > (size_t)frames) {
        *why = "a fine container holds 1..127 frames and 1..frames records";
        return 0;
    }
    out->assign(kFineFrameTableOffset, 0);
    memcpy(out->data(), kFineMagic, kFineMagicBytes);
    const uint32_t header[] = {kFineVersion, (uint32_t)layout.width, (uint32_t)layout.height,
                               (uint32_t)layout.playMode, (uint32_t)frames,
                               (uint32_t)records.size(), (uint32_t)layout.ballSide};
    for (size_t i = 0; i < sizeof header / sizeof header[0]; i++)
        for (int b = 0; b < 4; b++)
            (*out)[kFineVersionOffset + 4 * i + b] = (uint8_t)(header[i] >> (8 * b));
    for (int c = 0; c < 3; c++) (*out)[kFineTintOffset + c] = layout.tint[c];
    out->insert(out->end(), layout.frameRecord.begin(), layout.frameRecord.end());
    while (out->size() % 4) out->push_back(0);
    for (const FineRecord &r : records) {
        std::vector<uint8_t> raw = EncodeFineRecord(r);
        std::vector<uint8_t> packed(raw.size() + raw.size() / 8 + 16);
        uint32_t n = LzssEncode(raw.data(), packed.data(), (uint32_t)raw.size(),
                                (uint32_t)packed.size());
        AppendLe32(out, n);
        AppendLe32(out, (uint32_t)raw.size());
        out->insert(out->end(), packed.begin(), packed.begin() + n);
    }
    char reason[256] = "";
    if (!DecodeFineContainer(out->data(), (uint32_t)out->size(), nullptr, nullptr, reason,
                             sizeof reason)) {
        *why = std::string("the fine container breaks a rule: ") + reason;
        out->clear();
        return 0;
    }
    return 1;
}
