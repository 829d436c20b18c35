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
    // The fewest decimals that give the time back (a whole millisecond needs
    // at most three), never an exponent: 10 s is "10", not "1e+01".
    char text[32];
    for (int decimals = 0; decimals <= 3; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, seconds);
        if (std::strtod(text, nullptr) == seconds) break;
    }
    std::fprintf(stderr, "tamarack: the show ends at %s s\n", text);
}
