#include "base/timer.h"

#include <SDL.h>

CTimer timer;

uint32_t CTimer::now() const {
    return ticks ? ticks() : SDL_GetTicks();
}

void CTimer::init() {
    frame = 0;
    if (fps > 0) {
        elapsed = origin;
        return;
    }
    start = last = now();
}

void CTimer::getTime() {
    if (fps > 0) {
        ++frame;
        elapsed = origin + frameTime(frame, fps);
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
