// Live runs (xvfb-run, SDL's disk audio driver) of a show that ends at 1.5 s.
#include "support/make_audio.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

// Runs the live show in a virtual X display; SDL's disk driver writes what
// would be played to audio.raw; timeout stops a show that does not end.
std::string runLive(const TempShow& show, const std::string& extra = "") {
    const std::string audio = show.dir() + "/audio.raw";
    const int st = std::system(("cd '" + show.dir() + "' && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" +
                                audio + "' timeout -k 2 15 xvfb-run -a " TAMARACK_BIN " --window " + extra)
                                   .c_str());
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << extra;
    return std::filesystem::exists(audio) ? readFile(audio) : "(none)";
}

} // namespace

TEST(Music, EachFormatReallyPlays) {
    for (const char* name : {"tune.ogg", "tune.mp3", "tune.it"}) { // XM: the next test
        TempShow show;
        show.script("@sync\n1500 end\n");
        const std::string ending = std::filesystem::path(name).extension();
        if (ending == ".it")
            show.write(name, clickModule(2));
        else
            ASSERT_TRUE(writeClickFile(show.data(name), 44100, 2, 1.0, 0.2,
                                       ending == ".mp3" ? "-c:a libmp3lame" : "-c:a libvorbis"));
        const std::string raw = runLive(show);
        EXPECT_GT(raw.size(), 44100u) << name; // at least a quarter of a second of 16-bit stereo
        int peak = 0;
        for (size_t i = 0; i + 1 < raw.size(); i += 2)
            peak = std::max(peak, std::abs(int(int16_t(uint8_t(raw[i]) | uint8_t(raw[i + 1]) << 8))));
        EXPECT_GT(peak, 1000) << name << ": the audio written is silent";
    }
}

// The same module, live and with --start 0, gives the same samples for 2 s
// from its first sound on (the device plays silence until the music starts).
TEST(Music, ModulesSoundTheSameLiveAndInTheAuthoringModes) {
    std::string runs[2];
    const char* const modes[] = {"", "--start 0"};
    for (int i = 0; i < 2; ++i) {
        TempShow show;
        show.script("@sync\n3000 end\n");
        show.write("theme.xm", readFile(TAMARACK_SOURCE_DIR "/data/theme.xm"));
        const std::string raw = runLive(show, modes[i]);
        runs[i] = raw.substr(std::min(raw.find_first_not_of('\0'), raw.size()) & ~size_t{3}, 2 * 44100 * 4);
    }
    EXPECT_EQ(runs[0].size(), 2u * 44100 * 4);
    EXPECT_TRUE(runs[0] == runs[1]) << "the live show and --start 0 play the module differently";
}

TEST(Music, WithoutSoundNoAudioDeviceIsOpened) {
    for (const char* script : {"Default !sound\n@sync\n1500 end\n", "@sync\n1500 end\n"}) {
        TempShow show;
        show.script(script);
        show.write("tune.it", clickModule(2));
        EXPECT_EQ(runLive(show, script[0] == '@' ? "--mute" : ""), "(none)") << "the audio device was opened";
    }
}

namespace {

// A live show of a 30 s Ogg that ends by "end" at 10.0 s, on SDL's disk audio
// device (it takes a buffer of 2048 frames, 46 ms, then waits
// SDL_DISKAUDIODELAY ms: 46 by default, 23 is a device twice as fast as the
// system clock, 92 one half as fast), and the music the device has taken by
// the end, in seconds. It holds one buffer beyond what the listener has heard,
// and may have taken one more while it was being closed.
struct ClockCase {
    const char* name;
    const char* delay; // SDL_DISKAUDIODELAY, empty: the driver's own
    const char* clock; // --clock
    double low, high;  // the music taken, in s
};

const ClockCase kClockCases[] = {
    // Following the music: 10.0 s heard, within 60 ms, and two buffers.
    {"MusicClock", "", "music", 9.94, 10.153},
    {"MusicClockFastDevice", "23", "music", 9.94, 10.153},
    {"MusicClockSlowDevice", "92", "music", 9.94, 10.153},
    // The system clock alone: the device takes what its own clock says in
    // 10 s of ticks (a loaded machine's device oversleeps and takes less).
    {"TickClock", "", "ticks", 9.0, 10.2},
    {"TickClockFastDevice", "23", "ticks", 14.0, 20.2},
    {"TickClockSlowDevice", "92", "ticks", 3.5, 5.2},
};

void PrintTo(const ClockCase& c, std::ostream* os) {
    *os << c.name;
}

class LiveClock : public testing::TestWithParam<ClockCase> {};

TEST_P(LiveClock, MusicTakenWhenTheShowEndsAtTenSeconds) {
    const ClockCase& c = GetParam();
    TempShow show;
    show.script("@sync\n10.0 end\n");
    ASSERT_TRUE(writeClickFile(show.data("tune.ogg"), 44100, 2, 30.0, 0.2, "-c:a libvorbis"));
    const std::string audio = show.dir() + "/audio.raw";
    const std::string delay = *c.delay ? std::string("SDL_DISKAUDIODELAY=") + c.delay + " " : "";
    const int st =
        std::system(("cd '" + show.dir() + "' && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + audio + "' " +
                     delay + "timeout -k 2 90 xvfb-run -a " TAMARACK_BIN " --window --clock " + c.clock)
                        .c_str());
    ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    const double taken = static_cast<double>(std::filesystem::file_size(audio)) / (4 * 44100);
    EXPECT_GE(taken, c.low) << c.name;
    EXPECT_LE(taken, c.high) << c.name;
    std::printf("%s: %.3f s of music taken at the end\n", c.name, taken);
}

INSTANTIATE_TEST_SUITE_P(Music, LiveClock, testing::ValuesIn(kClockCases),
                         [](const testing::TestParamInfo<ClockCase>& i) {
                             return std::string(i.param.name);
                         });

} // namespace
