// Texture preparation on the CPU, in this order:
//   PrepareProgress    the rows published to the uploading thread
//   level sizes        texturePowerOfTwo, textureLevelSize, dctDenominatorFor
//   area scaling       Span, Taps, spreadRow, AreaScaler: each output pixel the mean of its area
//   the mip chain      ChainBuilder, RowWindow: each level built as the one above fills
//   decoding           decodeIntoLevel0, scaleIntoLevel0, buildChain: row by row from libjpeg
//   entry points       halveRGBA, prepareTexture
#include "assets/texture_prep.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <thread>

void PrepareProgress::reset() {
    std::lock_guard<std::mutex> g(lock);
    state.started = false;
    state.finished = false;
    state.rows.clear();
    uploadedRows = 0;
}

void PrepareProgress::start(size_t levels) {
    std::lock_guard<std::mutex> g(lock);
    state.started = true;
    state.rows.assign(levels, 0);
    changed.notify_all();
}

void PrepareProgress::publish(const std::vector<int>& rows) {
    std::lock_guard<std::mutex> g(lock);
    state.rows = rows;
    changed.notify_all();
}

void PrepareProgress::finish() {
    std::lock_guard<std::mutex> g(lock);
    state.finished = true;
    changed.notify_all();
}

void PrepareProgress::waitUploaded(int rows) {
    std::unique_lock<std::mutex> g(lock);
    changed.wait(g, [&] { return uploadedRows >= rows; });
}

void PrepareProgress::uploaded(int rows) {
    std::lock_guard<std::mutex> g(lock);
    uploadedRows = rows;
    changed.notify_all();
}

void PrepareProgress::wait(State& seen) {
    std::unique_lock<std::mutex> g(lock);
    changed.wait(g, [&] {
        return state.finished != seen.finished || state.started != seen.started || state.rows != seen.rows;
    });
    seen = state;
}

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

int dctDenominatorFor(int width, int height, int levelWidth, int levelHeight) {
    for (int d = 8; d > 1; d /= 2)
        if (JpegReader::scaledSide(width, d) >= levelWidth &&
            JpegReader::scaledSide(height, d) >= levelHeight)
            return d;
    return 1;
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

// One target row from the weighted source row, with TAPS taps a column
// (0: as many as the table says; the fixed counts let the compiler unroll).
// The three channels of a texel are summed as one vector of four floats, the
// fourth lane reading the next texel's red and ignored: `acc` has one float
// of room after its last texel.
template <int TAPS>
void spreadRow(const float* __restrict acc, const Taps& xs, uint8_t* __restrict out, int outWidth) {
    typedef float Floats __attribute__((vector_size(16)));
    const int taps = TAPS > 0 ? TAPS : xs.taps;
    const float* w = xs.weight.data();
    for (int x = 0; x < outWidth; ++x, w += taps, out += 4) {
        const float* p = acc + static_cast<size_t>(xs.first[static_cast<size_t>(x)]) * 3;
        Floats sum = {0, 0, 0, 0};
        for (int c = 0; c < taps; ++c) {
            Floats texel;
            std::memcpy(&texel, p + c * 3, sizeof texel);
            sum += w[c] * texel;
        }
#if defined(__SSE2__)
        // Rounded, saturated to bytes, alpha 255.
        const __m128i ints = _mm_cvttps_epi32(_mm_add_ps(reinterpret_cast<__m128>(sum), _mm_set1_ps(0.5f)));
        const __m128i words = _mm_packs_epi32(ints, ints);
        const __m128i bytes = _mm_packus_epi16(words, words);
        const uint32_t texel = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes)) | 0xFF000000u;
        std::memcpy(out, &texel, 4);
#else
        typedef int Ints __attribute__((vector_size(16)));
        const Ints v = __builtin_convertvector(sum + 0.5f, Ints);
        out[0] = static_cast<uint8_t>(v[0] > 255 ? 255 : v[0]);
        out[1] = static_cast<uint8_t>(v[1] > 255 ? 255 : v[1]);
        out[2] = static_cast<uint8_t>(v[2] > 255 ? 255 : v[2]);
        out[3] = 255;
#endif
    }
}

