#include "support/temp_dir.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// One looped period of a square wave, 8-bit signed: 16 samples up, 16 down.
constexpr int kSampleLength = 32;
int8_t squareSample(int i) {
    return i < kSampleLength / 2 ? 80 : -80;
}

// A Fasttracker II module: one pattern, one instrument with one looped
// square-wave sample, and a single C-4 on the first row.
std::string xmModule() {
    std::string m =
        "Extended Module: " + padded("tone", 20) + "\x1a" + padded("tamarack tests", 20) + u16(0x0104);
    m += u32(276) + u16(1) + u16(0) + u16(2) + u16(1) + u16(1) + u16(1) + u16(6) + u16(125);
    m += std::string(256, '\0');                             // order table: pattern 0
    std::string rows = u8(0x83) + u8(49) + u8(1) + u8(0x80); // C-4, instrument 1; channel 2 empty
    for (int r = 1; r < 64; ++r)
        rows += u8(0x80) + u8(0x80);
    m += u32(9) + u8(0) + u16(64) + u16(uint32_t(rows.size())) + rows;
    std::string ins = u32(263) + padded("square", 22) + u8(0) + u16(1) + u32(40);
    ins += std::string(96 + 48 + 48 + 14 + 2 + 22, '\0'); // keymap, envelopes off, no vibrato or fade-out
    m += ins;
    m += u32(kSampleLength) + u32(0) + u32(kSampleLength) + u8(64) + u8(0) + u8(1) + u8(128) + u8(0) + u8(0) +
         padded("square", 22);
    int8_t previous = 0; // sample data is stored as deltas
    for (int i = 0; i < kSampleLength; ++i) {
        m += u8(uint8_t(squareSample(i) - previous));
        previous = squareSample(i);
    }
    return m;
}

// An Impulse Tracker module in sample mode: one pattern, one looped
// square-wave sample, and a single C-5 on the first row.
std::string itModule() {
    const uint32_t header = 192, orders = 2, sampleHeader = header + orders + 4 + 4,
                   pattern = sampleHeader + 80;
    std::string rows = u8(0x81) + u8(0x03) + u8(60) + u8(1) + u8(0) + std::string(63, '\0');
    const uint32_t sampleData = pattern + 8 + uint32_t(rows.size());
    std::string m = "IMPM" + padded("tone", 26) + u16(0x1004);
    m += u16(orders) + u16(0) + u16(1) + u16(1) + u16(0x0214) + u16(0x0200) + u16(0x0009) + u16(0);
    m += u8(128) + u8(48) + u8(6) + u8(125) + u8(128) + u8(0) + u16(0) + u32(0) + u32(0);
    m += std::string(64, char(32)) + std::string(64, char(64)); // channel pan and volume
    m += u8(0) + u8(255);                                       // orders: pattern 0, end
    m += u32(sampleHeader) + u32(pattern);
    m += "IMPS" + padded("square.raw", 12) + u8(0) + u8(64) + u8(0x11) + u8(64) + padded("square", 26) +
         u8(1) + u8(0) + u32(kSampleLength) + u32(0) + u32(kSampleLength) + u32(8363) + u32(0) + u32(0) +
         u32(sampleData) + u32(0);
    m += u16(uint32_t(rows.size())) + u16(64) + u32(0) + rows;
    for (int i = 0; i < kSampleLength; ++i)
        m += u8(uint8_t(squareSample(i)));
    return m;
}

// One second made by sox: a 440 Hz tone, or silence.
std::string soxFile(const TempShow& show, const std::string& name, bool tone = true) {
    const std::string path = show.dir() + "/" + name;
    const std::string cmd =
        "sox -n -r 44100 -c 2 '" + path + "' " + (tone ? "synth 1 sine 440" : "trim 0 1") + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return "";
    return readFile(path);
}

