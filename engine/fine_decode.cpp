// Reading a fine container: everything is checked while it is decoded, once
// at set-up, so the renderer can trust every span and every tap.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "container.h"
#include "fine_format.h"
#include "lzss.h"

const uint8_t kFineMagic[kFineMagicBytes] = {'O', 'r', 'b', 'F', 'i', 'n', 'e', 0x01};

int IsFineContainer(const uint8_t *data, uint32_t size) {
    return data && size >= kFineMagicBytes && memcmp(data, kFineMagic, kFineMagicBytes) == 0;
}

int32_t FineTapMargin(uint8_t level) {
    int32_t coarse = level / kFineLevelSteps + (level % kFineLevelSteps ? 1 : 0);
    return (3 * kFineSubpixel / 2) << coarse;
}

namespace {

struct Reader {
    const uint8_t *data;
    uint32_t size;
    FineDeck *deck;  // never null inside
    FineFacts *facts;
    char *why;
    uint32_t whyCapacity;
    uint8_t *raw;      // one record's raw stream
    uint32_t rawCapacity;
    uint64_t spanCapacity, pixelCapacity;  // of deck->spans, deck->pixels
};

int Fail(Reader &r, const char *format, ...) {
    va_list args;
    va_start(args, format);
    SayWhy(r.why, r.whyCapacity, format, args);
    va_end(args);
    return 0;
}

int32_t ReadInt(const uint8_t *data, uint32_t offset) { return (int32_t)ReadLe32(data + offset); }

uint32_t FrameTableEnd(int32_t frames) {
    return (kFineFrameTableOffset + (uint32_t)frames + 3) & ~3u;
}

int CheckHeader(Reader &r) {
    FineDeck &d = *r.deck;
    FineFacts &f = *r.facts;
    f.size = r.size;
    if (!IsFineContainer(r.data, r.size)) return Fail(r, "not a fine container");
    if (r.size < kFineFrameTableOffset)
        return Fail(r, "fine container is %u bytes; its header alone takes %u", r.size,
                    (unsigned)kFineFrameTableOffset);
    for (uint32_t i = kFineMagicBytes; i < kFineVersionOffset; i++)
        if (r.data[i]) return Fail(r, "byte %u of the header is not zero", i);
    f.version = ReadInt(r.data, kFineVersionOffset);
    f.width = d.width = ReadInt(r.data, kFineWidthOffset);
    f.height = d.height = ReadInt(r.data, kFineHeightOffset);
    f.playMode = d.playMode = ReadInt(r.data, kFineModeOffset);
    f.frameCount = d.frameCount = ReadInt(r.data, kFineFrameCountOffset);
    f.recordCount = d.recordCount = ReadInt(r.data, kFineRecordCountOffset);
    f.ballSide = d.ballSide = ReadInt(r.data, kFineBallSideOffset);
    memcpy(d.tint, r.data + kFineTintOffset, 4);
    memcpy(f.tint, d.tint, 4);
    for (int c = 0; c < 3; c++)
        if (d.tint[c] > kFineUnit)
            return Fail(r, "glass tint %d/128 would brighten; at most 128", d.tint[c]);
    if (f.version != kFineVersion)
        return Fail(r, "fine format version %d; this program reads %d", f.version,
                    (int)kFineVersion);
    if (d.width < 1 || d.width > kMaxFrameSide || d.height < 1 || d.height > kMaxFrameSide)
        return Fail(r, "frame size %d x %d is outside 1..%d", d.width, d.height,
                    (int)kMaxFrameSide);
    if (d.frameCount < 1 || d.frameCount > kMaxFrames)
        return Fail(r, "frame count %d is outside 1..%d", d.frameCount, (int)kMaxFrames);
    if (d.recordCount < 1 || d.recordCount > d.frameCount)
        return Fail(r, "record count %d is outside 1..%d", d.recordCount, d.frameCount);
    if (FrameTableEnd(d.frameCount) > r.size)
        return Fail(r, "the frame table runs past the end of the container");
    for (int32_t i = 0; i < d.frameCount; i++) {
        d.frameRecord[i] = r.data[kFineFrameTableOffset + i];
        if (d.frameRecord[i] >= d.recordCount)
            return Fail(r, "frame %d plays record %d of %d", i, d.frameRecord[i], d.recordCount);
    }
    return 1;
}

// Room for one more record's spans and pixels, grown as records come (only
// at set-up): the blocks end up as large as the records need.
// Makes room for `needed` elements, at least doubling the block each time,
// so set-up reallocates only a few times.
template <typename T>
int Grow(Reader &r, T *&block, uint64_t &capacity, uint64_t needed) {
    if (needed <= capacity) return 1;
    uint64_t grown = needed > 2 * capacity ? needed : 2 * capacity;
    void *more = realloc(block, (size_t)grown * sizeof(T));
    if (!more) return Fail(r, "out of memory");
    block = (T *)more;
    capacity = grown;
    return 1;
}

int Reserve(Reader &r, const FineRecordPlace &place) {
    FineDeck &d = *r.deck;
    return Grow(r, d.spans, r.spanCapacity, (uint64_t)place.firstSpan + place.spanCount) &&
           Grow(r, d.pixels, r.pixelCapacity, (uint64_t)place.firstPixel + place.pixelCount);
}

// One record's raw stream fits this many bytes: the counts, spans of 6
// bytes, two positions of up to 3 bytes and six more bytes per pixel.
uint64_t RawBound(const FineDeck &d) {
    uint64_t framePixels = (uint64_t)d.width * (uint64_t)d.height;
    return 8 + framePixels * 6 + framePixels * 12;
}

int TakeRaw(Reader &r, uint32_t rawLength) {
    if (rawLength <= r.rawCapacity) return 1;
    free(r.raw);
    r.raw = (uint8_t *)malloc(rawLength);
    r.rawCapacity = r.raw ? rawLength : 0;
    return r.raw ? 1 : Fail(r, "out of memory");
}

// A raw stream read front to back; every read is bounded.
struct Cursor {
    const uint8_t *at, *end;
    int Take(void *out, uint32_t n) {
        if ((uint32_t)(end - at) < n) return 0;
        memcpy(out, at, n);
        at += n;
        return 1;
    }
};

int ReadSpans(Reader &r, int32_t index, Cursor &c, FineRecordPlace &place) {
    FineDeck &d = *r.deck;
    uint32_t counts[2];
    if (!c.Take(counts, 8)) return Fail(r, "record %d: its stream is too short", index);
    place.spanCount = counts[0];
    place.pixelCount = counts[1];
    uint64_t framePixels = (uint64_t)d.width * (uint64_t)d.height;
    if (place.spanCount > framePixels || place.pixelCount > framePixels)
        return Fail(r, "record %d: %u spans of %u pixels cannot fit a frame", index,
                    place.spanCount, place.pixelCount);
    if (!Reserve(r, place)) return 0;
    if (place.pixelCount)  // with none, no block may have been taken yet
        memset(d.pixels + place.firstPixel, 0, (size_t)place.pixelCount * sizeof(FinePixel));
    uint64_t pixels = 0;
    int64_t lastRow = -1, lastEnd = 0;
    for (uint32_t s = 0; s < place.spanCount; s++) {
        FineSpan &span = d.spans[place.firstSpan + s];
        uint16_t fields[3];
        if (!c.Take(fields, 6)) return Fail(r, "record %d: its spans are cut short", index);
        span = FineSpan{fields[0], fields[1], fields[2], 0, (uint32_t)(place.firstPixel + pixels)};
        if (span.row >= d.height || span.count == 0 || span.column + span.count > d.width)
            return Fail(r, "record %d: span %u (row %d, columns %d..%d) leaves the frame", index,
                        s, span.row, span.column, span.column + span.count - 1);
        if (span.row < lastRow || (span.row == lastRow && span.column < lastEnd))
            return Fail(r, "record %d: span %u overlaps or precedes the one before", index, s);
        lastRow = span.row;
        lastEnd = span.column + span.count;
        pixels += span.count;
    }
    for (uint32_t s = 0; s < place.spanCount; s++) {
        const FineSpan &span = d.spans[place.firstSpan + s];
        if (s == 0) place.left = span.column, place.top = span.row, place.right = 0;
        if (span.column < place.left) place.left = span.column;
        if (span.column + span.count > place.right) place.right = span.column + span.count;
        place.bottom = span.row + 1;
    }
    if (pixels != place.pixelCount)
        return Fail(r, "record %d: spans hold %llu pixels, not %u", index,
                    (unsigned long long)pixels, place.pixelCount);
    return 1;
}

// Undo the prediction of one plane. `Get`/`Set` reach the field of a pixel.
template <typename Field>
int ReadPlane(Reader &r, int32_t index, Cursor &c, const FineRecordPlace &place, bool wide,
              Field field) {
    FineDeck &d = *r.deck;
    int32_t spanStart = 0;
    for (uint32_t s = 0; s < place.spanCount; s++) {
        const FineSpan &span = d.spans[place.firstSpan + s];
        FinePixel *p = d.pixels + span.firstPixel;
        for (int32_t i = 0; i < span.count; i++) {
            int32_t prediction = i == 0   ? spanStart
                                 : i == 1 ? field(p[i - 1])
                                          : 2 * field(p[i - 1]) - field(p[i - 2]);
            uint8_t code;
            if (!c.Take(&code, 1)) return Fail(r, "record %d: a plane is cut short", index);
            int32_t value;
            if (!wide) {
                value = (uint8_t)(prediction + code);
            } else if (code != kFineEscape) {
                int32_t delta = (code & 1) ? -(int32_t)(code >> 1) - 1 : (int32_t)(code >> 1);
                value = (int16_t)(prediction + delta);
            } else {
                int16_t v;
                if (!c.Take(&v, 2)) return Fail(r, "record %d: a plane is cut short", index);
                value = v;
            }
            field(p[i]) = static_cast<std::remove_reference_t<decltype(field(p[i]))>>(value);
            if (i == 0) spanStart = value;
        }
    }
    return 1;
}

// Every sampling pixel must keep its filter's taps under the frame.
int CheckTaps(Reader &r, int32_t index, const FineRecordPlace &place) {
    FineDeck &d = *r.deck;
    const int32_t maxLevel = kFineMaxLevel * kFineLevelSteps;
    for (uint32_t s = 0; s < place.spanCount; s++) {
        const FineSpan &span = d.spans[place.firstSpan + s];
        for (int32_t i = 0; i < span.count; i++) {
            const FinePixel &p = d.pixels[span.firstPixel + i];
            if (p.glass == 0) continue;
            r.facts->glassPixels++;
            if (p.level > maxLevel)
                return Fail(r, "record %d: pixel (%d, %d) filters at level %d/16, past %d", index,
                            span.column + i, span.row, p.level, (int)kFineMaxLevel);
            int32_t coarse = p.level / kFineLevelSteps + (p.level % kFineLevelSteps ? 1 : 0);
            if (coarse > d.topLevel) d.topLevel = coarse;
            if (p.glass > d.glassMost) d.glassMost = p.glass;
            int32_t margin = FineTapMargin(p.level);
            if (p.u < margin || p.u > d.width * kFineSubpixel - margin || p.v < margin ||
                p.v > d.height * kFineSubpixel - margin)
                return Fail(r,
                            "record %d: pixel (%d, %d) samples at (%d, %d)/16, whose filter "
                            "reaches outside the frame",
                            index, span.column + i, span.row, p.u, p.v);
        }
    }
    return 1;
}

int ReadRecord(Reader &r, int32_t index, uint64_t *offset) {
    FineDeck &d = *r.deck;
    FineFacts &f = *r.facts;
    if (*offset + kFineRecordOverhead > r.size)
        return Fail(r, "record %d at %llu lies outside the container", index,
                    (unsigned long long)*offset);
    uint32_t packed = ReadLe32(r.data + *offset), rawLength = ReadLe32(r.data + *offset + 4);
    if (*offset + kFineRecordOverhead + packed > r.size)
        return Fail(r, "record %d of %u bytes runs past the end", index, packed);
    if (rawLength > RawBound(d))
        return Fail(r, "record %d: %u raw bytes cannot describe one frame", index, rawLength);
    if (!TakeRaw(r, rawLength)) return 0;
    uint32_t got = LzssDecode(r.data + *offset + kFineRecordOverhead, r.raw, packed, rawLength);
    if (got != rawLength || gLzss.outputTruncated)
        return Fail(r, "record %d decodes to %u bytes, not %u", index, got, rawLength);
    *offset += kFineRecordOverhead + (uint64_t)packed;
    f.packedBytes += packed;
    f.rawBytes += rawLength;
    Cursor c = {r.raw, r.raw + rawLength};
    FineRecordPlace &place = d.records[index];
    place.firstSpan = d.spanTotal;
    place.firstPixel = d.pixelTotal;
    if (!ReadSpans(r, index, c, place)) return 0;
    if (!ReadPlane(r, index, c, place, true, [](FinePixel &p) -> int16_t & { return p.u; }) ||
        !ReadPlane(r, index, c, place, true, [](FinePixel &p) -> int16_t & { return p.v; }) ||
        !ReadPlane(r, index, c, place, false, [](FinePixel &p) -> uint8_t & { return p.level; }) ||
        !ReadPlane(r, index, c, place, false, [](FinePixel &p) -> uint8_t & { return p.glass; }) ||
        !ReadPlane(r, index, c, place, false, [](FinePixel &p) -> uint8_t & { return p.direct; }) ||
        !ReadPlane(r, index, c, place, false, [](FinePixel &p) -> uint8_t & { return p.add[0]; }) ||
        !ReadPlane(r, index, c, place, false, [](FinePixel &p) -> uint8_t & { return p.add[1]; }) ||
        !ReadPlane(r, index, c, place, false, [](FinePixel &p) -> uint8_t & { return p.add[2]; }))
        return 0;
    if (c.at != c.end) return Fail(r, "record %d: %u bytes follow its planes", index,
                                   (unsigned)(c.end - c.at));
    if (!CheckTaps(r, index, place)) return 0;
    d.spanTotal += place.spanCount;
    d.pixelTotal += place.pixelCount;
    f.spanTotal = d.spanTotal;
    f.pixelTotal = d.pixelTotal;
    if (place.pixelCount > f.largestRecordPixels) f.largestRecordPixels = place.pixelCount;
    f.checkedRecords = index + 1;
    return 1;
}

}  // namespace

void FreeFineDeck(FineDeck *deck) {
    if (!deck) return;
    free(deck->spans);
    free(deck->pixels);
    deck->spans = nullptr;
    deck->pixels = nullptr;
}

int DecodeFineContainer(const uint8_t *data, uint32_t size, FineDeck *deck, FineFacts *facts,
                        char *why, uint32_t whyCapacity) {
    FineDeck scratchDeck;
    FineFacts scratchFacts;
    Reader r = {};
    r.data = data;
    r.size = data ? size : 0;
    r.deck = deck ? deck : &scratchDeck;
    r.facts = facts ? facts : &scratchFacts;
    r.why = why;
    r.whyCapacity = whyCapacity;
    memset(r.deck, 0, sizeof *r.deck);
    memset(r.facts, 0, sizeof *r.facts);
    if (why && whyCapacity) why[0] = 0;
    int ok = CheckHeader(r);
    uint64_t offset = FrameTableEnd(r.deck->frameCount);
    for (int32_t i = 0; ok && i < r.deck->recordCount; i++) ok = ReadRecord(r, i, &offset);
    r.facts->topLevel = r.deck->topLevel;
    free(r.raw);
    if (!ok || !deck) FreeFineDeck(r.deck);
    return ok;
}