// The area scaler one target row at a time: target row y reads the source
// rows [firstRow(y), endRow(y)), which move down the picture with y.
class AreaScaler {
  public:
    AreaScaler(int inWidth, int inHeight, int outWidth, int outHeight, std::vector<float>& scratch)
        : xs(tapsOf(inWidth, outWidth)), ys(tapsOf(inHeight, outHeight)), rowBytes(size_t(inWidth) * 3),
          outWidth(outWidth), acc(scratch) {
        acc.resize(rowBytes + 1); // spreadRow reads one float past the last texel
    }
    int firstRow(int y) const { return ys.first[static_cast<size_t>(y)]; }
    int endRow(int y) const { return firstRow(y) + ys.taps; }

    // `source(r)` gives source row r.
    template <class Source> void scaleRow(int y, const Source& source, uint8_t* out) {
        // The source rows that the target row covers, weighted into one row.
        const int first = firstRow(y);
        const float* w = &ys.weight[static_cast<size_t>(y) * ys.taps];
        bool started = false;
        for (int r = 0; r < ys.taps; ++r) {
            if (w[r] == 0.0f) continue;
            weighRow(acc.data(), source(first + r), rowBytes, w[r], !started);
            started = true;
        }
        if (!started) std::fill(acc.begin(), acc.end(), 0.0f);
        switch (xs.taps) {
        case 1:
            spreadRow<1>(acc.data(), xs, out, outWidth);
            break;
        case 2:
            spreadRow<2>(acc.data(), xs, out, outWidth);
            break;
        case 3:
            spreadRow<3>(acc.data(), xs, out, outWidth);
            break;
        default:
            spreadRow<0>(acc.data(), xs, out, outWidth);
            break;
        }
    }

  private:
    Taps xs, ys;
    size_t rowBytes;
    int outWidth;
    std::vector<float>& acc;
};

// One row of the level below from rows a and b of a level of width x height
// (b unused when the height is 1), as halveRGBA makes it.
TAMARACK_VECTORIZE void halveRows(const uint8_t* __restrict a, const uint8_t* __restrict b, int width,
                                  int height, uint8_t* __restrict out) {
    if (width > 1 && height > 1) {
        const int w = width / 2;
        for (int x = 0; x < w; ++x, a += 8, b += 8, out += 4)
            for (int k = 0; k < 4; ++k)
                out[k] = static_cast<uint8_t>((a[k] + a[k + 4] + b[k] + b[k + 4] + 2) >> 2);
    } else if (height == 1) {
        // A row: pairs of neighbours.
        const int w = std::max(width / 2, 1);
        for (int x = 0; x < w; ++x, a += 8, out += 4)
            for (int k = 0; k < 4; ++k)
                out[k] = static_cast<uint8_t>((a[k] + a[k + 4] + 1) / 2);
    } else {
        // A column: the texels of rows a and b.
        for (int k = 0; k < 4; ++k)
            out[k] = static_cast<uint8_t>((a[k] + b[k] + 1) / 2);
    }
}

// The mip chain filled from the top row of level 0 down: each row of a level
// makes, with the row above it, the row below them in the next level.
class ChainBuilder {
  public:
    explicit ChainBuilder(PreparedTexture& p) : p(p), made(p.levels.size(), 0), final(p.levels.size(), 0) {}

