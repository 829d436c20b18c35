#pragma once
#include <cstdint>

struct SDL_Window;

// SDL 1.2 video flags as the options record keeps them; window() maps them to SDL2.
constexpr uint32_t kFullscreenFlag = 0x80000000u;
constexpr uint32_t kDefaultVideoFlags = 0x80000007u;

// The start-up configuration. The script's options block is its only writer
// after the defaults; the display set-up (engine/display.h) stores the window.
class CInit {
  public:
    uint32_t videoFlags = 0;
    SDL_Window* screen = nullptr;
    int32_t windowed = 0;
    int32_t soundOn = 0;
    int32_t anaglyphic = 0;
    int32_t gui = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t videoWidth = 0;
    int32_t videoHeight = 0;

    void defaults(); // fields 1 and 3 to 10
};

extern CInit einit;
