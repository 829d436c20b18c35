#include "engine/engine.h"

#include "engine/timer.h"

CMain engine;

void CMain::quit() {
    if (exitHandler) exitHandler(); // the live show: never returns
    ended = true;
    endedAt = timer.elapsed;
}