// Runs the live show in a virtual X display with SDL's disk audio driver,
// which writes what would be played to `audioFile`. The script ends the show
// at 1.5 s; should that not happen the process group is stopped after 6 s.
int runLive(const TempShow& show, const std::string& audioFile, const std::vector<std::string>& extra = {}) {
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(show.dir().c_str()) != 0) _exit(127);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", audioFile.c_str(), 1);
        std::vector<std::string> args = {"xvfb-run", "-a", TAMARACK_BIN, "--window"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp("xvfb-run", argv.data());
        _exit(127);
    }
    setpgid(pid, pid);
    int st = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(6);
    while (waitpid(pid, &st, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGTERM);
            waitpid(pid, &st, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-pid, SIGKILL); // whatever is left of the group
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// The loudest 16-bit sample of what the disk driver wrote.
int peak(const std::string& raw) {
    int best = 0;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        const int16_t s = int16_t(uint8_t(raw[i]) | uint8_t(raw[i + 1]) << 8);
        best = std::max(best, std::abs(int(s)));
    }
    return best;
}

constexpr const char* kShortShow = "@sync\n1500 end\n";

} // namespace

TEST(Music, EachFormatReallyPlays) {
    struct Case {
        const char* name;
        std::string (*make)(const TempShow&);
    } cases[] = {
        {"tune.ogg", [](const TempShow& s) { return soxFile(s, "tone.ogg"); }},
        {"tune.mp3", [](const TempShow& s) { return soxFile(s, "tone.mp3"); }},
        {"tune.xm", [](const TempShow&) { return xmModule(); }},
        {"tune.it", [](const TempShow&) { return itModule(); }},
    };
    for (const Case& c : cases) {
        TempShow show;
        show.script(kShortShow);
        const std::string music = c.make(show);
        ASSERT_FALSE(music.empty()) << c.name << ": could not make the file";
        show.write(c.name, music);
        const std::string audio = show.dir() + "/audio.raw";
        EXPECT_EQ(runLive(show, audio), 0) << c.name;
        const std::string raw = readFile(audio);
        EXPECT_GT(raw.size(), 44100u) << c.name; // at least a quarter of a second of 16-bit stereo
        EXPECT_GT(peak(raw), 1000) << c.name << ": the audio written is silent";
    }
}

TEST(Music, TheAlphabeticallyLastMusicFilePlays) {
    // The tone is a module, the silence an Ogg file; the name decides the order.
    struct Case {
        const char* tone;
        const char* silence;
        bool loud;
    } cases[] = {{"a.xm", "b.ogg", false}, {"b.xm", "a.ogg", true}};
    for (const Case& c : cases) {
        TempShow show;
        show.script(kShortShow);
        const std::string silence = soxFile(show, "silence.ogg", false);
        ASSERT_FALSE(silence.empty());
        show.write(c.tone, xmModule());
        show.write(c.silence, silence);
        const std::string audio = show.dir() + "/audio.raw";
        EXPECT_EQ(runLive(show, audio), 0);
        const std::string raw = readFile(audio);
        EXPECT_GT(raw.size(), 44100u) << c.tone;
        EXPECT_EQ(peak(raw) > 1000, c.loud) << "tone in " << c.tone << ", silence in " << c.silence;
    }
}

TEST(Music, WithoutSoundNoAudioDeviceIsOpened) {
    struct Case {
        const char* what;
        std::string script;
        std::vector<std::string> args;
    } cases[] = {
        {"Default !sound", std::string("Default !sound\n") + kShortShow, {}},
        {"--mute", kShortShow, {"--mute"}},
    };
    for (const Case& c : cases) {
        TempShow show;
        show.script(c.script);
        show.write("tune.xm", xmModule());
        const std::string audio = show.dir() + "/audio.raw";
        EXPECT_EQ(runLive(show, audio, c.args), 0) << c.what;
        EXPECT_FALSE(std::filesystem::exists(audio)) << c.what << ": the audio device was opened";
    }
}
