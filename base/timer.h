#pragma once
#include "base/music_clock.h"

#include <cstdint>

// The show clock. Real for the live show; virtual (a fixed frame step) for
// capture, inspection and tests: frame i falls at floor(i * 1000 / fps).
//
// The real clock follows the music while it plays (`music`, the position the
// listener hears, see followMusic) and runs on by the system's ticks from
// where it stands when there is no music or it is not sounding: before it
// starts, after its end, while paused. Without a music source it is the tick
// clock alone.
class CTimer {
  public:
    uint32_t start = 0;
    int32_t elapsed = 0;

    int fps = 0;                       // 0: real clock
    uint32_t (*ticks)() = nullptr;     // real clock source; null: SDL_GetTicks
    void (*delay)(uint32_t) = nullptr; // real clock pause; null: SDL_Delay
    int64_t frame = 0;                 // virtual clock: frames taken since init()
    int32_t origin = 0;                // virtual clock: show time of frame 0
    bool pastEnd = false;              // virtual clock: the next frame lies past the largest time held

    // Real clock: the music as heard, or false when there is none to follow.
    bool (*music)(MusicStamp&) = nullptr;
    int32_t audioOffset = 0; // ms the listener hears the music later than the device says
    uint32_t last = 0;       // real clock: the ticks of the last refresh

    void init();    // the clock starts now
    void getTime(); // refresh elapsed once per frame
    // Virtual clock: moves on to the last frame whose time lies below `t`,
    // unless the clock stands there or later; returns the frames passed.
    int64_t skipBelow(int32_t t);

    // Real clock: the show time at tick `now`, without the pause of getTime.
    void refresh(uint32_t now);
    // Real clock: the show stands at `ms` at tick `now` and runs on from there.
    void continueAt(int32_t ms, uint32_t now);
    // The clock reads `ms` until its next refresh (a fast-forward's last frame).
    void holdAt(int32_t ms) { elapsed = ms; }
    uint32_t now() const;

    void useReal() { fps = 0; }
    void useVirtual(int framesPerSecond, int32_t from = 0) {
        fps = framesPerSecond;
        origin = from;
    }
    // Show time of virtual frame i at the given rate.
    static int32_t frameTime(int64_t i, int framesPerSecond) {
        return static_cast<int32_t>(i * 1000 / framesPerSecond);
    }
    // The same from the clock's origin, without the wrap of 32 bits.
    int64_t frameTime64(int64_t i) const { return origin + i * 1000 / fps; }
};

extern CTimer timer;
