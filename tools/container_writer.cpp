// container_writer.cpp -- see container_writer.h.
#include "container_writer.h"

#include <cstddef>
#include <cstring>

#include "container.h"
#include "lzss.h"

namespace {

void PutLe32(std::vector<uint8_t> *out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) (*out)[at + i] = (uint8_t)(v >> (8 * i));
}

void AppendLe32(std::vector<uint8_t> *out, uint32_t v) {
    for (int i = 0; i < 4; i++) out->push_back((uint8_t)(v >> (8 * i)));
}

void FlushLiteral(std::vector<uint32_t> *runs, const uint32_t *start, int32_t count) {
    if (count == 0) return;
    runs->push_back(LiteralRunControl((uint32_t)count));
    runs->insert(runs->end(), start, start + count);
}

}  // namespace

std::vector<uint32_t> EncodeWordRuns(const uint32_t *words, int32_t width, int32_t height) {
    std::vector<uint32_t> runs;
    for (int32_t y = 0; y < height; y++) {
        const uint32_t *row = words + (size_t)y * (size_t)width;
        int32_t literalStart = 0;
        int32_t x = 0;
        while (x < width) {
            int32_t n = 1;
            while (x + n < width && row[x + n] == row[x]) n++;
            // A pair opens a repeat run only where no literal is pending:
            // inside a literal it costs a control word more than it saves.
            bool repeat = n >= kRepeatRunMinimum || (n == 2 && literalStart == x);
            if (repeat) {
                FlushLiteral(&runs, row + literalStart, x - literalStart);
                runs.push_back(RepeatRunControl((uint32_t)n));
                runs.push_back(row[x]);
                x += n;
                literalStart = x;
            } else {
                x += n;
            }
        }
        FlushLiteral(&runs, row + literalStart, width - literalStart);
    }
    return runs;
}

// The saver decodes a frame's runs into width*height words and refuses the
// container if they need more, as rows of a small frame may, where each row
// pays a control word and few neighbours are equal. Runs may cross rows, so
// such a frame is coded as one long row instead: the corners outside the
// ball then join into runs across the row ends.
std::vector<uint32_t> EncodeFrameRuns(const uint32_t *words, int32_t width, int32_t height) {
    std::vector<uint32_t> runs = EncodeWordRuns(words, width, height);
    if (runs.size() <= (size_t)width * (size_t)height) return runs;
    return EncodeWordRuns(words, width * height, 1);
}

int ExpandWordRuns(const std::vector<uint32_t> &runs, uint32_t wordCount,
                   std::vector<uint32_t> *words) {
    words->clear();
    size_t i = 0;
    while (i < runs.size()) {
        uint32_t c = runs[i++];
        uint64_t k = (uint64_t)RunWords(c);
        if (words->size() + k > wordCount) return 0;
        if (IsLiteralRun(c)) {
            if (runs.size() - i < k) return 0;
            words->insert(words->end(), runs.begin() + (std::ptrdiff_t)i, runs.begin() + (std::ptrdiff_t)(i + k));
            i += (size_t)k;
        } else {
            if (i >= runs.size()) return 0;
            words->insert(words->end(), (size_t)k, runs[i++]);
        }
    }
    return words->size() == wordCount;
}

std::vector<uint8_t> CompressWordStream(const std::vector<uint32_t> &runs) {
    std::vector<uint8_t> bytes;
    bytes.reserve(runs.size() * 4);
    for (uint32_t w : runs) AppendLe32(&bytes, w);
    // Worst case: every byte a literal, a flag byte per eight, one more group.
    std::vector<uint8_t> packed(bytes.size() + bytes.size() / 8 + 16);
    uint32_t n = LzssEncode(bytes.data(), packed.data(), (uint32_t)bytes.size(),
                            (uint32_t)packed.size());
    packed.resize(n);
    return packed;
}

