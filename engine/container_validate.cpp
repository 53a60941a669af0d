// Checking a container before anything renders it. The renderer checks no
// bounds on its hot path, so everything it would trust is proven here once,
// at setup: the header, every record, every stream and every sample.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "container.h"
#include "container_samples.h"
#include "lzss.h"

struct Validation {
    const uint8_t *data;
    uint32_t size;
    int32_t w, h;
    ContainerFacts *facts;  // never null inside: points at scratch when the caller passed null
    char *why;
    uint32_t whyCapacity;
    uint8_t *stream;   // w*h*4 bytes
    uint32_t *words;   // w*h words
};

void SayWhy(char *why, uint32_t whyCapacity, const char *format, va_list args) {
    if (why && whyCapacity) vsnprintf(why, whyCapacity, format, args);
}

static int Fail(Validation &v, const char *format, ...) {
    va_list args;
    va_start(args, format);
    SayWhy(v.why, v.whyCapacity, format, args);
    va_end(args);
    return 0;
}

static int CheckHeader(Validation &v) {
    ContainerFacts &f = *v.facts;
    f.size = v.size;
    if (v.size < kContainerMinBytes)
        return Fail(v, "container is %u bytes; its header alone takes %u", v.size,
                    (unsigned)kContainerMinBytes);
    const uint8_t *slot = v.data + kContainerHeaderBytes;
    f.firstRecordOffset = ReadLe32(slot + kEntryFirstRecord);
    f.width = v.w = (int32_t)ReadLe32(slot + kEntryWidth);
    f.height = v.h = (int32_t)ReadLe32(slot + kEntryHeight);
    f.playMode = (int8_t)slot[kEntryPlayMode];
    f.frameCount = (int8_t)slot[kEntryFrameCount];
    if (v.w < 1 || v.w > kMaxFrameSide || v.h < 1 || v.h > kMaxFrameSide)
        return Fail(v, "frame size %d x %d is outside 1..%d", v.w, v.h, (int)kMaxFrameSide);
    if (f.frameCount < 1 && f.playMode >= 1 && f.playMode <= 4)
        return Fail(v, "play mode %d needs frames, but the frame count is %d", f.playMode,
                    f.frameCount);
    return 1;
}

// Walk the runs without writing: they must use up the input exactly and
// expand to exactly one word per pixel.
static int CheckRuns(Validation &v, int frame, const uint32_t *input, int64_t count) {
    FrameFacts &ff = v.facts->frames[frame];
    const int64_t pixels = (int64_t)v.w * v.h;
    int64_t at = 0, out = 0;
    while (at < count) {
        uint32_t c = input[at++];
        int64_t k = RunWords(c);
        int64_t taken = RunInputWords(c);
        if (taken > count - at)
            return Fail(v, "frame %d: a run at word %lld needs %lld words, %lld remain", frame,
                        (long long)(at - 1), (long long)taken, (long long)(count - at));
        if (k > pixels - out)
            return Fail(v, "frame %d: runs expand past the %lld pixels of a frame", frame,
                        (long long)pixels);
        if (out / v.w != (out + k - 1) / v.w) ff.runsCrossingRows++;
        int32_t &longest = IsLiteralRun(c) ? ff.longestLiteralRun : ff.longestRepeatRun;
        if (k > longest) longest = (int32_t)k;
        ff.runCount++;
        at += taken;
        out += k;
    }
    if (out != pixels)
        return Fail(v, "frame %d: runs expand to %lld words, not %lld", frame, (long long)out,
                    (long long)pixels);
    return 1;
}

static int CheckSamples(Validation &v, int frame) {
    ContainerFacts &f = *v.facts;
    FrameFacts &ff = f.frames[frame];
    SampleEscape e;
    if (!WalkFrameSamples(v.words, v.w, v.h, &ff, &f, &e))
        return Fail(v, "frame %d: pixel (%d, %d) samples outside the frame, at (%lld, %lld)", frame,
                    e.pixelColumn, e.pixelRow, (long long)e.column, (long long)e.row);
    if (ff.maxColumnOffset > f.maxColumnOffset) f.maxColumnOffset = ff.maxColumnOffset;
    if (ff.maxRowOffset > f.maxRowOffset) f.maxRowOffset = ff.maxRowOffset;
    return 1;
}

static int CheckFrame(Validation &v, int frame, uint64_t offset) {
    FrameFacts &ff = v.facts->frames[frame];
    ff.recordOffset = (uint32_t)offset;
    if (offset + kRecordOverheadBytes > v.size)
        return Fail(v, "frame %d: record at %llu lies outside the %u-byte container", frame,
                    (unsigned long long)offset, v.size);
    ff.packedLength = ReadLe32(v.data + offset);
    if (offset + kRecordOverheadBytes + ff.packedLength > v.size)
        return Fail(v, "frame %d: record of %u bytes at %llu runs past the end", frame,
                    ff.packedLength, (unsigned long long)offset);
    ff.inputLength = ReadLe32(v.data + offset + 4 + ff.packedLength);
    if (ff.inputLength > ff.packedLength)
        return Fail(v, "frame %d: input length %u exceeds the packed length %u", frame,
                    ff.inputLength, ff.packedLength);
    uint32_t capacity = (uint32_t)v.w * (uint32_t)v.h * 4;
    ff.decodedBytes = LzssDecode(v.data + offset + 4, v.stream, ff.inputLength, capacity);
    if (gLzss.outputTruncated)
        return Fail(v, "frame %d: stream decodes past %u bytes", frame, capacity);
    const uint32_t *input = (const uint32_t *)(const void *)v.stream;
    int32_t count = (int32_t)(ff.decodedBytes / 4);
    if (!CheckRuns(v, frame, input, count)) return 0;
    DecodeWordRuns(v.words, v.w * v.h, input, count);
    return CheckSamples(v, frame);
}

static int CheckFrames(Validation &v) {
    ContainerFacts &f = *v.facts;
    size_t bytes = (size_t)v.w * (size_t)v.h * 4;
    v.stream = (uint8_t *)malloc(bytes);
    v.words = (uint32_t *)malloc(bytes);
    int ok = v.stream && v.words;
    if (!ok) Fail(v, "out of memory");
    uint64_t offset = f.firstRecordOffset;
    for (int32_t i = 0; ok && i < f.frameCount; i++) {
        ok = CheckFrame(v, i, offset);
        offset += (uint64_t)f.frames[i].packedLength + kRecordOverheadBytes;
    }
    if (ok) f.endOffset = (uint32_t)offset;
    free(v.stream);
    free(v.words);
    return ok;
}

int ValidateContainer(const uint8_t *data, uint32_t size, ContainerFacts *facts, char *why,
                      uint32_t whyCapacity) {
    static_assert(sizeof(ContainerFacts) < 16384, "facts live on the stack");
    ContainerFacts scratch;
    Validation v = {};
    v.data = data;
    v.size = data ? size : 0;
    v.facts = facts ? facts : &scratch;
    v.why = why;
    v.whyCapacity = whyCapacity;
    memset(v.facts, 0, sizeof *v.facts);
    if (why && whyCapacity) why[0] = 0;
    return CheckHeader(v) && CheckFrames(v);
}
