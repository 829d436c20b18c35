#include "assets/show_files.h"
#include "base/engine.h"
#include "base/stop_signal.h"
#include "base/timer.h"
#include "cli/modes.h"
#include "engine/offline.h"
#include "engine/offline_render.h"
#include "export/png.h"
#include "render/effect.h"
#include "script/frame_step.h"

#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

bool openAtSeconds(const Options& opt, Offscreen& frame) {
    if (!openOffline(opt, frame)) return false;
    if (simulateUntil(secondsToMs(opt.seconds))) return true;
    if (!stopRequested()) engine.reportEnd();
    return false;
}

int runShot(const Options& opt) {
    Offscreen frame;
    if (!openAtSeconds(opt, frame)) return offlineFailure(frame);
    effect.DrawGLScene();
    std::vector<uint8_t> rgb;
    frame.readRGB(rgb);
    std::string err;
    OutputFile out;
    if (!writePNG(out, opt.file, frame.width, frame.height, rgb.data(), err)) {
        std::fprintf(stderr, "tamarack: %s\n", err.c_str());
        return 1;
    }
    if (out.replacedLink()) std::fprintf(stderr, "tamarack: %s\n", replacedLinkNote(opt.file).c_str());
    return 0;
}

// Every frame of the virtual clock from `from` to `to`, into a video file, a
// PNG folder or a Y4M stream (engine/offline_render.h).
int runRender(const Options& opt) {
    Offscreen frame;
    bool soundOn = false;
    if (!openOffline(opt, frame, true, &soundOn)) return offlineFailure(frame);

    RenderJob job;
    job.out = opt.out;
    job.shownName = opt.outArg;
    job.fps = opt.fps;
    // --start names the first frame as --from does; --from wins.
    job.from = opt.hasFrom ? secondsToMs(opt.from) : opt.hasStart ? secondsToMs(opt.start) : 0;
    job.to = opt.hasTo ? secondsToMs(opt.to) : INT32_MAX;
    job.toEnd = !opt.hasTo;
    job.progress = opt.progress || isatty(2);
    job.overwrite = opt.overwrite;
    if (soundOn) job.music = showFiles.musicPath(); // the file the scan chose; none: empty
    return renderShow(job, frame);
}
