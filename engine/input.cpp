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
    SDL_PollEvent(&event); // with an empty queue the record keeps the last event
    if (isQuit(event)) engine.quit();
}

int CInput::pollEvents() {
    return SDL_PollEvent(&event);
}
