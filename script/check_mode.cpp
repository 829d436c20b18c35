#include "engine/modes.h"

#include <cstdio>

// PLACEHOLDER: this mode is not built yet.
int runCheck(const Options&) {
    std::fprintf(stderr, "tamarack: this mode is not built yet\n");
    return 2;
}
