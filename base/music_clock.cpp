#include "base/music_clock.h"

#include <algorithm>

int32_t heardAt(const MusicStamp& s, uint32_t now, int32_t offsetMs) {
    const int32_t since = static_cast<int32_t>(now - s.tick);
    return s.ms + std::clamp(since, 0, std::max(s.span, 0)) - offsetMs;
}

int32_t followMusic(int32_t shown, uint32_t last, uint32_t now, int32_t heard) {
    const int32_t dt = std::max(static_cast<int32_t>(now - last), 0);
    const int64_t fastest = static_cast<int64_t>(shown) + 3 * static_cast<int64_t>(dt);
    return static_cast<int32_t>(std::clamp<int64_t>(heard, shown, fastest));
}
