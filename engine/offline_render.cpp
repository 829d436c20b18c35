#include "engine/offline_render.h"

#include "assets/music_decode.h"
#include "base/engine.h"
#include "base/timer.h"
#include "render/effect.h"
#include "render/frame_pipeline.h"
#include "render/png.h"
#include "render/video_writer.h"
#include "render/y4m.h"
#include "script/frame_step.h"
#include "script/rewind.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStop(int sig) {
    stopSignal = sig;
}

// SIGINT and SIGTERM only set the flag that the frame loop reads; a second
// one ends the program at once. A closed pipe makes the stream's write fail
// instead of killing the program.
void catchStops() {
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Where the frames go. open() makes the file or folder before anything is
// drawn; close() ends it after the last frame; discard() after a failure.
// Every error is a whole message ("cannot write show.mp4: No space left on
// device").
class Output : public FrameSink {
  public:
    virtual bool open(int width, int height, std::string& error) = 0;
    virtual bool close(std::string& error) = 0;
    virtual void discard() {}
    virtual std::string what() const = 0; // for the final report
    virtual int workers() const { return 1; }
};

// A frame file of ours: frame-NNNNNN.png (six digits or more).
bool isFrameName(const std::string& name) {
    if (name.size() < 16 || name.compare(0, 6, "frame-") != 0 ||
        name.compare(name.size() - 4, 4, ".png") != 0)
        return false;
    return std::all_of(name.begin() + 6, name.end() - 4, [](char c) { return c >= '0' && c <= '9'; });
}

class PngFolder : public Output {
  public:
    PngFolder(const std::string& dir, const std::string& shown, bool overwrite)
        : dir(dir), shown(shown), overwrite(overwrite) {}

    // Frames of an earlier render past the new last one would be taken for
    // part of this one (by a later ffmpeg pass, say): they are refused, or
    // with --overwrite removed first. Nothing else in the folder is touched.
    bool open(int w, int h, std::string& error) override {
        width = w;
        height = h;
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            error = "cannot make the folder " + dir + ": " + ec.message();
            return false;
        }
        std::vector<std::filesystem::path> old;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.is_regular_file() && isFrameName(entry.path().filename().string()))
                old.push_back(entry.path());
        if (ec) {
            error = "cannot read the folder " + dir + ": " + ec.message();
            return false;
        }
        if (old.empty()) return true;
        if (!overwrite) {
            error = shown + " holds " + std::to_string(old.size()) +
                    (old.size() == 1 ? " frame" : " frames") +
                    " of an earlier render (frame-NNNNNN.png); give --overwrite to remove them first, "
                    "or render into another folder";
            return false;
        }
        for (const auto& path : old) {
            if (!std::filesystem::remove(path, ec) && ec) {
                error = "cannot remove " + path.string() + ": " + ec.message();
                return false;
            }
        }
        return true;
    }

    // Each worker compresses and writes its frames whole.
    bool prepare(PipelineFrame& f, std::string& error) override {
        thread_local std::string path;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(f.index));
        path.assign(dir).append(name);
        return writePNG(path, width, height, f.rgb.data(), error, true);
    }
    bool deliver(PipelineFrame&, std::string&) override { return true; }
    bool close(std::string&) override { return true; }
    std::string what() const override { return "PNG"; }
    int workers() const override { return std::max(1u, std::thread::hardware_concurrency()); }

  private:
    std::string dir, shown;
    bool overwrite;
    int width = 0, height = 0;
};

class Y4MStream : public Output {
  public:
    bool open(int w, int h, std::string& error) override {
        width = w;
        height = h;
        std::fputs(y4mHeader(w, h, fps).c_str(), stdout);
        return flushed(error);
    }
    bool prepare(PipelineFrame& f, std::string&) override {
        f.work.resize(y4mFrameBytes(width, height));
        y4mFrame(f.rgb.data(), width, height, f.work.data());
        return true;
    }
    bool deliver(PipelineFrame& f, std::string& error) override {
        if (std::fwrite(f.work.data(), 1, f.work.size(), stdout) == f.work.size()) return true;
        error = std::string("cannot write the stream: ") + std::strerror(errno);
        return false;
    }
    bool close(std::string& error) override { return flushed(error); }
    std::string what() const override { return "YUV4MPEG2"; }
    int workers() const override { return std::max(1u, std::thread::hardware_concurrency()); }

    int fps = 60;

