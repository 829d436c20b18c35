#include "export/y4m.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Clamped to 0..255 and rounded to the nearest, halves up (as lround does
// for these values).
inline uint8_t toByte(float v) {
    const float c = std::min(255.0f, std::max(0.0f, v));
    return static_cast<uint8_t>(static_cast<int>(static_cast<double>(c) + 0.5));
}

const char frameTag[] = "FRAME\n";
const size_t tagBytes = sizeof frameTag - 1;

} // namespace

std::string y4mHeader(int width, int height, int fps) {
    char header[96];
    std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", width, height, fps);
    return header;
}

size_t y4mFrameBytes(int width, int height) {
    const size_t chroma = static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2);
    return tagBytes + static_cast<size_t>(width) * height + 2 * chroma;
}

namespace {

// The plain formula for one pixel's luma and one block's chroma (sums of
// `count` pixels): the reference for the vector code below.
inline uint8_t lumaOf(const uint8_t* p) {
    return toByte(0.299f * static_cast<float>(p[0]) + 0.587f * static_cast<float>(p[1]) +
                  0.114f * static_cast<float>(p[2]));
}

inline void chromaOf(const int sums[3], float count, uint8_t& cb, uint8_t& cr) {
    const float sr = static_cast<float>(sums[0]) / count, sg = static_cast<float>(sums[1]) / count,
                sb = static_cast<float>(sums[2]) / count;
    cb = toByte(128.0f - 0.168736f * sr - 0.331264f * sg + 0.5f * sb);
    cr = toByte(128.0f + 0.5f * sr - 0.418688f * sg - 0.081312f * sb);
}

#if defined(__SSE2__)
// Four values at once with the very same single-precision operations, in the
// same order, as the plain formula (no fused multiply-add on this target), so
// every byte is the same. Rounding halves up: floor(c) plus one where the
// fraction c - floor(c), exact in float, is at least one half.
inline __m128i roundHalfUp(__m128 v) {
    const __m128 c = _mm_min_ps(_mm_set1_ps(255.0f), _mm_max_ps(_mm_setzero_ps(), v));
    const __m128i whole = _mm_cvttps_epi32(c);
    const __m128 frac = _mm_sub_ps(c, _mm_cvtepi32_ps(whole));
    // The comparison's true is -1.
    return _mm_sub_epi32(whole, _mm_castps_si128(_mm_cmpge_ps(frac, _mm_set1_ps(0.5f))));
}

// The 32 bits at p: a pixel's red, green and blue and the next byte.
inline int load32(const uint8_t* p) {
    int v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The pixels (or pixel pairs) at p, p + step, p + 2 step, p + 3 step, each
// with the byte after it.
inline __m128i gather(const uint8_t* p, int step) {
    return _mm_setr_epi32(load32(p), load32(p + step), load32(p + 2 * step), load32(p + 3 * step));
}

// Channel k (0 red, 1 green, 2 blue) of four gathered pixels.
inline __m128i part(__m128i v, int k) {
    return _mm_and_si128(_mm_srl_epi32(v, _mm_cvtsi32_si128(8 * k)), _mm_set1_epi32(255));
}

// Eight 32-bit values (each 0..255) to eight bytes at `out`.
inline void store8(__m128i lo, __m128i hi, uint8_t* out) {
    const __m128i words = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

// Reads 13 bytes from p.
inline __m128i luma4(const uint8_t* p) {
    const __m128i v = gather(p, 3);
    const __m128 r = _mm_cvtepi32_ps(part(v, 0)), g = _mm_cvtepi32_ps(part(v, 1)),
                 b = _mm_cvtepi32_ps(part(v, 2));
    const __m128 y =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.299f), r), _mm_mul_ps(_mm_set1_ps(0.587f), g)),
                   _mm_mul_ps(_mm_set1_ps(0.114f), b));
    return roundHalfUp(y);
}

