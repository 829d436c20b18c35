// Offline music decoding: the click of a test file comes out on its frame,
// seeks land where decoding through lands, and files that the live show
// cannot play are refused with the reason.
#include "assets/music_decode.h"
#include "support/make_audio.h"
#include "support/media.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

// Every allocation through operator new in this program, libopenmpt's
// included. (Kept out of line, so that the compiler sees no free() of what
// new returned.)
std::atomic<long> allocations{0};
__attribute__((noinline)) void* operator new(size_t n) {
    ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {

// Makes data/NAME in the show folder; false when a tool failed.
using Maker = std::function<bool(const TempShow&, const std::string& name)>;

// 3 s at `rate` with the click at 2.000 s, converted by ffmpeg with `args`.
Maker converted(int rate, int channels, const std::string& args) {
    return [=](const TempShow& show, const std::string& name) {
        return writeClickFile(show.data(name), rate, channels, 3.0, 2.0, args);
    };
}

Maker bytes(const std::string& content) {
    return [=](const TempShow& show, const std::string& name) {
        show.write(name, content);
        return true;
    };
}

struct ClickFile {
    const char* name;
    Maker make;
    double length;    // seconds, as the file says
    bool exactLength; // whether decoding gives exactly that many frames
    float onsetLevel; // of the peak: where the click starts (a lossy codec rings a little before it)
};

const ClickFile clickFiles[] = {
    // The encoders' delay and padding are dropped: 3 s in, 3 s out.
    {"click.ogg", converted(44100, 2, "-c:a libvorbis"), 3.0, true, 1 / 3.0f},
    {"CLICK.MP3", converted(44100, 2, "-c:a libmp3lame -b:a 192k"), 3.0, true, 1 / 3.0f},
    {"mono.mp3", converted(48000, 1, "-c:a libmp3lame"), 3.0, true, 1 / 3.0f},
    // Rendered, not coded: silence up to the note, which libopenmpt ramps
    // up; the last row's tail follows the pattern's end.
    {"click.it", bytes(clickModule(20)), 6.4, false, 1e-4f},
};

} // namespace

TEST(MusicDecode, TheClickComesOutOnItsFrameAndSeeksLandWhereDecodingLands) {
    for (const ClickFile& f : clickFiles) {
        TempShow show;
        ASSERT_TRUE(f.make(show, f.name)) << f.name;
        // (A module's ticks are whole frames at these rates; at others
        // libopenmpt rounds each tick, live as well.)
        std::vector<float> pcm;
        std::string error;
        for (int rate : {44100, 48000}) {
            ASSERT_TRUE(decodeMusic(show.data(f.name), rate, pcm, error)) << f.name << ": " << error;
            const long at = static_cast<long>(firstLoudSample(pcm, f.onsetLevel));
            EXPECT_EQ(at, 2 * rate) << f.name << " at " << rate << " Hz";
            if (f.exactLength) {
                EXPECT_EQ(pcm.size(), static_cast<size_t>(f.length * rate) * 2) << f.name;
            }
            // Both loudspeakers play it, a mono file included.
            EXPECT_FLOAT_EQ(pcm[at * 2], pcm[at * 2 + 1]) << f.name;
        }
        MusicDecoder music;
        ASSERT_TRUE(music.open(show.data(f.name), 48000, error)) << error;
        EXPECT_NEAR(music.duration(), f.length, 0.05) << f.name;
        std::vector<float> block(2 * 9600);
        ASSERT_EQ(music.read(block.data(), 1000), 1000u);
        // Forward, back, and forward again, in the middle of blocks.
        for (double t : {1.99, 0.25, 1.995}) {
            ASSERT_TRUE(music.seek(t)) << f.name << " " << t;
            const size_t at = static_cast<size_t>(std::lround(t * 48000));
            EXPECT_EQ(music.position(), static_cast<int64_t>(at));
            ASSERT_EQ(music.read(block.data(), 9600), 9600u) << f.name << " " << t;
            EXPECT_TRUE(std::equal(block.begin(), block.end(), pcm.begin() + 2 * at)) << f.name << " " << t;
        }
        EXPECT_TRUE(music.seek(100));
        EXPECT_EQ(music.read(block.data(), 10), 0u) << f.name;
    }
}

TEST(MusicDecode, ReadingAllocatesNothingAfterTheFirstBlock) {
    for (const ClickFile& f : clickFiles) {
        TempShow show;
        ASSERT_TRUE(f.make(show, f.name)) << f.name;
        MusicDecoder music;
        std::string error;
        ASSERT_TRUE(music.open(show.data(f.name), 44100, error)) << error;
        float block[2 * 441];
        ASSERT_EQ(music.read(block, 441), 441u);
        // Up to half a second before the end (libopenmpt allocates a few
        // bytes once when the song ends).
        const long before = allocations;
        for (int i = 1; i < static_cast<int>((f.length - 0.5) * 100); ++i)
            ASSERT_EQ(music.read(block, 441), 441u) << f.name;
        EXPECT_EQ(allocations - before, 0) << f.name;
    }
}

TEST(MusicDecode, FilesTheShowCannotPlayAreRefusedWithTheReason) {
    const struct {
        const char* name;
        Maker make;
        const char* reason;
    } cases[] = {
        {"opus.ogg", converted(48000, 2, "-c:a libopus"),
         "it holds an Opus stream, not Ogg Vorbis: convert it, e.g. ffmpeg -i IN -c:a libvorbis OUT.ogg"},
        {"layer2.mp3", converted(48000, 2, "-c:a mp2 -f mp2"), "it holds an MPEG layer II stream, not MP3"},
        {"vorbis.mp3", converted(48000, 2, "-c:a libvorbis -f ogg"),
         "it holds an Ogg Vorbis stream, not MP3"},
        {"noise.ogg", bytes(std::string(4000, '\x55')), "it is no Ogg Vorbis file FFmpeg can read ("},
        {"noise.xm", bytes(std::string(4000, '\x55')),
         "it is no module libopenmpt can read (error loading file)"},
        {"missing.ogg", nullptr, "No such file or directory"},
        {"missing.s3m", nullptr, "No such file or directory"},
        {"song.wav", bytes(wavBytes(8000, 1, std::vector<int16_t>(800))),
         "only .mp3, .ogg, .xm, .it, .mod and .s3m"},
    };
    for (const auto& c : cases) {
        TempShow show;
        if (c.make) {
            ASSERT_TRUE(c.make(show, c.name)) << c.name;
        }
        MusicDecoder music;
        std::string error;
        EXPECT_FALSE(music.open(show.data(c.name), 48000, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_FALSE(music.isOpen());
        float frame[2];
        EXPECT_EQ(music.read(frame, 1), 0u);
    }
}