  private:
    static bool flushed(std::string& error) {
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
        error = std::string("cannot write the stream: ") + std::strerror(errno);
        return false;
    }
    int width = 0, height = 0;
};

// The frames through the video writer; after each frame, the music up to its
// end, from the show time of the first frame on, and silence after the
// music's end.
class VideoFile : public Output {
  public:
    VideoFile(const std::string& path, const std::string& name, int fps, const std::string& music)
        : path(path), name(name), fps(fps), music(music) {}

    bool open(int w, int h, std::string& error) override {
        if (!music.empty() && !decoder.open(music, VideoWriter::audioRate, error)) {
            error =
                "cannot decode the music " + music + ": " + error + " (--mute makes a video without sound)";
            return false;
        }
        samples.assign(2 * block, 0.0f);
        return writer.open(path, w, h, fps, !music.empty(), error) || failed(error);
    }

    bool prepare(PipelineFrame&, std::string&) override { return true; }

    bool deliver(PipelineFrame& f, std::string& error) override {
        if (!writer.writeFrame(f.rgb.data(), error)) return failed(error);
        if (music.empty()) return true;
        if (f.index == 0) decoder.seek(f.time / 1000.0);
        const int64_t until = ((f.index + 1) * VideoWriter::audioRate + fps / 2) / fps;
        while (sent < until) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(block, until - sent));
            const size_t got = decoder.read(samples.data(), n);
            std::fill(samples.begin() + static_cast<std::ptrdiff_t>(2 * got),
                      samples.begin() + static_cast<std::ptrdiff_t>(2 * n), 0.0f);
            if (!writer.writeAudio(samples.data(), n, error)) return failed(error);
            sent += static_cast<int64_t>(n);
        }
        return true;
    }

    bool close(std::string& error) override {
        // Nothing drawn (stopped at once): no file that looks like a film.
        if (writer.framesWritten() == 0) {
            writer.discard();
            return true;
        }
        return writer.close(error) || failed(error);
    }
    void discard() override { writer.discard(); }

    std::string what() const override {
        return "video " + writer.videoCodec() + (music.empty() ? "" : " + audio " + writer.audioCodec());
    }

  private:
    bool failed(std::string& error) const {
        error = "cannot write " + name + ": " + error;
        return false;
    }

    static const size_t block = 4096;
    std::string path, name;
    int fps;
    std::string music;
    VideoWriter writer;
    MusicDecoder decoder;
    std::vector<float> samples;
    int64_t sent = 0; // audio frames handed to the writer
};

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
        if (now > job.to) break;
        stepFrame();
        (now >= job.from ? draw : skip) += 1;
        if (engine.ended || (job.toEnd && nothingLeft())) break;
        timer.getTime();
    }
    rewindTo(0, job.fps);
}

std::unique_ptr<Output> makeOutput(const RenderJob& job) {
    if (videoFormat(job.out) != VideoFormat::None)
        return std::make_unique<VideoFile>(job.out, job.shownName.empty() ? job.out : job.shownName, job.fps,
                                           job.music);
    if (job.out == "-") {
        auto stream = std::make_unique<Y4MStream>();
        stream->fps = job.fps;
        return stream;
    }
    return std::make_unique<PngFolder>(job.out, job.shownName.empty() ? job.out : job.shownName,
                                       job.overwrite);
}

} // namespace

int renderShow(const RenderJob& job, Offscreen& frame, std::vector<double>* frameMs) {
    const std::string name = job.out == "-" ? "the stream" : job.shownName.empty() ? job.out : job.shownName;
    std::unique_ptr<Output> output = makeOutput(job);

    // The workers (and the encoders' own threads) leave the stop signals to
    // this thread.
    sigset_t stops, before;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    std::string error;
    FramePipeline pipeline;
    const bool opened = output->open(frame.width, frame.height, error);
    if (opened) pipeline.start(*output, output->workers(), output->workers() + 2);
    stopSignal = 0;
    catchStops();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
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
    while (!stopSignal) {
        const int32_t now = timer.elapsed;
        if (now > job.to) break;
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
        }
        progress.update(skipped, drawn);
        if (over) break;
        timer.getTime();
    }

    failed = !pipeline.finish(error) || failed;
    const int64_t written = pipeline.delivered();
    if (!failed && output->close(error)) {
        progress.done();
        if (stopSignal) {
            std::fprintf(stderr, "tamarack: stopped: %lld frames written to %s\n",
                         static_cast<long long>(written), name.c_str());
            return 128 + stopSignal;
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
