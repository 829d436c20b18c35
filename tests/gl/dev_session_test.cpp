#include "assets/gfx.h"
#include "base/config.h"
#include "base/engine.h"
#include "base/timer.h"
#include "cli/modes.h"
#include "engine/dev_session.h"
#include "engine/scan.h"
#include "engine/sound.h"
#include "render/camera.h"
#include "render/effect.h"
#include "render/texture_upload.h"
#include "script/script.h"
#include "support/gl_fixture.h"
#include "support/make_audio.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
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
        scanData();
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
    // Rewrites the script so that its modification time surely differs.
    void save(const std::string& text) {
        sleepMs(20);
        show.script(text);
    }

    TempShow show;
    InDir inShow{show.dir()};
};

TEST_F(Dev, SeekShowsTheFrameOfAShotAtTheSameTime) {
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
}

// A broken script keeps the old show and says why; a good edit shows at the current time.
TEST_F(Dev, ReloadShowsTheEditAtTheCurrentTimeAndKeepsTheShowOnErrors) {
    dev.seek(3200); // the red layer a third faded in, its corner near (128, 96)
    dev.togglePause();
    draw();
    const std::vector<uint8_t> before = rgb;
    EXPECT_GT(pixel(148, 363)[0], 60);
    EXPECT_FALSE(dev.poll());
    save("@sync\n0 track 3 type 1 object missing.jpg duration 10.0\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dev.reload());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("data/script.txt:2: error: "), std::string::npos) << err;
    draw();
    EXPECT_TRUE(before == rgb) << "the old show no longer shows the same frame";

    save(kEdited);
    bool reloaded = false;
    for (int i = 0; i < 20 && !reloaded; ++i) {
        sleepMs(100);
        reloaded = dev.poll();
    }
    EXPECT_TRUE(reloaded);
    EXPECT_EQ(timer.elapsed, 3200);
    draw();
    EXPECT_TRUE(pixel(148, 363)[0] < 30 && pixel(148, 363)[1] > 60) << "green, faded in as far";
}

// The textures registered under each name, by record.
std::map<std::string, const texture_type*> textureRecords() {
    std::map<std::string, const texture_type*> out;
    for (const texture_type* t = gfx.textures; t; t = t->next)
        out[t->name] = t;
    return out;
}

TEST_F(Dev, AReloadSaysWhatItTookAndLoadsOnlyTheFilesThatChanged) {
    const auto before = textureRecords();
    // A script edit that adds a warning: the script alone is read again.
    save(kShow + "4.0 track 4 type 1 object red.jpg duration 1.0 translate 0 0 -7\n");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(dev.reload());
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "tamarack: reloaded data/script.txt: 4 commands, 0 errors, 1 warnings\n"
        "data/script.txt:5: warning: 'translate' is never read by a picture layer (type 1), which lies in "
        "window pixels: remove it, and place the layer with 'move X Y' or 'center'\n");
    EXPECT_EQ(textureRecords(), before) << "a script edit loaded pictures again";

    // One picture changed: it alone is loaded again, and the frame shows it.
    sleepMs(20);
    show.write("green.jpg", solidJpeg(64, 64, 255, 255, 0));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(dev.reload());
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "tamarack: reloaded data/script.txt: 4 commands, 0 errors, 1 warnings\n"
        "data/script.txt:5: warning: 'translate' is never read by a picture layer (type 1), which lies in "
        "window pixels: remove it, and place the layer with 'move X Y' or 'center'\n");
    const auto after = textureRecords();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after.at("red.jpg"), before.at("red.jpg"));
    EXPECT_EQ(after.at("blue.jpg"), before.at("blue.jpg"));
    EXPECT_EQ(getTextureNum("green.jpg"), 1); // still in its place in name order
    dev.seek(2700);                           // the green layer at (500, 20)
    draw();
    const auto yellow = pixel(530, 480 - 50);
    EXPECT_TRUE(yellow[0] > 200 && yellow[1] > 200 && yellow[2] < 60) << "the changed picture is not shown";
}

