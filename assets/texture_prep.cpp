#include "assets/texture_prep.h"
#include "assets/asset_report.h"
#include "assets/gfx.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

int texturePowerOfTwo(int side) {
    if (side <= 0) return 1;
    unsigned value = static_cast<unsigned>(side);
    int power = 1;
    for (;;) {
        if (value == 1) return power;
        if (value == 3) return power * 4;
        value >>= 1;
        power *= 2;
    }
}

void textureLevelSize(int width, int height, int maxSize, int& w, int& h) {
    w = texturePowerOfTwo(width);
    h = texturePowerOfTwo(height);
    if (maxSize < 1) maxSize = 1;
    while ((w > maxSize || h > maxSize) && (w > 1 || h > 1)) {
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
    }
}

namespace {
// The source span [begin, end) that a target cell covers, with the weights of
// its first and last source cell (an area filter along one axis).
struct Span {
    int first, last;
    float firstWeight, lastWeight, scale;
};

Span spanOf(int i, int inSize, int outSize) {
    const double step = static_cast<double>(inSize) / outSize;
    const double lo = i * step, hi = (i + 1) * step;
    Span s;
    s.first = static_cast<int>(std::floor(lo));
    s.last = std::min(static_cast<int>(std::ceil(hi)) - 1, inSize - 1);
    if (s.last < s.first) s.last = s.first;
    s.firstWeight = static_cast<float>(std::min(hi, s.first + 1.0) - lo);
    s.lastWeight = s.last == s.first ? s.firstWeight : static_cast<float>(hi - s.last);
    s.scale = static_cast<float>(1.0 / (hi - lo));
    return s;
}
} // namespace

namespace {
// The source cells that the target cells of one axis cover, as a fixed number
// `taps` of (first cell, weights) per target cell: zero weights pad the
// shorter runs, and `first` is moved back at the far edge so that every run
// stays inside the source. The area's scale is folded into the weights.
struct Taps {
    int taps = 0;
    std::vector<int> first;
    std::vector<float> weight; // taps per target cell
};

Taps tapsOf(int inSize, int outSize) {
    Taps t;
    std::vector<Span> spans(static_cast<size_t>(outSize));
    for (int i = 0; i < outSize; ++i) {
        spans[static_cast<size_t>(i)] = spanOf(i, inSize, outSize);
        t.taps =
            std::max(t.taps, spans[static_cast<size_t>(i)].last - spans[static_cast<size_t>(i)].first + 1);
    }
    t.first.resize(static_cast<size_t>(outSize));
    t.weight.assign(static_cast<size_t>(outSize) * t.taps, 0.0f);
    for (int i = 0; i < outSize; ++i) {
        const Span& s = spans[static_cast<size_t>(i)];
        const int first = std::max(0, std::min(s.first, inSize - t.taps));
        t.first[static_cast<size_t>(i)] = first;
        for (int c = s.first; c <= s.last; ++c)
            t.weight[static_cast<size_t>(i) * t.taps + static_cast<size_t>(c - first)] =
                (c == s.first  ? s.firstWeight
                 : c == s.last ? s.lastWeight
                               : 1.0f) *
                s.scale;
    }
    return t;
}

// acc = w * src, or acc += w * src (the pointers never overlap, which lets
// the compiler work on several values at once; GCC's default cost model at
// -O2 would keep these loops scalar).
#if defined(__GNUC__) && !defined(__clang__)
#define TAMARACK_VECTORIZE __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))
#else
#define TAMARACK_VECTORIZE
#endif
TAMARACK_VECTORIZE void weighRow(float* __restrict acc, const uint8_t* __restrict src, size_t n, float w,
                                 bool first) {
    if (first)
        for (size_t k = 0; k < n; ++k)
            acc[k] = w * static_cast<float>(src[k]);
    else
        for (size_t k = 0; k < n; ++k)
            acc[k] += w * static_cast<float>(src[k]);
}

uint8_t toByte(float v) {
    const int i = static_cast<int>(v + 0.5f);
    return static_cast<uint8_t>(i > 255 ? 255 : i);
}

// One target row from the weighted source row, with TAPS taps a column
// (0: as many as the table says; the fixed counts let the compiler unroll).
template <int TAPS>
void spreadRow(const float* __restrict acc, const Taps& xs, uint8_t* __restrict out, int outWidth) {
    const int taps = TAPS > 0 ? TAPS : xs.taps;
    const float* w = xs.weight.data();
    for (int x = 0; x < outWidth; ++x, w += taps, out += 4) {
        const float* p = acc + static_cast<size_t>(xs.first[static_cast<size_t>(x)]) * 3;
        float r = 0, g = 0, b = 0;
        for (int c = 0; c < taps; ++c) {
            r += w[c] * p[c * 3];
            g += w[c] * p[c * 3 + 1];
            b += w[c] * p[c * 3 + 2];
        }
        out[0] = toByte(r);
        out[1] = toByte(g);
        out[2] = toByte(b);
        out[3] = 255;
    }
}
} // namespace

