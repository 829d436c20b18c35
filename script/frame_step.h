#pragma once
#include <cstdint>

class CScene;

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

// The two halves of stepFrame(): interpretDue() then walkScenes().
void interpretDue();
void walkScenes();

// What the frame step does, told as it happens to the views that survey the
// show (--timeline, --contact-sheet). The show itself listens to nothing.
class FrameListener {
  public:
    virtual ~FrameListener() = default;
    // The interpreter inserted `record` into script.scenes in front of `next`
    // (null: at the end).
    virtual void made(const CScene& record, const CScene* next) = 0;
    // A sync step of the record took the contents of `from`, the step at
    // `position` of its track (the record's new track is from's).
    virtual void stepped(const CScene& record, const CScene& from, int32_t position) = 0;
    // The walk left the record in the list: running (its values brought up
    // to the frame), or not (a template).
    virtual void walked(const CScene& record, bool running) = 0;
    // The walk erased the record: it no longer runs.
    virtual void erased(const CScene& record) = 0;
};

// Who listens to the frame step; null (the show, every mode but the surveys)
// for none.
extern FrameListener* frameListener;

// Runs stepFrame() for every frame of the virtual clock (timer.fps) whose
// time lies below `until`, starting from the clock's current frame, and leaves
// timer.elapsed = until for the caller's last frame. Returns false as soon as
// an "end" command has been interpreted (engine.ended), or a stop signal has
// come (stopRequested()).
bool simulateUntil(int32_t until);

// After a frame, when no record runs or is synced (only templates wait, which
// no frame changes): moves the virtual clock on to the last frame below the
// next command's time or `until`, whichever is earlier, as if every frame
// between had been stepped, and returns how many were passed over. A far
// time of a show that has ended is reached at once. Nothing is passed over
// while a listener listens: the surveys see every frame.
int64_t skipIdleFrames(int32_t until);

// Whether the show is over without an "end" after the current frame: every
// command interpreted and no record running (templates do not count).
bool nothingLeft();
