#include "assets/gfx.h"
#include "engine/config.h"
#include "engine/dev_session.h"
#include "engine/engine.h"
#include "engine/modes.h"
#include "engine/sound.h"
#include "engine/timer.h"
#include "render/camera.h"
#include "render/effect.h"
#include "script/script.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <SDL.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <png.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* kShow = "@sync\n"
                    "0 track 3 type 1 object red.jpg duration 10.0 move 0 0 to 400 300 opacity 0 to 1\n"
                    "1.0 track 2 type 1 object blue.jpg duration 4.0 scale 1 1 1 to 3 3 1 center\n"
                    "2.5 track 1 type 1 object green.jpg duration 0.5 move 500 20\n";

// The same show, the red layer now green from the start.
const char* kEdited = "@sync\n"
                      "0 track 3 type 1 object green.jpg duration 10.0 move 0 0 to 400 300 opacity 0 to 1\n"
                      "1.0 track 2 type 1 object blue.jpg duration 4.0 scale 1 1 1 to 3 3 1 center\n"
                      "2.5 track 1 type 1 object green.jpg duration 0.5 move 500 20\n";

std::vector<uint8_t> readPNG(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) return {};
    return rgb;
}

// The show loaded as the live program loads it, in an offscreen frame.
class Dev : public GLTest {
  protected:
    void SetUp() override {
        GLTest::SetUp();
        show.write("red.jpg", solidJpeg(64, 64, 255, 0, 0));
        show.write("blue.jpg", solidJpeg(64, 64, 0, 0, 255));
        show.write("green.jpg", solidJpeg(64, 64, 0, 255, 0));
        show.script(kShow);
        ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
        ASSERT_EQ(chdir(show.dir().c_str()), 0);
        script.reset();
        engine = CMain{};
        Options opt;
        ASSERT_TRUE(loadScript(opt));
        einit.soundOn = 0;
        camera.init();
        einit.dir();
        effect.present = false;
        dev = CDev{};
        dev.seek(0);
        dev.watch();
    }
    void TearDown() override {
        gfxClear();
        script.reset();
        ASSERT_EQ(chdir(saved), 0);
        GLTest::TearDown();
    }
    void draw() {
        effect.DrawGLScene();
        grab();
    }
    // Rewrites the script so that its modification time surely differs.
    void save(const char* text) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        show.script(text);
    }

    TempShow show;
    char saved[4096];
};

TEST_F(Dev, SeekShowsTheFrameOfAShotAtTheSameTime) {
    // Forward, back and forward again, each compared with a fresh process.
    for (const char* seconds : {"2.6", "1.234", "0", "4.5", "3.0"}) {
        const int32_t ms = secondsToMs(std::stod(seconds));
        dev.seek(ms);
        EXPECT_EQ(timer.elapsed, ms);
        draw();
        const std::string png = show.dir() + "/shot.png";
        const RunResult r = runTamarack({"--shot", seconds, png, "--fps", "60", show.dir()});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<uint8_t> shot = readPNG(png);
        ASSERT_EQ(shot.size(), rgb.size());
        EXPECT_TRUE(shot == rgb) << "the frame after a seek to " << seconds << " s differs from --shot";
    }
}

