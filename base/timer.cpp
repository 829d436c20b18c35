#include "base/timer.h"

#include <SDL.h>
#include <climits>

CTimer timer;

uint32_t CTimer::now() const {
    return ticks ? ticks() : SDL_GetTicks();
}

void CTimer::init() {
    frame = 0;
    pastEnd = false;
    if (fps > 0) {
        elapsed = origin;
        return;
    }
    start = last = now();
}

void CTimer::getTime() {
    if (fps > 0) {
        // The clock holds times up to INT32_MAX ms (about 24 days); a frame
        // past that stands at its end instead of wrapping to negative times.
        ++frame;
        const int64_t t = frameTime64(frame);
        pastEnd = t > INT32_MAX;
        elapsed = pastEnd ? INT32_MAX : static_cast<int32_t>(t);
        return;
    }
    if (delay)
        delay(1);
    else
        SDL_Delay(1);
    refresh(now());
}

void CTimer::refresh(uint32_t at) {
    MusicStamp s;
    if (music && music(s) && s.sounding && static_cast<int32_t>(at - s.tick) < kStaleStampMs) {
        elapsed = followMusic(elapsed, last, at, heardAt(s, at, audioOffset));
        // Where the music stops, the ticks run on from here.
        start = at - static_cast<uint32_t>(elapsed);
    } else {
        // Two 32-bit tick values, subtracted modulo 2^32 and read as signed.
        elapsed = static_cast<int32_t>(at - start);
    }
    last = at;
}

void CTimer::continueAt(int32_t ms, uint32_t at) {
    elapsed = ms;
    start = at - static_cast<uint32_t>(ms);
    last = at;
}

int64_t CTimer::skipBelow(int32_t t) {
    if (fps <= 0 || pastEnd || elapsed >= t) return 0;
    // The first frame at or after t, then the one before it.
    int64_t first = ((static_cast<int64_t>(t) - origin) * fps + 999) / 1000;
    while (first > 0 && frameTime64(first - 1) >= t)
        --first;
    while (frameTime64(first) < t)
        ++first;
    if (first - 1 <= frame) return 0;
    const int64_t passed = first - 1 - frame;
    frame = first - 1;
    elapsed = static_cast<int32_t>(frameTime64(frame));
    return passed;
}
