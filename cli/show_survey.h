#pragma once
// What --timeline and --contact-sheet share: the whole show played once on the
// virtual clock, record by record, and the frames at chosen times drawn as
// --shot draws them.
#include "engine/offscreen.h"
#include "timeline/scene.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Look {
    Drawn drawn = Drawn::Nothing;
    std::string name; // the file names: "a.jpg", "a.jpg to b.jpg", "torus.3ds, mask c.jpg"; may be empty
};

// One step of a synced record that took a template.
struct SyncStep {
    int32_t time = 0;          // the frame that took it
    int32_t position = 0;      // its index in the sync track
    int32_t templateTrack = 0; // the track of the template taken
    int32_t templateLane = -1; // the lane (in draw order) of the first record of that track
    Look look;                 // what it draws from then on
};

// One scene record from the frame in which the interpreter made it. Times are
// the show times of frames of the virtual clock.
struct Lane {
    int32_t command = -1;    // index in script.commands
    int32_t made = 0;        // the frame that made it
    int32_t firstRun = -1;   // the first frame in which it ran (was drawn); -1: never
    int32_t runEnd = -1;     // the first frame after that in which it did not run; -1: ran to the end
    int32_t erased = -1;     // the frame that erased it; -1: still in the list at the end
    int32_t track = 0;       // as made
    int32_t syncTrack = -1;  // the sync track it follows; -1: none
    bool isTemplate = false; // kept in the list for synced records (insync)
    Look look;               // as first drawn, else as made
    std::vector<SyncStep> steps;
};

struct Survey {
    std::vector<Lane> lanes; // every record the timeline made, in the order they are drawn
    int32_t end = 0;         // the time of the show's last frame
    bool endCommand = false; // whether "end" ended the show (else nothing was left to run)
    bool complete = true;    // false: stopped at `longest` with the show going on
    long frames = 0;
};

// Plays the loaded show (openOffline) from time 0 with the virtual clock at
// timer.fps to its last frame: the one that interprets "end" or, without it,
// the first one after the last command in which no record runs. The frame
// step runs exactly as in every other mode and tells the survey what it made,
// ran, stepped and erased (frameListener). A show that goes on after the
// frame at `longest` ms is left there, incomplete.
Survey surveyShow(int64_t longest);

// A show time in seconds with the fewest digits that give it exactly: "0 s", "12.5 s".
std::string secondsText(int32_t ms);

// The times 0, every, 2 * every, ... up to `end`.
std::vector<int32_t> everyTimes(int32_t end, int32_t every);

// Draws the frame at each of `times` (ascending, none after the show's end)
// exactly as --shot draws it, reads it back and hands it to `take` as
// width * height * 3 bytes of RGB, top row first. Stops and returns false
// when `take` does.
bool drawFrames(const std::vector<int32_t>& times, int fps, const Offscreen& frame,
                const std::function<bool(int32_t time, const std::vector<uint8_t>& rgb)>& take);
