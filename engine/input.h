#pragma once
#include <SDL.h>

// The event check: one event taken from SDL's queue per frame.
class CInput {
  public:
    SDL_Event event{};

    void all();
    void keyboard();
    int pollEvents();
    void mouse() {}
    // The quit test on the record in `event`.
    static bool isQuit(const SDL_Event& e);
};

extern CInput input;
