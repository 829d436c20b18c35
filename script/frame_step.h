#pragma once
#include <cstdint>

// The GL-free half of one frame at show time timer.elapsed:
//  1. when the next command is due, one call of the interpreter (one group of
//     equal times per frame);
//  2. the walk of script.scenes from the front: arming, wrap and re-arming of
//     synced records, erasing records that no longer run (templates stay), and
//     the value updates of every running record (timeUpdate, typeUpdate, then
//     imgUpdate for an image or objUpdate for a model; scene1's for kind 1).
// Afterwards the running records of script.scenes are exactly the ones the
// renderer draws, in list order, with their current values. No allocation
// unless the interpreter inserts a record.
void stepFrame();

// The two halves of stepFrame(), for the views that look at the list between
// them (stepFrame() is interpretDue() then walkScenes()).
void interpretDue();
void walkScenes();

// Runs stepFrame() for every frame of the virtual clock (timer.fps) whose
// time lies below `until`, starting from the clock's current frame, and leaves
// timer.elapsed = until for the caller's last frame. Returns false as soon as
// an "end" command has been interpreted (engine.ended).
bool simulateUntil(int32_t until);

// Whether the show is over without an "end" after the current frame: every
// command interpreted and no record running (templates do not count).
bool nothingLeft();
