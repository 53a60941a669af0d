#include "test_support.h"

#include <cstdlib>

#include "container.h"
#include "edge_offscreen.h"
#include "engine.h"

FramePlan IdentityPlan(int32_t w, int32_t h) {
    FramePlan p{w, h, {}, {}, {}};
    for (int32_t r = 0; r < h; r++)
        for (int32_t c = 0; c < w; c++) {
            p.sampleColumn.push_back(c);
            p.sampleRow.push_back(r);
            p.level.push_back(0);
        }
    return p;
}

FramePlan LensPlan(int32_t w, int32_t h, int32_t radius, int32_t seed) {
    FramePlan p = IdentityPlan(w, h);
    int32_t cx = w / 2, cy = h / 2;
    for (int32_t r = 0; r < h; r++)
        for (int32_t c = 0; c < w; c++) {
            int32_t dx = c - cx, dy = r - cy;
            if (dx * dx + dy * dy >= radius * radius) continue;
            size_t i = (size_t)r * w + c;
            p.sampleColumn[i] = cx + dx / 2;
            p.sampleRow[i] = cy + dy / 2;
            int32_t facet = ((c / 7) * 31 + (r / 5) * 17 + seed) & 31;
            p.level[i] = facet < 8 ? 0 : facet;
        }
    return p;
}

Words FrameWords(const FramePlan &plan) {
    Words words;
    int32_t column = 0, row = 0;
    for (size_t i = 0; i < plan.level.size(); i++) {
        int32_t step = (plan.sampleRow[i] - row) * 1024 + (plan.sampleColumn[i] - column);
        column = plan.sampleColumn[i];
        row = plan.sampleRow[i];
        words.push_back((uint32_t)step << 8 | (uint32_t)plan.level[i]);
    }
    return words;
}

Words RunsFromWords(const Words &words, int32_t w) {
    Words runs;
    for (size_t rowStart = 0; rowStart < words.size(); rowStart += (size_t)w) {
        size_t end = rowStart + (size_t)w, i = rowStart;
        while (i < end) {
            size_t j = i + 1;
            while (j < end && words[j] == words[i]) j++;
            if (j - i >= 3) {
                runs.push_back((uint32_t)(j - i - 1));
                runs.push_back(words[i]);
            } else {
                j = i + 1;  // grow a literal run up to the next repeat of three
                while (j < end && !(j + 2 < end && words[j] == words[j + 1] && words[j] == words[j + 2]))
                    j++;
                runs.push_back(0x80000000u | (uint32_t)(j - i - 1));
                runs.insert(runs.end(), words.begin() + (long)i, words.begin() + (long)j);
            }
            i = j;
        }
    }
    return runs;
}

Bytes StoreAsLiterals(const Bytes &bytes) {
    Bytes out;
    for (size_t i = 0; i < bytes.size(); i += 8) {
        size_t n = bytes.size() - i < 8 ? bytes.size() - i : 8;
        out.push_back((uint8_t)((1u << n) - 1));
        out.insert(out.end(), bytes.begin() + (long)i, bytes.begin() + (long)(i + n));
    }
    return out;
}

Bytes WordsToBytes(const Words &words) {
    Bytes out;
    for (uint32_t w : words)
        for (int b = 0; b < 4; b++) out.push_back((uint8_t)(w >> (8 * b)));
    return out;
}

static void PutLe32(Bytes &out, size_t at, uint32_t v) {
    for (int b = 0; b < 4; b++) out[at + b] = (uint8_t)(v >> (8 * b));
}

Bytes BuildContainer(int32_t w, int32_t h, int32_t playMode, const std::vector<Words> &frames) {
    Bytes out(36 + 256, 0);
    const char signature[] = "MERVSoft";
    for (int i = 0; i < 8; i++) out[i] = (uint8_t)signature[i];
    PutLe32(out, 36, (uint32_t)out.size());
    PutLe32(out, 40, (uint32_t)w);
    PutLe32(out, 44, (uint32_t)h);
    out[48] = (uint8_t)playMode;
    out[49] = (uint8_t)frames.size();
    for (const Words &frame : frames) {
        Bytes packed = StoreAsLiterals(WordsToBytes(RunsFromWords(frame, w)));
        size_t at = out.size();
        out.resize(at + 8 + packed.size());
        PutLe32(out, at, (uint32_t)packed.size());
        std::copy(packed.begin(), packed.end(), out.begin() + (long)at + 4);
        PutLe32(out, at + 4 + packed.size(), (uint32_t)packed.size());
    }
    return out;
}

uint8_t PatternByte(int32_t x, int32_t y, int32_t channel) {
    return (uint8_t)(x * 7 + y * 13 + channel * 85 + ((x ^ y) & 16) * 5);
}

void StartScreen(std::vector<uint8_t> &screen, int32_t width, int32_t height,
                 const Bytes &container) {
    EngineReset();
    OffscreenReset();
    screen.assign((size_t)width * height * 3, 0);
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++)
            for (int32_t ch = 0; ch < 3; ch++)
                screen[((size_t)y * width + x) * 3 + ch] = PatternByte(x, y, ch);
    gOffscreen.screen = screen.data();
    gOffscreen.width = width;
    gOffscreen.height = height;
    gOffscreen.builtin = container.data();
    gOffscreen.builtinSize = (uint32_t)container.size();
    gOffscreen.clockSeconds = 12345;
    gEngineOptions.containerFileName = nullptr;
    gEngineOptions.dimOverride = -1;
}

Bytes LoadContainerBytes(const char *path) {
    uint32_t size = 0;
    uint8_t *block = LoadContainerFile(path, &size, nullptr, 0);
    Bytes data(block, block + size);
    free(block);
    return data;
}

Words PlainWordRuns(const uint32_t *in, int32_t count, int32_t capacity) {
    Words out;
    int64_t remaining = count;
    int64_t at = 0;
    while (remaining > 0) {
        uint32_t c = in[at++];
        remaining--;
        if (c & 0x80000000u) {
            int64_t k = (int64_t)(c & 0x7FFFFFFFu) + 1;
            for (int64_t i = 0; i < k && i < remaining; i++)
                if ((int64_t)out.size() < capacity) out.push_back(in[at + i]);
            at += k < remaining ? k : remaining;
            remaining -= k;
        } else {
            if (remaining <= 0) break;
            uint32_t v = in[at++];
            remaining--;
            for (int64_t i = 0; i <= (int64_t)c && (int64_t)out.size() < capacity; i++)
                out.push_back(v);
        }
    }
    return out;
}