    uint8_t* row(size_t k, int y) {
        const PreparedTexture::Level& l = p.levels[k];
        return p.mips.data() + l.offset + static_cast<size_t>(y) * static_cast<size_t>(l.width) * 4;
    }
    // Row y of level k is written.
    void rowDone(size_t k, int y) {
        made[k] = y + 1;
        if (k + 1 == p.levels.size()) return;
        const PreparedTexture::Level& l = p.levels[k];
        if (l.height == 1) {
            halveRows(row(k, 0), nullptr, l.width, 1, row(k + 1, 0));
            rowDone(k + 1, 0);
        } else if (y % 2 == 1) {
            halveRows(row(k, y - 1), row(k, y), l.width, l.height, row(k + 1, y / 2));
            rowDone(k + 1, y / 2);
        }
    }
    // Tells the uploader the rows that nothing here reads any more: all but
    // a row still waiting for its partner. A chain whose rows are given back
    // waits there for the upload when it is `ahead` rows of level 0 ahead.
    void publish() {
        for (size_t k = 0; k < made.size(); ++k)
            final[k] = p.levels[k].height == 1 ? made[k] : made[k] & ~1;
        p.progress.publish(final);
        if (p.followed && p.releaseRows && made[0] > ahead) p.progress.waitUploaded(made[0] - ahead);
    }
    int ahead = 0;

  private:
    PreparedTexture& p;
    std::vector<int> made, final;
};

// Decoded rows on their way to the scaler: a window of `capacity` rows that
// the decoder fills and the scaler empties from the top. With a helper
// thread the decoder runs ahead on it; without, need() decodes in place.
class RowWindow {
  public:
    RowWindow(JpegReader& reader, uint8_t* storage, int capacity, bool helper)
        : reader(reader), base(storage), rowBytes(size_t(reader.outWidth()) * 3), capacity(capacity),
          height(reader.outHeight()) {
        if (helper) worker = std::thread([this] { run(); });
    }
    ~RowWindow() { stop(); }

    const uint8_t* row(int r) const { return base + static_cast<size_t>(r % capacity) * rowBytes; }
    // Rows above `r` are no longer needed.
    void doneBelow(int r) {
        if (!worker.joinable()) {
            lowest = std::max(lowest, r);
            return;
        }
        std::lock_guard<std::mutex> g(lock);
        if (r > lowest) {
            lowest = r;
            changed.notify_all();
        }
    }
    // Waits until the rows above `end` are decoded; false when decoding failed.
    bool need(int end) {
        if (!worker.joinable()) {
            while (decoded < end)
                if (!decodeSome()) return false;
            return true;
        }
        std::unique_lock<std::mutex> g(lock);
        changed.wait(g, [&] { return decoded >= end || failed; });
        return decoded >= end;
    }
    // Decodes the rows that nothing needs, so that the stream can be finished.
    bool drain() {
        stop();
        lowest = height;
        return need(height);
    }

  private:
    static constexpr int chunk = 16; // rows asked of the decoder at a time

    // Decodes the next rows into the free part of the window.
    bool decodeSome() {
        const int n = std::min({capacity - (decoded - lowest), height - decoded, chunk});
        for (int i = 0; i < n; ++i)
            pointers[static_cast<size_t>(i)] =
                base + static_cast<size_t>((decoded + i) % capacity) * rowBytes;
        const int got = n > 0 ? reader.read(pointers, n) : 0;
        decoded += got;
        return got > 0;
    }
    void run() {
        std::unique_lock<std::mutex> g(lock);
        while (!stopping && decoded < height && !failed) {
            changed.wait(g, [&] { return stopping || decoded - lowest < capacity; });
            if (stopping) break;
            // The rows it writes are below `decoded`, which the scaler does
            // not read, and in slots the scaler has given back.
            const int from = decoded, n = std::min({capacity - (decoded - lowest), height - decoded, chunk});
            g.unlock();
            for (int i = 0; i < n; ++i)
                pointers[static_cast<size_t>(i)] =
                    base + static_cast<size_t>((from + i) % capacity) * rowBytes;
            const int got = reader.read(pointers, n);
            g.lock();
            decoded += got;
            failed = got == 0;
            changed.notify_all();
        }
    }
    void stop() {
        if (!worker.joinable()) return;
        {
            std::lock_guard<std::mutex> g(lock);
            stopping = true;
        }
        changed.notify_all();
        worker.join();
    }

    JpegReader& reader;
    uint8_t* base;
    size_t rowBytes;
    int capacity, height;
    int decoded = 0, lowest = 0;
    bool stopping = false, failed = false;
    uint8_t* pointers[chunk];
    std::mutex lock;
    std::condition_variable changed;
    std::thread worker;
};

