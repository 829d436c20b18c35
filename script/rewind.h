#pragma once
#include <cstdint>

// Puts the timeline back to where it stands before the first frame: no scene,
// no command interpreted, scene1 zeroed, the show not ended. The script's
// commands, times and sync tracks stay as they are.
void resetTimeline();

// Rebuilds the timeline from time 0 and fast-forwards it with the virtual
// clock at `fps` to `target` (negative targets count as 0), running every
// frame whose time lies below the target exactly as a run from the start at
// that frame rate does. Afterwards timer.elapsed = target and the timeline is
// ready for the frame at the target. The clock is left virtual; the caller
// switches it back. "end" never leaves the program here: when it is
// interpreted before the target, the state stays at that frame
// (engine.ended, engine.endedAt, timer.elapsed = the frame's time) and the
// result is false.
bool rewindTo(int32_t target, int fps);
