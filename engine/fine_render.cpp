// Rendering one fine record: blend each pixel a span covers from its filtered
// sample, the desktop under it and its light. The rest of the frame shows the
// desktop as it is, so it is neither written nor pasted. The plain loop states the arithmetic; the SSE2 path computes the
// same integers four channels at a time and is tested against it.
#include <cstddef>
#include <cstring>

#include "fine_render.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct Frame {
    const FineDeck &deck;
    const FineLevels &levels;
    const FineTarget &target;
    const uint8_t *desktop;  // level 0 at the sprite's top-left corner
    size_t desktopRow;
    const uint8_t *tint;
};

Frame Open(const FineDeck &deck, const FineLevels &levels, const FineTarget &target) {
    size_t row = (size_t)levels.width[0] * 3;
    const uint8_t *at = levels.pixels[0] + (size_t)target.y * row + (size_t)target.x * 3;
    return Frame{deck, levels, target, at, row, target.tint ? target.tint : deck.tint};
}

// The frame's position in 16ths of a desktop pixel.
inline int32_t Sixteenths(int32_t origin, int32_t offset) { return origin * kFineSubpixel + offset; }

// The bilinear sample of level k at (U, V) (16ths of a desktop pixel, a
// pixel's centre at 16 i + 8): four texels weighted in 16ths each way.
inline void Bilinear(const FineLevels &l, int32_t k, int32_t U, int32_t V, uint32_t out[3]) {
    int32_t tu = (U >> k) - kFineSubpixel / 2, tv = (V >> k) - kFineSubpixel / 2;
    int32_t ix = tu >> kFineSubpixelBits, fx = tu & 15;
    int32_t iy = tv >> kFineSubpixelBits, fy = tv & 15;
    const size_t row = (size_t)l.width[k] * 3;
    const uint8_t *p = l.pixels[k] + (size_t)iy * row + (size_t)ix * 3, *q = p + row;
    for (int c = 0; c < 3; c++) {
        uint32_t left = p[c] * (16u - fy) + q[c] * (uint32_t)fy;
        uint32_t right = p[c + 3] * (16u - fy) + q[c + 3] * (uint32_t)fy;
        out[c] = (left * (16u - fx) + right * (uint32_t)fx + 128) >> 8;
    }
}

inline void PlainPixel(const Frame &f, const FinePixel &p, const uint8_t *desk, uint8_t *out) {
    uint32_t sample[3] = {0, 0, 0};
    if (p.glass) {
        const int32_t U = Sixteenths(f.target.x, p.u), V = Sixteenths(f.target.y, p.v);
        const int32_t k = p.level >> 4, t = p.level & 15;
        Bilinear(f.levels, k, U, V, sample);
        if (t) {
            uint32_t finer[3] = {sample[0], sample[1], sample[2]}, coarser[3];
            Bilinear(f.levels, k + 1, U, V, coarser);
            for (int c = 0; c < 3; c++)
                sample[c] = (finer[c] * (16u - t) + coarser[c] * (uint32_t)t + 8) >> 4;
        }
    }
    for (int c = 0; c < 3; c++) {
        uint32_t glass = (p.glass * (uint32_t)f.tint[c] + 64) >> 7;
        uint32_t v = ((sample[c] * glass + 64) >> 7) + ((desk[c] * (uint32_t)p.direct + 64) >> 7) +
                     p.add[c];
        out[c] = (uint8_t)(v > 255 ? 255 : v);
    }
}

template <typename Pixel>
void RenderSpans(const Frame &f, int32_t record, Pixel pixel) {
    const FineRecordPlace &place = f.deck.records[record];
    const size_t outRow = (size_t)f.deck.width * 3;
    for (uint32_t s = 0; s < place.spanCount; s++) {
        const FineSpan &span = f.deck.spans[place.firstSpan + s];
        const FinePixel *p = f.deck.pixels + span.firstPixel;
        const uint8_t *desk = f.desktop + span.row * f.desktopRow + span.column * 3u;
        uint8_t *out = f.target.composite + span.row * outRow + span.column * 3u;
        for (int32_t i = 0; i < span.count; i++, desk += 3, out += 3) pixel(f, p[i], desk, out);
    }
}

#if defined(__SSE2__)

// Horizontal weights of the two texel columns, three channels each.
struct alignas(16) Across {
    int16_t w[16][8];
    constexpr Across() : w() {
        for (int fx = 0; fx < 16; fx++)
            for (int c = 0; c < 3; c++) {
                w[fx][c] = (int16_t)(16 - fx);
                w[fx][c + 3] = (int16_t)fx;
            }
    }
};
constexpr Across kAcross;