// Level 0 is the decoded picture itself: the decoder writes RGBA straight
// into it.
bool decodeIntoLevel0(JpegReader& reader, PreparedTexture& p, ChainBuilder& chain, int publishEvery) {
    const int height = p.levels[0].height;
    uint8_t* rows[16];
    for (int y = 0, sincePublish = 0; y < height;) {
        const int n = std::min(16, height - y);
        for (int i = 0; i < n; ++i)
            rows[i] = chain.row(0, y + i);
        const int got = reader.read(rows, n);
        if (got == 0) return false;
        for (int i = 0; i < got; ++i)
            chain.rowDone(0, y + i);
        y += got;
        if ((sincePublish += got) >= publishEvery) {
            chain.publish();
            sincePublish = 0;
        }
    }
    return true;
}

// Level 0 scaled from the decoded rows as they come.
bool scaleIntoLevel0(JpegReader& reader, PreparedTexture& p, ChainBuilder& chain, int publishEvery) {
    const int inWidth = reader.outWidth(), inHeight = reader.outHeight();
    const int width = p.levels[0].width, height = p.levels[0].height;
    AreaScaler scaler(inWidth, inHeight, width, height, p.row);
    const size_t rowBytes = static_cast<size_t>(inWidth) * 3;
    const bool helper = rowBytes * static_cast<size_t>(inHeight) >= p.helperFrom;
    // Room for the rows one target row reads, and for the decoder to run ahead.
    const int capacity = std::min(inHeight, scaler.endRow(0) - scaler.firstRow(0) + (helper ? 128 : 16));
    if (!p.window.reserve(rowBytes * static_cast<size_t>(capacity))) {
        p.error = "not enough memory to decode it";
        return false;
    }
    RowWindow window(reader, p.window.data(), capacity, helper);
    auto source = [&](int r) { return window.row(r); };
    for (int y = 0, sincePublish = 0; y < height; ++y) {
        window.doneBelow(scaler.firstRow(y));
        if (!window.need(scaler.endRow(y))) return false;
        scaler.scaleRow(y, source, chain.row(0, y));
        chain.rowDone(0, y);
        if (++sincePublish >= publishEvery) {
            chain.publish();
            sincePublish = 0;
        }
    }
    return window.drain();
}

bool buildChain(std::FILE* file, PreparedTexture& p, int maxSize) {
    JpegReader reader(p.error, p.warnings);
    if (!reader.readHeader(file)) return false;
    p.width = reader.width();
    p.height = reader.height();
    int w = 0, h = 0;
    textureLevelSize(p.width, p.height, maxSize, w, h);
    size_t total = 0;
    for (int lw = w, lh = h;; lw = std::max(lw / 2, 1), lh = std::max(lh / 2, 1)) {
        p.levels.push_back({lw, lh, total});
        total += static_cast<size_t>(lw) * static_cast<size_t>(lh) * 4;
        if (lw == 1 && lh == 1) break;
    }
    // A picture larger than its texture is decoded smaller where the DCT
    // allows, never below the texture's size; one of the texture's own size
    // is decoded into it as RGBA.
    const int d = dctDenominatorFor(p.width, p.height, w, h);
    const bool direct = JpegReader::scaledSide(p.width, d) == w && JpegReader::scaledSide(p.height, d) == h;
    if (!reader.start(d, direct ? 4 : 3)) return false;
    if (direct && (reader.outWidth() != w || reader.outHeight() != h)) {
        p.error = "the decoder gave an unexpected size";
        return false;
    }
    p.dctDenominator = d;
    if (!p.mips.reserve(total)) {
        p.error = "not enough memory for its texture (" + std::to_string(total >> 20) + " MiB)";
        return false;
    }
    p.hasMips = true;
    p.releaseRows = total > p.keepUpTo;
    p.progress.start(p.levels.size());
    ChainBuilder chain(p);
    // The uploader is told of new rows about every 2 MiB of level 0.
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    const int publishEvery = std::max(1, static_cast<int>((size_t(2) << 20) / rowBytes));
    // A big chain followed by the upload is kept about keepUpTo ahead of it.
    chain.ahead = publishEvery + static_cast<int>(std::min<size_t>(p.keepUpTo / rowBytes, h));
    const bool ok = direct ? decodeIntoLevel0(reader, p, chain, publishEvery)
                           : scaleIntoLevel0(reader, p, chain, publishEvery);
    chain.publish();
    return ok && reader.finish();
}

} // namespace

