#pragma once
#include <cstdint>

// The show clock. Real (SDL ticks) for the live show; virtual (a fixed frame
// step) for capture, inspection and tests: frame i falls at floor(i * 1000 / fps).
class CTimer {
  public:
    uint32_t start = 0;
    int32_t elapsed = 0;

    int fps = 0;                       // 0: real clock
    uint32_t (*ticks)() = nullptr;     // real clock source; null: SDL_GetTicks
    void (*delay)(uint32_t) = nullptr; // real clock pause; null: SDL_Delay
    int64_t frame = 0;                 // virtual clock: frames taken since init()
    int32_t origin = 0;                // virtual clock: show time of frame 0

    void init();    // the clock starts now
    void getTime(); // refresh elapsed once per frame

    void useReal() { fps = 0; }
    void useVirtual(int framesPerSecond, int32_t from = 0) {
        fps = framesPerSecond;
        origin = from;
    }
    // Show time of virtual frame i at the given rate.
    static int32_t frameTime(int64_t i, int framesPerSecond) {
        return static_cast<int32_t>(i * 1000 / framesPerSecond);
    }
};

extern CTimer timer;