TEST_F(Dev, MusicFollowsSeeksAndPause) {
    show.write("long.wav", wavBytes(22050, 1, clickSamples(22050, 1, 40, 1)));
    for (const std::string file : {"data/long.wav", TAMARACK_SOURCE_DIR "/data/theme.xm"}) {
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

namespace {

constexpr int kRate = 44100;
constexpr int64_t kClickEvery = kRate / 2; // frames between two clicks of the music

// `seconds` of a click every half second, as 16-bit stereo samples.
std::vector<int16_t> halfSecondClicks(double seconds) {
    std::vector<int16_t> s;
    for (double at = 0; at < seconds; at += 0.5) {
        const std::vector<int16_t> one = clickSamples(kRate, 2, 0.5, 0);
        s.insert(s.end(), one.begin(), one.end());
    }
    return s;
}

// The device's output, 16-bit stereo: the frame of the last click at or
// before `frame` that lies within the half second before it, or -1.
int64_t clickBefore(const std::string& file, int64_t frame) {
    const int64_t from = std::max<int64_t>(0, frame - kClickEvery + 1);
    std::ifstream in(file, std::ios::binary);
    in.seekg(from * 4);
    std::vector<int16_t> s(static_cast<size_t>(frame - from + 1) * 2);
    in.read(reinterpret_cast<char*>(s.data()), static_cast<std::streamsize>(s.size() * 2));
    for (int64_t i = static_cast<int64_t>(in.gcount() / 4) - 1; i >= 0; --i)
        if (std::abs(s[static_cast<size_t>(i) * 2]) > 12000 && (i == 0 || std::abs(s[(i - 1) * 2]) <= 12000))
            return from + i;
    return -1;
}

} // namespace

// The show's time against the music the disk device was handed, in an MP3
// with a click every half second: each time the device takes a buffer, the
// listener hears the music where that buffer begins, so many ms after the
// click before it. The median difference over a run of buffers, in ms, taken
// modulo the half second (the clicks are alike).
class DevMusic : public Dev {
  protected:
    void SetUp() override {
        Dev::SetUp();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
        show.write("clicks.wav", wavBytes(kRate, 2, halfSecondClicks(40)));
        ASSERT_TRUE(ffmpegConvert(show.data("clicks.wav"), show.data("clicks.mp3"), "-c:a libmp3lame"));
        einit.soundOn = 1;
        sound.init("data/clicks.mp3");
        timer.music = musicHeard;
        sound.playFrom(0);
        dev.seek(0);
    }
    void TearDown() override {
        sound.exit();
        timer.music = nullptr;
        einit.soundOn = 0;
        Dev::TearDown();
    }
    // Runs the clock as the dev loop does for `ms`.
    void run(int ms) {
        for (uint32_t until = SDL_GetTicks() + ms; SDL_GetTicks() < until;)
            dev.tick();
    }
    double showMinusMusic() {
        std::vector<double> d;
        uintmax_t size = std::filesystem::file_size(audio);
        for (int taken = 0; taken < 15;) {
            dev.tick();
            const uintmax_t now = std::filesystem::file_size(audio);
            if (now == size) continue;
            size = now;
            const int64_t heard = static_cast<int64_t>(now / 4) - kBuffer;
            const int64_t click = clickBefore(audio, heard);
            if (click < 0) continue; // silence: paused, or the music not yet started
            const double sinceClick = (heard - click) * 1000.0 / kRate;
            d.push_back(std::remainder(timer.elapsed - sinceClick, 500.0));
            ++taken;
        }
        std::sort(d.begin(), d.end());
        return d[d.size() / 2];
    }

    static constexpr int64_t kBuffer = 2048; // frames the device takes at a time
    const std::string audio = show.dir() + "/audio.raw";
};

TEST_F(DevMusic, PauseAndSeekKeepPictureAndMusicOnTheSameTime) {
    const double framePeriod = 1000.0 / 60;
    run(1000);
    EXPECT_NEAR(showMinusMusic(), 0, framePeriod) << "playing";
    ASSERT_TRUE(dev.key(SDLK_SPACE, 0));
    run(2000);
    ASSERT_TRUE(dev.key(SDLK_SPACE, 0));
    run(200);
    EXPECT_NEAR(showMinusMusic(), 0, framePeriod) << "after a pause of 2 s";
    const int32_t before = timer.elapsed;
    ASSERT_TRUE(dev.key(SDLK_RIGHT, 0));
    EXPECT_NEAR(timer.elapsed, before + 5000, framePeriod); // on the frame that fast-forward reaches
    run(200);
    EXPECT_NEAR(showMinusMusic(), 0, framePeriod) << "after 5 s forward";
}
