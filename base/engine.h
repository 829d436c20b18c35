#pragma once
#include <cstdint>

// The process exit. In the live show quit() stops the music, shuts SDL down
// and exits with status 0. Offline modes and tests install no exit handler:
// quit() then only records that the show ended, and the caller stops.
class CMain {
  public:
    void (*exitHandler)() = nullptr;
    bool ended = false;
    int32_t endedAt = 0; // show time at which "end" was interpreted

    void quit();
    // Prints "tamarack: the show ends at S s" on stderr, S in seconds with the
    // fewest digits that give endedAt exactly (3, 2.5, 1234.567).
    void reportEnd() const;
};

extern CMain engine;
