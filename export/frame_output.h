#pragma once
#include "export/frame_pipeline.h"

#include <memory>
#include <string>

// Where the frames of an offline render go: a sink of the frame pipeline that
// open() makes (the file or folder) before anything is drawn, close() ends
// after the last frame and discard() removes after a failure. Every error is
// a whole message ("cannot write show.mp4: No space left on device").
class FrameOutput : public FrameSink {
  public:
    virtual bool open(int width, int height, std::string& error) = 0;
    virtual bool close(std::string& error) = 0;
    virtual void discard() {}
    virtual std::string what() const = 0; // for the final report
    virtual int workers() const { return 1; }
    // After close(): whether the output's name was a symbolic link that the
    // new file replaced (the link itself, not what it points to).
    virtual bool replacedLink() const { return false; }
};

// A folder of frame-000000.png, ...; `shown` names the folder in messages.
// Each frame appears under its name only when whole. Frames of an earlier
// render in it, and symbolic links of a frame's name, are refused, or with
// `overwrite` removed first (a link itself, never what it points to);
// nothing else in the folder is touched.
std::unique_ptr<FrameOutput> pngFolderOutput(const std::string& dir, const std::string& shown,
                                             bool overwrite);
// A YUV4MPEG2 stream on stdout.
std::unique_ptr<FrameOutput> y4mStreamOutput(int fps);
// One video file (videoFormat() names its kind) with `music` in it from the
// show time of the first frame on; no music: a video without sound. It takes
// its name only when it is closed, whole.
std::unique_ptr<FrameOutput> videoFileOutput(const std::string& path, const std::string& shown, int fps,
                                             const std::string& music);

// The output that `out` names: a name ending in .mp4, .mkv or .webm is a video
// file, "-" the Y4M stream, anything else a PNG folder.
std::unique_ptr<FrameOutput> makeFrameOutput(const std::string& out, const std::string& shown, int fps,
                                             bool overwrite, const std::string& music);

// A frame file of a PNG folder: frame-NNNNNN.png (six digits or more).
bool isFrameName(const std::string& name);
