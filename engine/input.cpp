#include "engine/input.h"

#include "base/engine.h"

CInput input;

void CInput::all() {
    keyboard();
}

bool CInput::isQuit(const SDL_Event& e) {
    if (e.type == SDL_KEYDOWN) return e.key.keysym.sym == SDLK_ESCAPE;
    return e.type == SDL_QUIT;
}

void CInput::keyboard() {
    // SDL_PollEvent reads the display only once the events it queued last
    // have all been taken, so with one event a frame a queue of mouse motion
    // would hold back what comes after it. Every frame reads the display, and
    // the watch sees Escape and close as they are queued; the other events
    // are still taken one a frame. With an empty queue the record keeps the
    // last event.
    SDL_PumpEvents();
    SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (quitQueued() || isQuit(event)) engine.quit();
}

int CInput::pollEvents() {
    return SDL_PollEvent(&event);
}

int SDLCALL CInput::watch(void* self, SDL_Event* e) {
    if (isQuit(*e)) static_cast<CInput*>(self)->quitSeen.store(true, std::memory_order_relaxed);
    return 0;
}

void CInput::watchQuit() {
    SDL_AddEventWatch(watch, this);
}
