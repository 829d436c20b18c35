#include "base/engine.h"

#include "base/timer.h"

#include <cstdio>
#include <cstdlib>

CMain engine;

void CMain::quit() {
    if (exitHandler) exitHandler(); // the live show: never returns
    ended = true;
    endedAt = timer.elapsed;
}

void CMain::reportEnd() const {
    const double seconds = endedAt / 1000.0;
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, seconds);
        if (std::strtod(text, nullptr) == seconds) break;
    }
    std::fprintf(stderr, "tamarack: the show ends at %s s\n", text);
}
