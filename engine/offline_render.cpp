#include "engine/offline_render.h"

#include "base/engine.h"
#include "base/output_file.h"
#include "base/stop_signal.h"
#include "base/timer.h"
#include "export/frame_output.h"
#include "render/effect.h"
#include "script/frame_step.h"
#include "script/rewind.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The progress line: on a terminal one line, rewritten in place; elsewhere
// (--progress) one line a second.
class Progress {
  public:
    Progress(bool on, double fromSeconds) : on(on), tty(isatty(2)), from(fromSeconds) {}

    void setTotal(int64_t skip, int64_t draw) {
        toSkip = skip;
        toDraw = draw;
    }

    void update(int64_t skipped, int64_t drawn) {
        if (!on) return;
        const Clock::time_point now = Clock::now();
        if (drawn == 1) firstDrawn = now;
        if (now - last < std::chrono::milliseconds(tty ? 250 : 1000)) return;
        last = now;
        char text[160];
        if (drawn == 0) {
            const int percent = toSkip > 0 ? static_cast<int>(100 * skipped / toSkip) : 0;
            std::snprintf(text, sizeof text, "tamarack: skipping to %.3f s (%d%%)", from, percent);
        } else {
            const double seconds = std::chrono::duration<double>(now - firstDrawn).count();
            const double rate = seconds > 0 ? (drawn - 1) / seconds : 0;
            const int percent = toDraw > 0 ? static_cast<int>(100 * drawn / toDraw) : 0;
            const long left = rate > 0 ? std::lround((toDraw - drawn) / rate) : 0;
            std::snprintf(text, sizeof text, "tamarack: %lld/%lld frames (%d%%), %.1f fps, %ld:%02ld left",
                          static_cast<long long>(drawn), static_cast<long long>(toDraw), percent, rate,
                          left / 60, left % 60);
        }
        print(text);
    }

    // Ends the line in place before another message.
    void done() {
        if (on && tty && width > 0) std::fputc('\n', stderr);
        width = 0;
    }

  private:
    void print(const char* text) {
        const int n = static_cast<int>(std::strlen(text));
        if (tty)
            std::fprintf(stderr, "\r%s%*s", text, std::max(0, width - n), "");
        else
            std::fprintf(stderr, "%s\n", text);
        width = std::max(width, n);
    }

    bool on, tty;
    double from;
    int64_t toSkip = 0, toDraw = 0;
    int width = 0; // of the longest line printed in place
    Clock::time_point last{}, firstDrawn{};
};

// Counts the frames before `from` and the frames written without drawing
// them (the GL-free frame step), then puts the timeline back to its start.
void countFrames(const RenderJob& job, int64_t& skip, int64_t& draw) {
    skip = draw = 0;
    for (;;) {
        const int32_t now = timer.elapsed;
        if (now > job.to || timer.pastEnd || stopRequested()) break;
        stepFrame();
        (now >= job.from ? draw : skip) += 1;
        if (engine.ended || (job.toEnd && nothingLeft())) break;
        if (now < job.from) skip += skipIdleFrames(job.from);
        timer.getTime();
    }
    rewindTo(0, job.fps);
}

} // namespace

int renderShow(const RenderJob& job, Offscreen& frame, std::vector<double>* frameMs) {
    const std::string shown = job.shownName.empty() ? job.out : job.shownName;
    const std::string name = job.out == "-" ? "the stream" : shown;
    std::unique_ptr<FrameOutput> output = makeFrameOutput(job.out, shown, job.fps, job.overwrite, job.music);

    // The workers (and the encoders' own threads) leave the stop signals to
    // this thread.
    std::string error;
    FramePipeline pipeline;
    bool opened = false;
    withStopsBlocked([&] {
        opened = output->open(frame.width, frame.height, error);
        if (opened) pipeline.start(*output, output->workers(), output->workers() + 2);
        catchStops();
    });
    if (!opened) {
        std::fprintf(stderr, "tamarack: %s\n", error.c_str());
        return 1;
    }

    Progress progress(job.progress, job.from / 1000.0);
    if (job.progress) {
        int64_t skip = 0, draw = 0;
        countFrames(job, skip, draw);
        progress.setTotal(skip, draw);
    }

    const size_t bytes = static_cast<size_t>(frame.width) * frame.height * 3;
    int64_t skipped = 0, drawn = 0;
    bool endsEarly = false, failed = false;
    while (!stopRequested()) {
        const int32_t now = timer.elapsed;
        if (now > job.to || timer.pastEnd) break; // past the clock's end: no frame
        const Clock::time_point t0 = Clock::now();
        const bool draw = now >= job.from;
        if (draw)
            effect.DrawGLScene();
        else
            stepFrame();
        const bool over = engine.ended || (job.toEnd && nothingLeft());
        if (draw) {
            PipelineFrame* f = pipeline.next();
            if (!f) {
                failed = true;
                break;
            }
            f->rgb.resize(bytes);
            frame.readRGB(f->rgb.data());
            f->time = now;
            pipeline.submit(f);
            ++drawn;
            if (frameMs)
                frameMs->push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        } else {
            ++skipped;
            if (over) {
                // Nothing left to show before the first frame asked for.
                if (!engine.ended) engine.endedAt = now;
                endsEarly = true;
                break;
            }
            skipped += skipIdleFrames(job.from);
        }
        progress.update(skipped, drawn);
        if (over) break;
        timer.getTime();
    }

    failed = !pipeline.finish(error) || failed;
    const int64_t written = pipeline.delivered();
    if (!failed && output->close(error)) {
        progress.done();
        if (output->replacedLink()) std::fprintf(stderr, "tamarack: %s\n", replacedLinkNote(shown).c_str());
        if (stopRequested()) {
            std::fprintf(stderr, "tamarack: stopped: %lld frames written to %s\n",
                         static_cast<long long>(written), name.c_str());
            return 128 + stopRequested();
        }
        if (endsEarly) {
            engine.reportEnd();
            return 1;
        }
        if (job.progress)
            std::fprintf(stderr, "tamarack: wrote %s: %lld frames, %.2f s, %s\n", name.c_str(),
                         static_cast<long long>(written), static_cast<double>(written) / job.fps,
                         output->what().c_str());
        return 0;
    }
    output->discard();
    progress.done();
    std::fprintf(stderr, "tamarack: %s\n", error.c_str());
    return 1;
}
