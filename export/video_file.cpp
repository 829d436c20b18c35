#include "assets/music_decode.h"
#include "export/frame_output.h"
#include "export/video_writer.h"

#include <algorithm>
#include <vector>

namespace {

// The frames through the video writer; after each frame, the music up to its
// end, from the show time of the first frame on, and silence after the
// music's end.
class VideoFile : public FrameOutput {
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
    bool replacedLink() const override { return writer.replacedLink(); }

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

} // namespace

std::unique_ptr<FrameOutput> videoFileOutput(const std::string& path, const std::string& shown, int fps,
                                             const std::string& music) {
    return std::make_unique<VideoFile>(path, shown, fps, music);
}
