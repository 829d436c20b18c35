#include "assets/gfx.h"
#include "base/config.h"
#include "base/engine.h"
#include "base/timer.h"
#include "cli/modes.h"
#include "engine/dev_session.h"
#include "engine/sound.h"
#include "render/camera.h"
#include "render/effect.h"
#include "render/texture_upload.h"
#include "script/script.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <SDL.h>
#include <chrono>
#include <thread>

namespace {

const std::string kShow = "@sync\n"
                          "0 track 3 type 1 object red.jpg duration 10.0 move 0 0 to 400 300 opacity 0 to 1\n"
                          "1.0 track 2 type 1 object blue.jpg duration 4.0 scale 1 1 1 to 3 3 1 center\n"
                          "2.5 track 1 type 1 object green.jpg duration 0.5 move 500 20\n";

// The same show, the red layer now green from the start.
const std::string kEdited =
    "@sync\n0 track 3 type 1 object green.jpg" + kShow.substr(kShow.find(" duration"));

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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
        ASSERT_TRUE(inShow.ok);
        script.reset();
        engine = CMain{};
        ASSERT_TRUE(loadScript(Options{}));
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
        GLTest::TearDown();
    }
    void draw() {
        effect.DrawGLScene();
        grab();
    }
    // Seeks, pauses and draws the frame.
    void holdAt(int32_t ms) {
        dev.seek(ms);
        dev.togglePause();
        draw();
    }
    // Rewrites the script so that its modification time surely differs.
    void save(const std::string& text) {
        sleepMs(20);
        show.script(text);
    }

    TempShow show;
    InDir inShow{show.dir()};
};

TEST_F(Dev, SeekShowsTheFrameOfAShotAtTheSameTime) {
    // Forward, back and forward again, each compared with a fresh process.
    for (const char* seconds : {"1.234", "0", "4.5", "2.6"}) {
        const int32_t ms = secondsToMs(std::stod(seconds));
        dev.seek(ms);
        EXPECT_EQ(timer.elapsed, ms);
        draw();
        const RunResult r = runTamarack({"--shot", seconds, "shot.png", "--fps", "60"}, show.dir());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(readPNG(show.dir() + "/shot.png").rgb == rgb)
            << "a seek to " << seconds << " s differs from --shot";
    }
    // A film rendered with --start begins with that frame.
    ASSERT_EQ(runTamarack({"--render", "film", "--start", "2.6", "--to", "2.6"}, show.dir()).status, 0);
    EXPECT_TRUE(readPNG(show.dir() + "/film/frame-000000.png").rgb == readPNG(show.dir() + "/shot.png").rgb);
}

TEST_F(Dev, KeysSeekPauseAndRestart) {
    dev.seek(10000);
    dev.togglePause();
    const struct {
        SDL_Keycode key;
        uint16_t mod;
        int32_t expected;
    } cases[] = {
        {SDLK_LEFT, 0, 5000}, {SDLK_RIGHT, KMOD_LSHIFT, 6000},     {SDLK_LEFT, KMOD_RSHIFT, 5000},
        {SDLK_LEFT, 0, 0},    {SDLK_LEFT, 0, 0} /*never below 0*/, {SDLK_RIGHT, 0, 5000},
        {SDLK_HOME, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(dev.key(c.key, c.mod));
        EXPECT_EQ(timer.elapsed, c.expected) << "key " << c.key << " mod " << c.mod;
        EXPECT_TRUE(dev.paused); // a seek keeps the show paused
    }
    EXPECT_FALSE(dev.key(SDLK_ESCAPE, 0));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(dev.handle(quit));
    EXPECT_EQ(CDev::title(12340, 60), "Tamarack - 12.34 s - 60 fps");
    EXPECT_EQ(CDev::title(5, 59, true), "Tamarack - 0.01 s - 59 fps - paused");
}

TEST_F(Dev, PauseHoldsTheClock) {
    holdAt(1500);
    const std::vector<uint8_t> before = rgb;
    sleepMs(1000);
    dev.tick();
    EXPECT_EQ(timer.elapsed, 1500);
    draw();
    EXPECT_TRUE(before == rgb) << "two paused frames a second apart differ";
    // Resumed, the clock goes on from where it stood.
    dev.togglePause();
    sleepMs(200);
    dev.tick();
    EXPECT_GE(timer.elapsed, 1650);
    EXPECT_LT(timer.elapsed, 2500);
}

TEST_F(Dev, ReloadShowsTheEditAtTheCurrentTime) {
    // At 3.2 s the red layer is a third faded in, its corner near (128, 96).
    holdAt(3200);
    EXPECT_EQ(pixel(5, 475), (RGB{0, 0, 0}));
    const RGB before = pixel(148, 363);
    EXPECT_GT(before[0], 60);
    EXPECT_LT(before[1], 30);
    // Saved, the edit is picked up once the folder holds still.
    EXPECT_FALSE(dev.poll());
    save(kEdited);
    bool reloaded = false;
    for (int i = 0; i < 20 && !reloaded; ++i) {
        sleepMs(100);
        reloaded = dev.poll();
    }
    EXPECT_TRUE(reloaded);
    EXPECT_EQ(timer.elapsed, 3200);
    draw();
    const RGB after = pixel(148, 363); // green, faded in as far
    EXPECT_LT(after[0], 30);
    EXPECT_GT(after[1], 60);
}

TEST_F(Dev, ABrokenScriptKeepsTheOldShowAndPrintsWhy) {
    holdAt(3200);
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
}

// A mono 16-bit WAV of `seconds` of a quiet square wave.
std::string wav(int seconds) {
    const uint32_t rate = 22050, samples = rate * static_cast<uint32_t>(seconds);
    auto u16 = [](uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; };
    auto u32 = [&](uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    std::string w = "RIFF" + u32(36 + samples * 2) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
                    u32(rate * 2) + u16(2) + u16(16) + "data" + u32(samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        w += u16((i / 50) % 2 ? 3000 : 0x10000 - 3000);
    return w;
}

TEST_F(Dev, MusicFollowsSeeksAndPause) {
    show.write("long.wav", wav(40));
    // A WAV file, and a module (decoded by libopenmpt, which seeks exactly).
    const std::string tracks[] = {"data/long.wav", std::string(TAMARACK_SOURCE_DIR) + "/data/theme.xm"};
    for (const std::string& file : tracks) {
        einit.soundOn = 1;
        sound.init(file.c_str());
        sound.playFrom(0);
        for (int32_t ms : {20000, 3000, 31000, 0}) {
            dev.seek(ms);
            EXPECT_NEAR(sound.position(), ms / 1000.0, 0.25) << file << " after a seek to " << ms;
        }
        dev.togglePause();
        const double held = sound.position();
        sleepMs(400);
        EXPECT_NEAR(sound.position(), held, 0.05) << file << ": the music went on while paused";
        dev.seek(7000);
        EXPECT_NEAR(sound.position(), 7.0, 0.25) << file;
        dev.togglePause();
        sleepMs(500);
        EXPECT_GT(sound.position(), 7.2) << file << ": the music did not resume";
        sound.exit();
        einit.soundOn = 0;
    }
}

} // namespace
