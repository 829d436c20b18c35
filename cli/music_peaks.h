#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The music's peak envelope for the timeline's waveform.
struct MusicPeaks {
    std::string error;          // why the file could not be decoded; empty when it was
    int32_t length = 0;         // the music's length in ms
    std::vector<uint8_t> peaks; // per 1/perSecond s: the largest magnitude of any channel, 0 to 255
};

// Decodes the music file as the video export does and keeps its peaks, for
// its first `untilMs` at most (a module's orders may play for days); the
// length is then what was decoded. A stop signal ends it early.
MusicPeaks musicPeaks(const std::string& path, int perSecond, int32_t untilMs);