int WriteContainer(const ContainerLayout &layout, const std::vector<std::vector<uint32_t>> &frames,
                   std::vector<uint8_t> *out, std::string *why) {
    if (layout.width < 1 || layout.height < 1 || layout.width > kMaxFrameSide ||
        layout.height > kMaxFrameSide) {
        *why = "frame size must be 1.." + std::to_string(kMaxFrameSide) + " on each side";
        return 0;
    }
    if (layout.playMode < -128 || layout.playMode > 127) {
        *why = "play mode must fit a signed byte";
        return 0;
    }
    if (frames.empty() || frames.size() > (size_t)kMaxFrames) {
        *why = "a container holds 1 to " + std::to_string(kMaxFrames) + " frames";
        return 0;
    }
    size_t wordCount = (size_t)layout.width * (size_t)layout.height;
    for (size_t i = 0; i < frames.size(); i++) {
        if (frames[i].size() != wordCount) {
            *why = "frame " + std::to_string(i) + " does not hold width*height words";
            return 0;
        }
    }

    out->assign(kFirstRecordOffset, 0);
    memcpy(out->data(), "MERVSoft", 8);
    memcpy(out->data() + kContainerTagOffset, "ORB\x01", 4);
    size_t slot = kContainerHeaderBytes;
    PutLe32(out, slot + kEntryFirstRecord, kFirstRecordOffset);
    PutLe32(out, slot + kEntryWidth, (uint32_t)layout.width);
    PutLe32(out, slot + kEntryHeight, (uint32_t)layout.height);
    (*out)[slot + kEntryPlayMode] = (uint8_t)(int8_t)layout.playMode;
    (*out)[slot + kEntryFrameCount] = (uint8_t)frames.size();

    for (size_t i = 0; i < frames.size(); i++) {
        std::vector<uint32_t> runs = EncodeFrameRuns(frames[i].data(), layout.width, layout.height);
        if (runs.size() > wordCount) {
            *why = "frame " + std::to_string(i) + " takes " + std::to_string(runs.size()) +
                   " words of runs, more than its " + std::to_string(wordCount) + " pixels";
            return 0;
        }
        std::vector<uint8_t> packed = CompressWordStream(runs);
        AppendLe32(out, (uint32_t)packed.size());
        out->insert(out->end(), packed.begin(), packed.end());
        AppendLe32(out, (uint32_t)packed.size());
    }
    if (out->size() > 0xFFFFFFFFu) {
        *why = "container larger than 4 GiB";
        return 0;
    }
    // Records start inside the table, and the saver reads the whole table:
    // a container of tiny frames would otherwise end before the table does.
    if (out->size() < kContainerMinBytes) out->resize(kContainerMinBytes, 0);
    PutLe32(out, kContainerLengthOffset, (uint32_t)out->size());
    return 1;
}

int CutContainer(const std::vector<uint8_t> &source, const std::vector<int32_t> &indices,
                 std::vector<uint8_t> *out, std::string *why) {
    std::vector<ContainerFacts> facts(1);  // too large for the stack
    char reason[200];
    if (source.size() > 0xFFFFFFFFu ||
        !ValidateContainer(source.data(), (uint32_t)source.size(), &facts[0], reason,
                           sizeof reason)) {
        *why = std::string("not a valid container: ") + reason;
        return 0;
    }
    const ContainerFacts &f = facts[0];
    if (indices.empty() || indices.size() > (size_t)kMaxFrames) {
        *why = "a container holds 1 to 127 frames";
        return 0;
    }
    // The new frame count goes into slot 0, so no record may lie over it.
    if (f.firstRecordOffset < kContainerHeaderBytes + kAnimEntryBytes) {
        *why = "the first record lies over the animation table";
        return 0;
    }
    out->assign(source.begin(), source.begin() + f.firstRecordOffset);
    for (int32_t i : indices) {
        if (i < 0 || i >= f.frameCount) {
            *why = "frame " + std::to_string(i) + " is not in 0.." + std::to_string(f.frameCount - 1);
            return 0;
        }
        const uint8_t *record = source.data() + f.frames[i].recordOffset;
        out->insert(out->end(), record, record + f.frames[i].packedLength + 8);
    }
    if (out->size() > 0xFFFFFFFFu) {
        *why = "container larger than 4 GiB";
        return 0;
    }
    if (out->size() < kContainerMinBytes) out->resize(kContainerMinBytes, 0);
    (*out)[kContainerHeaderBytes + 13] = (uint8_t)indices.size();
    PutLe32(out, kContainerLengthOffset, (uint32_t)out->size());
    return 1;
}
