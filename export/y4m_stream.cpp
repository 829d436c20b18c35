#include "export/frame_output.h"
#include "export/y4m.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

class Y4MStream : public FrameOutput {
  public:
    explicit Y4MStream(int fps) : fps(fps) {}

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

  private:
    static bool flushed(std::string& error) {
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
        error = std::string("cannot write the stream: ") + std::strerror(errno);
        return false;
    }
    int fps;
    int width = 0, height = 0;
};

} // namespace

std::unique_ptr<FrameOutput> y4mStreamOutput(int fps) {
    return std::make_unique<Y4MStream>(fps);
}