TEST_F(Dev, RenderStartsAtStart) {
    const std::string out = show.dir() + "/film", png = show.dir() + "/shot.png";
    RunResult r = runTamarack({"--render", out, "--start", "2.6", "--to", "2.6", show.dir()});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runTamarack({"--shot", "2.6", png, show.dir()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> first = readPNG(out + "/frame-000000.png");
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == readPNG(png));
}

TEST_F(Dev, KeysSeekPauseAndRestart) {
    dev.seek(10000);
    dev.togglePause();
    struct Case {
        SDL_Keycode key;
        uint16_t mod;
        int32_t expected;
    } cases[] = {
        {SDLK_LEFT, 0, 5000},
        {SDLK_RIGHT, KMOD_LSHIFT, 6000},
        {SDLK_LEFT, KMOD_RSHIFT, 5000},
        {SDLK_RIGHT, 0, 10000},
        {SDLK_LEFT, 0, 5000},
        {SDLK_LEFT, 0, 0},
        {SDLK_LEFT, 0, 0} /*never below 0*/,
        {SDLK_RIGHT, 0, 5000},
        {SDLK_HOME, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(dev.key(c.key, c.mod));
        EXPECT_EQ(timer.elapsed, c.expected) << "key " << c.key << " mod " << c.mod;
        EXPECT_TRUE(dev.paused); // a seek keeps the show paused
    }
    EXPECT_FALSE(dev.key(SDLK_ESCAPE, 0));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(dev.handle(quit));
}

TEST_F(Dev, PauseHoldsTheClock) {
    dev.seek(1500);
    dev.togglePause();
    draw();
    const std::vector<uint8_t> before = rgb;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    dev.tick();
    EXPECT_EQ(timer.elapsed, 1500);
    draw();
    EXPECT_TRUE(before == rgb) << "two paused frames a second apart differ";
    // Resumed, the clock goes on from where it stood.
    dev.togglePause();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    dev.tick();
    EXPECT_GE(timer.elapsed, 1650);
    EXPECT_LT(timer.elapsed, 2500);
}

TEST_F(Dev, TitleShowsTimeAndFrameRate) {
    EXPECT_EQ(CDev::title(12340, 60), "Tamarack - 12.34 s - 60 fps");
    EXPECT_EQ(CDev::title(0, 0), "Tamarack - 0.00 s - 0 fps");
}

TEST_F(Dev, ReloadShowsTheEditAtTheCurrentTime) {
    dev.seek(3200);
    dev.togglePause();
    draw();
    EXPECT_EQ(pixel(5, 475), (std::array<int, 3>{0, 0, 0})); // the red layer is at 3.2 s somewhere else
    const std::array<int, 3> before = pixel(400 * 32 / 100 + 20, 479 - (300 * 32 / 100 + 20));
    EXPECT_GT(before[0], 60); // red, a third faded in
    EXPECT_LT(before[1], 30);
    save(kEdited);
    EXPECT_TRUE(dev.reload());
    EXPECT_EQ(timer.elapsed, 3200);
    draw();
    const std::array<int, 3> after = pixel(400 * 32 / 100 + 20, 479 - (300 * 32 / 100 + 20));
    EXPECT_LT(after[0], 30); // green, faded in as far
    EXPECT_GT(after[1], 60);
}

TEST_F(Dev, ABrokenScriptKeepsTheOldShowAndPrintsWhy) {
    dev.seek(3200);
    dev.togglePause();
    draw();
    const std::vector<uint8_t> before = rgb;
    save("@sync\n0 track 3 type 1 object missing.jpg duration 10.0\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dev.reload());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("data/script.txt:2: error: "), std::string::npos) << err;
    EXPECT_NE(err.find("missing.jpg"), std::string::npos) << err;
    EXPECT_EQ(timer.elapsed, 3200);
    draw();
    EXPECT_TRUE(before == rgb) << "the old show no longer shows the same frame";
    // The next good save is picked up.
    save(kEdited);
    EXPECT_TRUE(dev.reload());
}

TEST_F(Dev, PollReloadsOnceTheFolderHoldsStill) {
    EXPECT_FALSE(dev.poll()); // nothing changed
    save(kEdited);
    bool reloaded = false;
    for (int i = 0; i < 20 && !reloaded; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reloaded = dev.poll();
    }
    EXPECT_TRUE(reloaded);
    EXPECT_NE(script.commands[0].find("green.jpg"), std::string::npos);
}

// A mono 16-bit WAV of `seconds` of a quiet tone.
std::string wav(int seconds) {
    const uint32_t rate = 22050, samples = rate * static_cast<uint32_t>(seconds);
    auto u16 = [](uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; };
    auto u32 = [&](uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    std::string w = "RIFF" + u32(36 + samples * 2) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
                    u32(rate * 2) + u16(2) + u16(16) + "data" + u32(samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        w += u16(static_cast<uint16_t>(static_cast<int16_t>((i / 50) % 2 ? 3000 : -3000)));
    return w;
}

TEST_F(Dev, MusicFollowsSeeksAndPause) {
    show.write("long.wav", wav(40));
    struct Track {
        std::string file;
        bool exact; // module decoded by libopenmpt
    } tracks[] = {{"data/long.wav", false}, {std::string(TAMARACK_SOURCE_DIR) + "/data/theme.xm", true}};
    for (const Track& t : tracks) {
        einit.soundOn = 1;
        sound.exactSeek = t.exact;
        sound.init(t.file.c_str());
        sound.playFrom(0);
        for (int32_t ms : {20000, 3000, 31000, 0}) {
            dev.seek(ms);
            EXPECT_NEAR(sound.position(), ms / 1000.0, 0.25) << t.file << " after a seek to " << ms;
        }
        dev.togglePause();
        const double held = sound.position();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_NEAR(sound.position(), held, 0.05) << t.file << ": the music went on while paused";
        dev.seek(7000);
        EXPECT_NEAR(sound.position(), 7.0, 0.25) << t.file;
        dev.togglePause();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_GT(sound.position(), 7.2) << t.file << ": the music did not resume";
        sound.exit();
        einit.soundOn = 0;
        sound.exactSeek = false;
    }
}

} // namespace
