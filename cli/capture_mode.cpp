#include "base/engine.h"
#include "base/timer.h"
#include "cli/modes.h"
#include "engine/offline.h"
#include "render/effect.h"
#include "render/png.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A YUV4MPEG2 stream, 4:2:0 with JPEG chroma siting, full-range BT.601.
class Y4MWriter {
  public:
    Y4MWriter(FILE* out, int w, int h, int fps) : out(out), w(w), h(h) {
        std::fprintf(out, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", w, h, fps);
        cw = (w + 1) / 2;
        ch = (h + 1) / 2;
        y.resize(static_cast<size_t>(w) * h);
        cb.resize(static_cast<size_t>(cw) * ch);
        cr.resize(cb.size());
    }

    bool frame(const std::vector<uint8_t>& rgb) {
        for (size_t i = 0; i < y.size(); ++i) {
            const float r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
            y[i] = clamp(0.299f * r + 0.587f * g + 0.114f * b);
        }
        for (int cy = 0; cy < ch; ++cy) {
            for (int cx = 0; cx < cw; ++cx) {
                float sr = 0, sg = 0, sb = 0;
                int count = 0;
                for (int py = cy * 2; py < std::min(cy * 2 + 2, h); ++py) {
                    for (int px = cx * 2; px < std::min(cx * 2 + 2, w); ++px) {
                        const uint8_t* p = &rgb[(static_cast<size_t>(py) * w + px) * 3];
                        sr += p[0];
                        sg += p[1];
                        sb += p[2];
                        ++count;
                    }
                }
                sr /= count;
                sg /= count;
                sb /= count;
                const size_t i = static_cast<size_t>(cy) * cw + cx;
                cb[i] = clamp(128.0f - 0.168736f * sr - 0.331264f * sg + 0.5f * sb);
                cr[i] = clamp(128.0f + 0.5f * sr - 0.418688f * sg - 0.081312f * sb);
            }
        }
        std::fputs("FRAME\n", out);
        std::fwrite(y.data(), 1, y.size(), out);
        std::fwrite(cb.data(), 1, cb.size(), out);
        std::fwrite(cr.data(), 1, cr.size(), out);
        return !std::ferror(out);
    }

  private:
    static uint8_t clamp(float v) {
        return static_cast<uint8_t>(std::lround(std::min(255.0f, std::max(0.0f, v))));
    }

    FILE* out;
    int w, h, cw = 0, ch = 0;
    std::vector<uint8_t> y, cb, cr;
};

std::string frameName(const std::string& dir, long n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", n);
    return dir + "/" + name;
}

} // namespace

int runShot(const Options& opt) {
    Offscreen frame;
    if (!openOffline(opt, frame)) return 1;
    effect.present = false;
    const int32_t T = secondsToMs(opt.seconds);
    // An "end" before T ends the show; the frame at T is drawn even when it
    // interprets "end".
    if (!simulateUntil(T)) {
        engine.reportEnd();
        return 1;
    }
    effect.DrawGLScene();
    std::vector<uint8_t> rgb;
    frame.readRGB(rgb);
    std::string err;
    if (!writePNG(opt.file, frame.width, frame.height, rgb.data(), err)) {
        std::fprintf(stderr, "tamarack: %s\n", err.c_str());
        return 1;
    }
    return 0;
}

// Every frame of the virtual clock from `from` to `to`. The show ends with the
// frame in which "end" is interpreted, or, without "end", with the first frame
// after the last command in which no record runs; that frame is the last one
// written.
int runRender(const Options& opt) {
    const bool toStream = opt.out == "-";
    if (!toStream) {
        std::error_code ec;
        std::filesystem::create_directories(opt.out, ec);
        if (ec) {
            std::fprintf(stderr, "tamarack: cannot make the folder %s: %s\n", opt.out.c_str(),
                         ec.message().c_str());
            return 1;
        }
    }
    Offscreen frame;
    if (!openOffline(opt, frame)) return 1;
    effect.present = false;

    // --start names the first frame as --from does; --from wins.
    const int32_t from = opt.hasFrom ? secondsToMs(opt.from) : opt.hasStart ? secondsToMs(opt.start) : 0;
    const int32_t to = opt.hasTo ? secondsToMs(opt.to) : INT32_MAX;
    const bool progress = isatty(2);

    std::unique_ptr<Y4MWriter> stream;
    std::vector<uint8_t> rgb;
    long written = 0;
    int status = 0;
    for (;;) {
        const int32_t now = timer.elapsed;
        if (now > to) break;
        const bool draw = now >= from;
        if (draw)
            effect.DrawGLScene();
        else
            stepFrame();
        const bool over = engine.ended || (!opt.hasTo && nothingLeft());
        if (draw) {
            frame.readRGB(rgb);
            if (toStream) {
                if (!stream) stream = std::make_unique<Y4MWriter>(stdout, frame.width, frame.height, opt.fps);
                if (!stream->frame(rgb)) {
                    std::fprintf(stderr, "tamarack: cannot write the stream: %s\n", std::strerror(errno));
                    status = 1;
                    break;
                }
            } else {
                std::string err;
                if (!writePNG(frameName(opt.out, written), frame.width, frame.height, rgb.data(), err)) {
                    std::fprintf(stderr, "tamarack: %s\n", err.c_str());
                    status = 1;
                    break;
                }
            }
            ++written;
            if (progress) std::fprintf(stderr, "\rtamarack: %ld frames, %.3f s", written, now / 1000.0);
        } else if (over) {
            // Nothing left to show before the first frame asked for.
            if (!engine.ended) engine.endedAt = now;
            engine.reportEnd();
            status = 1;
            break;
        }
        if (over) break;
        timer.getTime();
    }
    if (progress && written > 0) std::fputc('\n', stderr);
    std::fflush(stdout);
    return status;
}
