#include "base/timer.h"

#include <SDL.h>

CTimer timer;

void CTimer::init() {
    frame = 0;
    if (fps > 0) {
        elapsed = origin;
        return;
    }
    start = ticks ? ticks() : SDL_GetTicks();
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
    // Two 32-bit tick values, subtracted modulo 2^32 and read as signed.
    elapsed = static_cast<int32_t>((ticks ? ticks() : SDL_GetTicks()) - start);
}
