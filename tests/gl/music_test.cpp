// Live runs (xvfb-run, SDL's disk audio driver) of a show that ends at 1.5 s.
#include "support/temp_dir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

std::string u8(unsigned v) {
    return std::string(1, char(v & 0xFF));
}
std::string u16(unsigned v) {
    return u8(v) + u8(v >> 8);
}
std::string u32(uint32_t v) {
    return u16(v & 0xFFFF) + u16(v >> 16);
}
std::string padded(const std::string& s, size_t n) {
    return (s + std::string(n, '\0')).substr(0, n);
}

// An Impulse Tracker module in sample mode: one pattern, one looped 32-sample
// square wave, and a single C-5 on the first row.
std::string itModule() {
    const uint32_t sampleHeader = 192 + 2 + 4 + 4, pattern = sampleHeader + 80;
    const std::string rows = u8(0x81) + u8(0x03) + u8(60) + u8(1) + u8(0) + std::string(63, '\0');
    std::string m = "IMPM" + padded("tone", 26) + u16(0x1004) + u16(2) + u16(0) + u16(1) + u16(1) +
                    u16(0x0214) + u16(0x0200) + u16(0x0009) + u16(0) + u8(128) + u8(48) + u8(6) + u8(125) +
                    u8(128) + u8(0) + u16(0) + u32(0) + u32(0);
    m += std::string(64, char(32)) + std::string(64, char(64)); // channel pan and volume
    m += u8(0) + u8(255) + u32(sampleHeader) + u32(pattern);    // orders: pattern 0, end
    m += "IMPS" + padded("square.raw", 12) + u8(0) + u8(64) + u8(0x11) + u8(64) + padded("square", 26) +
         u8(1) + u8(0) + u32(32) + u32(0) + u32(32) + u32(8363) + u32(0) + u32(0) +
         u32(pattern + 8 + uint32_t(rows.size())) + u32(0);
    m += u16(uint32_t(rows.size())) + u16(64) + u32(0) + rows;
    return m + std::string(16, char(80)) + std::string(16, char(-80));
}

// One second of a 440 Hz tone made by sox.
std::string soxTone(const TempShow& show, const std::string& name) {
    const std::string path = show.dir() + "/" + name;
    if (std::system(("sox -n -r 44100 -c 2 '" + path + "' synth 1 sine 440 2>/dev/null").c_str()) != 0)
        return "";
    return readFile(path);
}

// Runs the live show in a virtual X display; SDL's disk driver writes what
// would be played to `audioFile`. Should the show not end by itself, timeout
// stops the whole process group after 15 s.
int runLive(const TempShow& show, const std::string& audioFile, const std::string& extra = "") {
    const int st =
        std::system(("cd '" + show.dir() + "' && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + audioFile +
                     "' timeout -k 2 15 xvfb-run -a " TAMARACK_BIN " --window " + extra)
                        .c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

constexpr const char* kShortShow = "@sync\n1500 end\n";

} // namespace

TEST(Music, EachFormatReallyPlays) {
    for (const char* name : {"tune.ogg", "tune.mp3", "tune.xm", "tune.it"}) {
        TempShow show;
        show.script(kShortShow);
        const std::string ending = std::filesystem::path(name).extension();
        const std::string music = ending == ".it"   ? itModule()
                                  : ending == ".xm" ? readFile(TAMARACK_SOURCE_DIR "/data/theme.xm")
                                                    : soxTone(show, "tone" + ending);
        ASSERT_FALSE(music.empty()) << name << ": could not make the file";
        show.write(name, music);
        const std::string audio = show.dir() + "/audio.raw";
        EXPECT_EQ(runLive(show, audio), 0) << name;
        const std::string raw = readFile(audio);
        EXPECT_GT(raw.size(), 44100u) << name; // at least a quarter of a second of 16-bit stereo
        int peak = 0;
        for (size_t i = 0; i + 1 < raw.size(); i += 2)
            peak = std::max(peak, std::abs(int(int16_t(uint8_t(raw[i]) | uint8_t(raw[i + 1]) << 8))));
        EXPECT_GT(peak, 1000) << name << ": the audio written is silent";
    }
}

// The same module, played by the live show and by the authoring mode from 0,
// gives the same samples from its first sound on (the device plays silence
// until the music starts), for 2 s.
TEST(Music, ModulesSoundTheSameLiveAndInTheAuthoringModes) {
    std::string runs[2];
    const char* const modes[] = {"", "--start 0"};
    for (int i = 0; i < 2; ++i) {
        TempShow show;
        show.script("@sync\n3000 end\n");
        show.write("theme.xm", readFile(TAMARACK_SOURCE_DIR "/data/theme.xm"));
        ASSERT_EQ(runLive(show, show.dir() + "/audio.raw", modes[i]), 0) << modes[i];
        const std::string raw = readFile(show.dir() + "/audio.raw");
        runs[i] = raw.substr(std::min(raw.find_first_not_of('\0'), raw.size()) & ~size_t{3}, 2 * 44100 * 4);
    }
    EXPECT_EQ(runs[0].size(), 2u * 44100 * 4);
    EXPECT_TRUE(runs[0] == runs[1]) << "the live show and --start 0 play the module differently";
}

TEST(Music, WithoutSoundNoAudioDeviceIsOpened) {
    const struct {
        const char* script;
        const char* args;
    } cases[] = {{"Default !sound\n@sync\n1500 end\n", ""}, {kShortShow, "--mute"}};
    for (const auto& c : cases) {
        TempShow show;
        show.script(c.script);
        show.write("tune.it", itModule());
        const std::string audio = show.dir() + "/audio.raw";
        EXPECT_EQ(runLive(show, audio, c.args), 0) << c.script;
        EXPECT_FALSE(std::filesystem::exists(audio)) << c.script << ": the audio device was opened";
    }
}
