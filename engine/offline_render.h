#pragma once
#include "engine/offscreen.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

// What an offline render writes, and which frames.
struct RenderJob {
    // A name ending in .mp4, .mkv or .webm: one video file (the music in
    // it); "-": a YUV4MPEG2 stream on stdout; anything else: a folder of
    // frame-000000.png, ...
    std::string out;
    std::string shownName; // OUT as the user wrote it, for messages
    int fps = 60;
    int32_t from = 0;       // the first frame written is the first at or after `from` (ms)
    int32_t to = INT32_MAX; // and the last one at or before `to`
    bool toEnd = true;      // the show's end ends the film (no --to)
    bool progress = false;  // the progress line and the final report on stderr
    bool overwrite = false; // a PNG folder's frames of an earlier render are removed first
    std::string music;      // the music for a video file; empty: a video without sound
};

// Renders the frames of the show that openOffline() loaded, from its clock's
// start: frames before `from` are computed but not drawn, and the show ends
// with the frame that interprets "end" or, with toEnd, the first frame after
// the last command in which no scene runs. Drawing overlaps the writing: the
// frames are read back into a few reused buffers that worker threads encode
// (PNG at zlib level 1, Y4M, or the video's encoders) while the next frame
// is drawn.
//
// SIGINT and SIGTERM stop the render after the frame in progress; what is
// open is closed properly (a video plays to its last frame, no PNG is left
// half-written). Returns the exit status: 0; 1 after a failure or a show that
// ends before `from`, with one "tamarack: ..." line (a video file that
// failed is removed); 128 + the signal when stopped.
//
// frameMs, when given, receives the drawing thread's time for each frame
// written (the benchmark's measure).
int renderShow(const RenderJob& job, Offscreen& frame, std::vector<double>* frameMs = nullptr);
