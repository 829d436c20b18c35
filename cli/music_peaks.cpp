#include "cli/music_peaks.h"

#include "assets/music_decode.h"
#include "base/stop_signal.h"

#include <algorithm>
#include <cmath>

MusicPeaks musicPeaks(const std::string& path, int perSecond, int32_t untilMs) {
    constexpr int rate = 44100;
    MusicPeaks m;
    MusicDecoder decoder;
    std::string error;
    if (!decoder.open(path, rate, error)) {
        m.error = "cannot be decoded: " + error;
        return m;
    }
    std::vector<float> block(2 * 8192);
    int64_t frames = 0;
    const int64_t most = static_cast<int64_t>(untilMs) * rate / 1000;
    while (frames < most && !stopRequested()) {
        const size_t n = decoder.read(block.data(), block.size() / 2);
        if (n == 0) break;
        for (size_t i = 0; i < n; ++i, ++frames) {
            const size_t bucket = static_cast<size_t>(frames * perSecond / rate);
            if (bucket >= m.peaks.size()) m.peaks.resize(bucket + 1, 0);
            const float peak = std::min(1.0f, std::max(std::fabs(block[2 * i]), std::fabs(block[2 * i + 1])));
            m.peaks[bucket] = std::max(m.peaks[bucket], static_cast<uint8_t>(std::lround(peak * 255)));
        }
    }
    m.length = static_cast<int32_t>(frames * 1000 / rate);
    return m;
}