inline __m128i Load8(const uint8_t *p) {
    return _mm_loadl_epi64((const __m128i *)(const void *)p);
}

inline __m128i Load4(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return _mm_cvtsi32_si128((int)v);
}

// Lanes 0..2: the bilinear sample, as Bilinear computes it.
inline __m128i FastBilinear(const FineLevels &l, int32_t k, int32_t U, int32_t V) {
    const __m128i zero = _mm_setzero_si128();
    int32_t tu = (U >> k) - kFineSubpixel / 2, tv = (V >> k) - kFineSubpixel / 2;
    int32_t ix = tu >> kFineSubpixelBits, fx = tu & 15;
    int32_t iy = tv >> kFineSubpixelBits, fy = tv & 15;
    const size_t row = (size_t)l.width[k] * 3;
    const uint8_t *p = l.pixels[k] + (size_t)iy * row + (size_t)ix * 3;
    __m128i top = _mm_unpacklo_epi8(Load8(p), zero), bottom = _mm_unpacklo_epi8(Load8(p + row), zero);
    __m128i down = _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16((int16_t)(16 - fy))),
                                 _mm_mullo_epi16(bottom, _mm_set1_epi16((int16_t)fy)));
    __m128i sum = _mm_mullo_epi16(down, _mm_load_si128((const __m128i *)kAcross.w[fx]));
    sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 6));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

inline void FastPixel(const Frame &f, const FinePixel &p, const uint8_t *desk, uint8_t *out) {
    const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(64);
    __m128i sum = _mm_unpacklo_epi8(Load4(p.add), zero);
    // Inside the ball the desktop under a pixel has no share: most pixels
    // skip it.
    if (p.direct) {
        __m128i under = _mm_unpacklo_epi8(Load4(desk), zero);
        sum = _mm_add_epi16(
            sum, _mm_srli_epi16(
                     _mm_add_epi16(_mm_mullo_epi16(under, _mm_set1_epi16(p.direct)), half), 7));
    }
    if (p.glass) {
        const int32_t U = Sixteenths(f.target.x, p.u), V = Sixteenths(f.target.y, p.v);
        const int32_t k = p.level >> 4, t = p.level & 15;
        __m128i sample = FastBilinear(f.levels, k, U, V);
        if (t) {
            __m128i coarser = FastBilinear(f.levels, k + 1, U, V);
            sample = _mm_add_epi16(_mm_mullo_epi16(sample, _mm_set1_epi16((int16_t)(16 - t))),
                                   _mm_mullo_epi16(coarser, _mm_set1_epi16((int16_t)t)));
            sample = _mm_srli_epi16(_mm_add_epi16(sample, _mm_set1_epi16(8)), 4);
        }
        __m128i tint = _mm_unpacklo_epi8(Load4(f.tint), zero);
        __m128i glass = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(tint, _mm_set1_epi16(p.glass)), half), 7);
        sum = _mm_add_epi16(
            sum, _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(sample, glass), half), 7));
    }
    uint32_t v = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
    out[0] = (uint8_t)v;
    out[1] = (uint8_t)(v >> 8);
    out[2] = (uint8_t)(v >> 16);
}

#endif

}  // namespace

void FineRenderRecordPlain(const FineDeck &deck, int32_t record, const FineLevels &levels,
                           const FineTarget &target) {
    RenderSpans(Open(deck, levels, target), record, PlainPixel);
}

void FineRenderRecord(const FineDeck &deck, int32_t record, const FineLevels &levels,
                      const FineTarget &target) {
#if defined(__SSE2__)
    RenderSpans(Open(deck, levels, target), record, FastPixel);
#else
    RenderSpans(Open(deck, levels, target), record, PlainPixel);
#endif
}

void FinePasteRecord(const FineDeck &deck, int32_t record, const uint8_t *composite,
                     uint8_t *desktop, int32_t desktopWidth, int32_t x, int32_t y) {
    const FineRecordPlace &place = deck.records[record];
    const size_t outRow = (size_t)deck.width * 3, row = (size_t)desktopWidth * 3;
    uint8_t *at = desktop + (size_t)y * row + (size_t)x * 3;
    for (uint32_t s = 0; s < place.spanCount; s++) {
        const FineSpan &span = deck.spans[place.firstSpan + s];
        memcpy(at + span.row * row + span.column * 3u,
               composite + span.row * outRow + span.column * 3u, span.count * 3u);
    }
}
