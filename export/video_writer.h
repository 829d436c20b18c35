#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The video file kinds, chosen by the file name's ending (either case).
enum class VideoFormat { None, Mp4, Mkv, WebM };
VideoFormat videoFormat(const std::string& path);

// Encodes frames handed to it as RGB bytes, and optionally 48 kHz stereo
// sound, into one video file with FFmpeg:
//   .mp4  H.264 (libx264) + AAC
//   .mkv  H.264 (libx264) + Opus
//   .webm VP9 (libvpx)    + Opus
// Video is yuv420p (BT.601, limited range) at a constant `fps`; H.264 at
// CRF 18 with the "veryfast" preset, VP9 at CRF 32 in its real-time mode.
//
// Not thread-safe: one thread hands everything, in order. The file is
// written under a temporary name beside its own (base/output_file.h) and
// takes its name only when close() has ended it properly (encoders flushed,
// trailer written): a render that is interrupted closes it as usual and the
// file then plays to its last frame. Until then a file of that name is
// untouched; a writer that is destroyed without close(), or whose close()
// failed, removes its temporary file, so that no file is left that looks
// complete. A symbolic link of that name is replaced by the film, not
// followed.
class VideoWriter {
  public:
    static constexpr int audioRate = 48000;

    VideoWriter();
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Creates the temporary file. On failure returns false with the reason
    // in `error` and leaves no file.
    bool open(const std::string& path, int width, int height, int fps, bool withAudio, std::string& error);
    // One frame: width * height * 3 bytes, top row first.
    bool writeFrame(const uint8_t* rgb, std::string& error);
    // Interleaved stereo floats at audioRate, in order; any amount at a time.
    bool writeAudio(const float* stereo, size_t frames, std::string& error);
    // Flushes the encoders, writes the trailer, closes the file and gives it
    // its name (replacing what was there). On failure the file is removed
    // and the name keeps what it had.
    bool close(std::string& error);
    // Closes and removes the file; the name keeps what it had.
    void discard();

    bool isOpen() const;
    // Of the file opened last, also after close(): the frames encoded, and
    // FFmpeg's names of the codecs ("h264", "aac"; no audio: empty).
    int64_t framesWritten() const { return frames; }
    const std::string& videoCodec() const { return videoName; }
    const std::string& audioCodec() const { return audioName; }
    // Whether the last close() replaced a symbolic link of the file's name.
    bool replacedLink() const { return linkReplaced; }

    struct Impl;

  private:
    std::unique_ptr<Impl> impl;
    int64_t frames = 0;
    std::string videoName, audioName;
    bool linkReplaced = false;
};