void scaleToRGBA(const uint8_t* rgb, int width, int height, uint8_t* rgba, int outWidth, int outHeight,
                 std::vector<float>& scratch) {
    AreaScaler scaler(width, height, outWidth, outHeight, scratch);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    auto source = [&](int r) { return rgb + static_cast<size_t>(r) * rowBytes; };
    for (int y = 0; y < outHeight; ++y)
        scaler.scaleRow(y, source, rgba + static_cast<size_t>(y) * outWidth * 4);
}

void scaleRGBA(const uint8_t* in, int width, int height, uint8_t* out, int outWidth, int outHeight) {
    const Taps xs = tapsOf(width, outWidth), ys = tapsOf(height, outHeight);
    const size_t rowFloats = static_cast<size_t>(width) * 4;
    std::vector<float> acc(rowFloats);
    for (int y = 0; y < outHeight; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        const int firstRow = ys.first[static_cast<size_t>(y)];
        for (int r = 0; r < ys.taps; ++r) {
            const float w = ys.weight[static_cast<size_t>(y) * ys.taps + r];
            if (w == 0.0f) continue;
            const uint8_t* src = in + static_cast<size_t>(firstRow + r) * rowFloats;
            for (size_t k = 0; k < rowFloats; ++k)
                acc[k] += w * static_cast<float>(src[k]);
        }
        uint8_t* dst = out + static_cast<size_t>(y) * outWidth * 4;
        for (int x = 0; x < outWidth; ++x) {
            const float* p = acc.data() + static_cast<size_t>(xs.first[static_cast<size_t>(x)]) * 4;
            const float* w = &xs.weight[static_cast<size_t>(x) * xs.taps];
            for (int k = 0; k < 4; ++k) {
                float sum = 0.5f;
                for (int c = 0; c < xs.taps; ++c)
                    sum += w[c] * p[c * 4 + k];
                dst[x * 4 + k] = static_cast<uint8_t>(std::min(255.0f, std::max(0.0f, sum)));
            }
        }
    }
}

void halveRGBA(const uint8_t* in, int width, int height, uint8_t* out) {
    const size_t stride = static_cast<size_t>(width) * 4;
    const size_t outStride = static_cast<size_t>(std::max(width / 2, 1)) * 4;
    if (height == 1) {
        halveRows(in, nullptr, width, 1, out);
        return;
    }
    for (int y = 0; y < height / 2; ++y)
        halveRows(in + static_cast<size_t>(2 * y) * stride, in + static_cast<size_t>(2 * y + 1) * stride,
                  width, height, out + static_cast<size_t>(y) * outStride);
}

void prepareTexture(const std::string& path, PreparedTexture& p, bool buildMips, int maxSize) {
    p.progress.reset();
    p.openError = 0;
    p.decoded = false;
    p.hasMips = false;
    p.releaseRows = false;
    p.dctDenominator = 1;
    p.width = p.height = 0;
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
    const PictureFormat format = pictureFormat(path);
    p.picture = RgbaPicture();
    if (!f) {
        p.openError = err;
    } else if (format != PictureFormat::Jpeg) {
        std::fclose(f);
        p.decoded = decodePicture(path, format, p.picture, p.error, p.warnings);
        p.width = p.picture.width;
        p.height = p.picture.height;
    } else if (buildMips) {
        p.decoded = buildChain(f, p, maxSize);
        std::fclose(f);
    } else {
        p.decoded = decodeJpeg(f, p.image, p.error, p.warnings);
        p.width = p.image.width;
        p.height = p.image.height;
        std::fclose(f);
    }
    p.progress.finish();
}
