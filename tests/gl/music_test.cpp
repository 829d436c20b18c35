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
