#include "assets/music_decode.h"
#include "support/make_audio.h"
#include "support/media.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <tuple>

// Every allocation through operator new (out of line, so that none is elided).
std::atomic<long> allocations{0};
__attribute__((noinline)) void* operator new(size_t n) {
    ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// The library's temporary buffers (std::stable_sort) take the nothrow form and
// give it back through operator delete: it must come from malloc too.
__attribute__((noinline)) void* operator new(size_t n, const std::nothrow_t&) noexcept {
    ++allocations;
    return std::malloc(n ? n : 1);
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {

// data/NAME: `bytes`, or 3 s with a click at 2 s made by ffmpeg `args`; false if it failed.
struct Music {
    const char* name;
    int rate, channels;
    const char* args;
    std::string bytes = {};
    bool make(const TempShow& show) const {
        if (args) return writeClickFile(show.data(name), rate, channels, 3.0, 2.0, args);
        show.write(name, bytes);
        return true;
    }
};

} // namespace

TEST(MusicDecode, ClickOnItsFrameSeeksLandWhereDecodingLandsNoAllocationWhileReading) {
    const Music files[] = {
        {"click.ogg", 44100, 2, "-c:a libvorbis"},
        {"CLICK.MP3", 44100, 2, "-c:a libmp3lame -b:a 192k"},
        {"mono.mp3", 48000, 1, "-c:a libmp3lame"},
        {"click.it", 0, 0, nullptr, clickModule(20)},
    };
    for (const Music& f : files) {
        TempShow show;
        ASSERT_TRUE(f.make(show)) << f.name;
        // A module's last row rings on after its pattern, its note ramped up.
        const double length = f.args ? 3.0 : 6.4;
        std::vector<float> pcm;
        std::string error;
        for (int rate : {44100, 48000}) {
            ASSERT_TRUE(decodeMusic(show.data(f.name), rate, pcm, error)) << f.name << ": " << error;
            const long at = static_cast<long>(firstLoudSample(pcm, f.args ? 1 / 3.0f : 1e-4f));
            EXPECT_EQ(at, 2 * rate) << f.name << " at " << rate << " Hz";
            if (f.args) {
                EXPECT_EQ(pcm.size(), static_cast<size_t>(length * rate) * 2) << f.name;
            }
            // Both loudspeakers play it, a mono file included.
            EXPECT_FLOAT_EQ(pcm[at * 2], pcm[at * 2 + 1]) << f.name;
        }
        MusicDecoder music;
        ASSERT_TRUE(music.open(show.data(f.name), 48000, error)) << error;
        EXPECT_NEAR(music.duration(), length, 0.05) << f.name;
        std::vector<float> block(2 * 9600);
        ASSERT_EQ(music.read(block.data(), 1000), 1000u);
        // No allocation after the first block, up to half a second before the end.
        const long before = allocations;
        for (int i = 1; i < static_cast<int>((length - 0.5) * 100); ++i)
            ASSERT_EQ(music.read(block.data(), 480), 480u) << f.name;
        EXPECT_EQ(allocations - before, 0) << f.name;
        // Back, forward, back and forward again, in the middle of blocks.
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

TEST(MusicDecode, FilesTheShowCannotPlayAreRefusedWithTheReason) {
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"noise.xm", std::string(4000, 'U'), "it is no module libopenmpt can read (error loading file)"},
        {"missing.s3m", "", "No such file or directory"},
        {"song.wav", wavBytes(8000, 1, std::vector<int16_t>(800)),
         "only .mp3, .ogg, .xm, .it, .mod and .s3m"},
    };
    for (const auto& [name, bytes, reason] : cases) {
        TempShow show;
        if (!bytes.empty()) show.write(name, bytes);
        MusicDecoder music;
        std::string error;
        EXPECT_FALSE(music.open(show.data(name), 48000, error)) << name;
        EXPECT_NE(error.find(reason), std::string::npos) << name << ": " << error;
        EXPECT_FALSE(music.isOpen());
        float frame[2];
        EXPECT_EQ(music.read(frame, 1), 0u);
    }
}