void scaleToRGBA(const uint8_t* rgb, int width, int height, uint8_t* rgba, int outWidth, int outHeight,
                 std::vector<float>& row) {
    row.resize(static_cast<size_t>(width) * 3);
    const Taps xs = tapsOf(width, outWidth);
    const Taps ys = tapsOf(height, outHeight);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    float* acc = row.data();
    for (int y = 0; y < outHeight; ++y) {
        // The source rows that the target row covers, weighted into one row.
        const int first = ys.first[static_cast<size_t>(y)];
        const float* w = &ys.weight[static_cast<size_t>(y) * ys.taps];
        bool started = false;
        for (int r = 0; r < ys.taps; ++r) {
            if (w[r] == 0.0f) continue;
            weighRow(acc, rgb + static_cast<size_t>(first + r) * rowBytes, rowBytes, w[r], !started);
            started = true;
        }
        if (!started) std::fill(row.begin(), row.end(), 0.0f);
        uint8_t* out = rgba + static_cast<size_t>(y) * outWidth * 4;
        switch (xs.taps) {
        case 1:
            spreadRow<1>(acc, xs, out, outWidth);
            break;
        case 2:
            spreadRow<2>(acc, xs, out, outWidth);
            break;
        case 3:
            spreadRow<3>(acc, xs, out, outWidth);
            break;
        default:
            spreadRow<0>(acc, xs, out, outWidth);
            break;
        }
    }
}

TAMARACK_VECTORIZE void halveRGBA(const uint8_t* in, int width, int height, uint8_t* out) {
    const int w = std::max(width / 2, 1), h = std::max(height / 2, 1);
    const size_t stride = static_cast<size_t>(width) * 4;
    if (width > 1 && height > 1) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* __restrict a = in + static_cast<size_t>(2 * y) * stride;
            const uint8_t* __restrict b = a + stride;
            uint8_t* __restrict o = out + static_cast<size_t>(y) * w * 4;
            for (int x = 0; x < w; ++x, a += 8, b += 8, o += 4)
                for (int k = 0; k < 4; ++k)
                    o[k] = static_cast<uint8_t>((a[k] + a[k + 4] + b[k] + b[k + 4] + 2) >> 2);
        }
    } else {
        // A row or a column: pairs of neighbours.
        const int n = std::max(w, h);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < 4; ++k)
                out[i * 4 + k] = static_cast<uint8_t>((in[i * 8 + k] + in[i * 8 + 4 + k] + 1) / 2);
    }
}

void prepareTexture(const std::string& path, PreparedTexture& p, bool buildMips, int maxSize) {
    p.openError = 0;
    p.decoded = false;
    p.hasMips = false;
    p.error.clear();
    p.warnings.clear();
    p.levels.clear();

    std::FILE* f = std::fopen(path.c_str(), "rb");
    int err = errno;
    struct stat st;
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        f = nullptr;
        err = EISDIR;
    }
    if (!f) {
        p.openError = err;
        return;
    }
    p.decoded = decodeJpeg(f, p.image, p.error, p.warnings);
    std::fclose(f);
    if (!p.decoded || !buildMips) return;

    int w = 0, h = 0;
    textureLevelSize(p.image.width, p.image.height, maxSize, w, h);
    size_t total = 0;
    for (int lw = w, lh = h;; lw = std::max(lw / 2, 1), lh = std::max(lh / 2, 1)) {
        p.levels.push_back({lw, lh, total});
        total += static_cast<size_t>(lw) * lh * 4;
        if (lw == 1 && lh == 1) break;
    }
    if (p.mips.size() < total) p.mips.resize(total);
    uint8_t* level0 = p.mips.data();
    if (w == p.image.width && h == p.image.height) {
        const size_t pixels = static_cast<size_t>(w) * h;
        const uint8_t* src = p.image.rgb.data();
        for (size_t i = 0; i < pixels; ++i) {
            level0[i * 4] = src[i * 3];
            level0[i * 4 + 1] = src[i * 3 + 1];
            level0[i * 4 + 2] = src[i * 3 + 2];
            level0[i * 4 + 3] = 255;
        }
    } else {
        scaleToRGBA(p.image.rgb.data(), p.image.width, p.image.height, level0, w, h, p.row);
    }
    for (size_t i = 1; i < p.levels.size(); ++i) {
        const PreparedTexture::Level& up = p.levels[i - 1];
        halveRGBA(p.mips.data() + up.offset, up.width, up.height, p.mips.data() + p.levels[i].offset);
    }
    p.hasMips = true;
}
