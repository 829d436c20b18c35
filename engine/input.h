#pragma once
#include <SDL.h>
#include <atomic>

// The event check of the live show: one event taken from SDL's queue per
// frame. Escape and a window close act in the frame after they arrive,
// whatever waits in the queue before them.
class CInput {
  public:
    SDL_Event event{};

    void all();
    void keyboard();
    int pollEvents();
    void mouse() {}
    // The quit test on the record in `event`.
    static bool isQuit(const SDL_Event& e);

    // Watches every event SDL queues from now on for Escape and close.
    void watchQuit();
    bool quitQueued() const { return quitSeen.load(std::memory_order_relaxed); }

  private:
    std::atomic<bool> quitSeen{false};
    static int SDLCALL watch(void* self, SDL_Event* e);
};

extern CInput input;
