#pragma once
#include <cstdint>

// What the music says of the show's time: the position the listener hears at
// a tick of the system clock, and how much music the device has been handed
// beyond it. The audio side takes one at each buffer it hands to the device
// and at each start, seek, pause and resume.
struct MusicStamp {
    bool sounding = false; // the music plays: the show clock follows it
    int32_t ms = 0;        // the music's position heard at `tick`
    uint32_t tick = 0;     // the system clock's ms when the stamp was taken
    int32_t span = 0;      // ms of music handed to the device after `ms`
};

// A stamp older than this (ms) says the device has stopped taking audio: the
// show then runs on by ticks rather than stand still for good.
constexpr int32_t kStaleStampMs = 1000;

// The music's position as heard at tick `now`: the stamp's position run on by
// the ticks since it was taken, up to the music that was handed over (a
// device that takes no more audio holds it there), less `offsetMs`, the
// listener's extra latency.
int32_t heardAt(const MusicStamp& s, uint32_t now, int32_t offsetMs);

// One refresh of the show clock that follows the music: `shown` was the show
// time at tick `last`; returns the show time at tick `now`, given the music
// heard then. It never goes backwards and, outside seeks (which set the clock
// themselves), it moves at most three times as fast as the ticks: the picture
// closes a gap to the music smoothly, and holds where the music is behind.
int32_t followMusic(int32_t shown, uint32_t last, uint32_t now, int32_t heard);
