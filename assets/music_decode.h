#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Which decoder a music file's ending selects (either case): tracker modules
// (.xm .it .mod .s3m) go to libopenmpt, .mp3 and .ogg to FFmpeg; anything
// else is no music file.
enum class MusicKind { None, Module, Mp3, Ogg };
MusicKind musicKind(const std::string& path);

// Decodes one music file offline, without an audio device, into interleaved
// stereo float samples (-1..1) at a rate of the caller's choice.
//
// Timing is sample-exact: what the file holds at t seconds comes out at frame
// round(t * rate), counted from the file's first sample as a player plays it
// (an MP3's encoder delay is dropped as its LAME header says, as FFmpeg's
// skip-samples does; a module starts at its first order). Modules are
// rendered with libopenmpt's default settings, played once, as the live show
// plays them. An .ogg must hold Ogg Vorbis and an .mp3 MPEG layer III: a file
// that holds anything else is refused with the reason, since the live show
// cannot play it either.
//
// read() does no allocation of its own once the first block has been
// decoded; for modules libopenmpt does none either, so a module may be read
// from an audio callback.
class MusicDecoder {
  public:
    MusicDecoder();
    ~MusicDecoder();
    MusicDecoder(const MusicDecoder&) = delete;
    MusicDecoder& operator=(const MusicDecoder&) = delete;

    // Opens path for decoding at `rate` frames per second. On failure returns
    // false with the decoder's reason in plain words in `error` (without the
    // path), and the decoder stays closed.
    bool open(const std::string& path, int rate, std::string& error);
    // Writes up to `frames` stereo frames (2 floats each) and returns how
    // many; fewer only at the end of the music, then 0.
    size_t read(float* interleavedStereo, size_t frames);
    // Sets the position to `seconds` from the start, to the frame. A position
    // before the current one decodes again from the start (there is no exact
    // seek in a compressed stream), a later one decodes up to it; a position
    // after the end leaves the decoder at the end. False when closed or the
    // file cannot be read again.
    bool seek(double seconds);
    // The music's length in seconds as the file tells it (0 when unknown).
    double duration() const;
    // Frames read (or skipped) since the start.
    int64_t position() const { return pos; }
    int rate() const { return sampleRate; }
    bool isOpen() const;
    void close();

    struct Source; // one decoder library's side

  private:
    bool reopen(std::string& error);

    std::unique_ptr<Source> source;
    std::string path;
    MusicKind kind = MusicKind::None;
    int sampleRate = 0;
    int64_t pos = 0;
    std::vector<float> scratch; // what a seek decodes and drops
};

// Decodes the whole file into `samples` (interleaved stereo at `rate`).
// Returns false with the reason in `error` when the file cannot be opened.
bool decodeMusic(const std::string& path, int rate, std::vector<float>& samples, std::string& error);