// Four whole 2 x 2 blocks; reads 25 bytes from each row. Dividing by 4 is
// exact, the same as multiplying by a quarter.
inline void chroma4(const uint8_t* top, const uint8_t* below, __m128i& cb, __m128i& cr) {
    const __m128i a = gather(top, 6), b = gather(top + 3, 6), c = gather(below, 6), d = gather(below + 3, 6);
    __m128 s[3];
    for (int k = 0; k < 3; ++k) {
        const __m128i sum =
            _mm_add_epi32(_mm_add_epi32(part(a, k), part(b, k)), _mm_add_epi32(part(c, k), part(d, k)));
        s[k] = _mm_mul_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(0.25f));
    }
    const __m128 half = _mm_set1_ps(0.5f);
    cb = roundHalfUp(
        _mm_add_ps(_mm_sub_ps(_mm_sub_ps(_mm_set1_ps(128.0f), _mm_mul_ps(_mm_set1_ps(0.168736f), s[0])),
                              _mm_mul_ps(_mm_set1_ps(0.331264f), s[1])),
                   _mm_mul_ps(half, s[2])));
    cr = roundHalfUp(_mm_sub_ps(_mm_sub_ps(_mm_add_ps(_mm_set1_ps(128.0f), _mm_mul_ps(half, s[0])),
                                           _mm_mul_ps(_mm_set1_ps(0.418688f), s[1])),
                                _mm_mul_ps(_mm_set1_ps(0.081312f), s[2])));
}
#endif

} // namespace

// Luma and chroma of whole 2 x 2 blocks eight at a time where the processor
// has SSE2; the rest (and the odd last column and row) one by one.
void y4mFrame(const uint8_t* rgb, int w, int h, uint8_t* out) {
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::memcpy(out, frameTag, tagBytes);
    uint8_t* y = out + tagBytes;
    uint8_t* cb = y + static_cast<size_t>(w) * h;
    uint8_t* cr = cb + static_cast<size_t>(cw) * ch;
    const size_t pixels = static_cast<size_t>(w) * h;
    size_t i = 0;
#if defined(__SSE2__)
    // Each group of eight reads the byte after it: not past the frame's end.
    for (; i + 8 < pixels; i += 8)
        store8(luma4(rgb + i * 3), luma4(rgb + i * 3 + 12), y + i);
#endif
    for (; i < pixels; ++i)
        y[i] = lumaOf(rgb + i * 3);
    for (int cy = 0; cy < ch; ++cy) {
        const int rows = std::min(cy * 2 + 2, h) - cy * 2;
        const uint8_t* top = rgb + static_cast<size_t>(cy) * 2 * w * 3;
        const uint8_t* below = rows > 1 ? top + static_cast<size_t>(w) * 3 : nullptr;
        uint8_t* cbRow = cb + static_cast<size_t>(cy) * cw;
        uint8_t* crRow = cr + static_cast<size_t>(cy) * cw;
        int cx = 0;
#if defined(__SSE2__)
        if (below) {
            const uint8_t* end = rgb + pixels * 3;
            for (; (cx + 8) * 2 <= w && below + (cx + 8) * 6 < end; cx += 8) {
                __m128i b0, r0, b1, r1;
                chroma4(top + cx * 6, below + cx * 6, b0, r0);
                chroma4(top + cx * 6 + 24, below + cx * 6 + 24, b1, r1);
                store8(b0, b1, cbRow + cx);
                store8(r0, r1, crRow + cx);
            }
        }
#endif
        for (; cx < cw; ++cx) {
            const int cols = std::min(cx * 2 + 2, w) - cx * 2;
            int sums[3] = {0, 0, 0};
            for (int k = 0; k < 3; ++k) {
                const int at = cx * 6 + k;
                sums[k] = top[at] + (cols > 1 ? top[at + 3] : 0);
                if (below) sums[k] += below[at] + (cols > 1 ? below[at + 3] : 0);
            }
            chromaOf(sums, static_cast<float>(rows * cols), cbRow[cx], crRow[cx]);
        }
    }
}
