// --timeline against --scenes and in headless Chromium; --contact-sheet against --shot.
#include "assets/tds_writer.h"
#include "support/make_jpeg.h"
#include "support/make_module.h"
#include "support/media.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <unistd.h>

using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

// Red a.jpg, blue b.jpg and `script`.
void writeShow(const TempShow& show, const std::string& script) {
    show.write("a.jpg", solidJpeg(64, 64, 250, 40, 40));
    show.write("b.jpg", solidJpeg(64, 64, 40, 40, 250));
    show.script(script);
}

// Two templates, a picture from 1 s to 3 s, a model from 2 s to 5 s, a command
// erased before it is drawn, a layer synced from 4 s to 6 s (a step each 500 ms).
void writeKnownShow(const TempShow& show) {
    tds::write(show.data("m.3ds"), tds::torus("m", "a.jpg", 1.5f, 0.5f, 24, 12));
    writeShow(show, "Default !sound\nSync 7 0.5 8 0.5\n@sync\n"
                    "0 track 7 type 1 object a.jpg insync\n"
                    "0 track 8 type 1 object b.jpg insync move 100 100\n"
                    "1.0 track 3 type 1 object a.jpg center duration 2.0\n"
                    "2.0 track 2 type 0 object m.3ds color 1 1 1 translate 0 0 -6 duration 3.0\n"
                    "2.5 track 4 type 1 object b.jpg\n"
                    "4.0 track 1 type 1 object a.jpg sync 0 duration 2.0\n");
}

// The JSON between `open` and `close` in `text`.
json between(const std::string& text, const std::string& open, const std::string& close) {
    const size_t a = text.find(open);
    if (a == std::string::npos) return json();
    return json::parse(text.substr(a + open.size(), text.find(close, a) - a - open.size()), nullptr, false);
}

// Writes the page of the show to DIR/t.html and returns its data.
json timelineData(const std::string& dir, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"--timeline", dir + "/t.html", dir};
    args.insert(args.begin() + 2, more.begin(), more.end());
    EXPECT_EQ(runTamarack(args).status, 0);
    return between(readFile(dir + "/t.html"), "<script type=\"application/json\" id=\"data\">", "</script>");
}

// Opens the page from a file URL in headless Chromium with the network off;
// returns what the page's probe wrote and leaves a screenshot in `png`.
json openInChromium(const std::string& html, const std::string& png) {
    const std::string dir = fs::path(html).parent_path().string();
    const std::string cmd = std::string(geteuid() == 0 ? "unshare -n " : "unshare -rn ") +
                            "chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
                            "--disable-component-update --disable-sync --no-first-run --hide-scrollbars "
                            "--window-size=1200,800 --screenshot=" +
                            png + " --user-data-dir=" + dir + "/chromium --dump-dom file://" + html +
                            "#probe >" + dir + "/dom.html 2>" + dir + "/chromium.log";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << readFile(dir + "/chromium.log");
    return between(readFile(dir + "/dom.html"), "<pre id=\"probe\" hidden=\"\">", "</pre>");
}

#define REQUIRE_CHROMIUM()                                                                                   \
    if (std::system("command -v chromium >/dev/null 2>&1")) GTEST_SKIP() << "chromium is not installed"

// The number of pixels of colour `c` (within 8 per channel) in the picture.
int countColour(const Image& img, RGB c) {
    int n = 0;
    for (size_t i = 0; i + 2 < img.rgb.size(); i += 3)
        n += std::abs(img.rgb[i] - c[0]) <= 8 && std::abs(img.rgb[i + 1] - c[1]) <= 8 &&
             std::abs(img.rgb[i + 2] - c[2]) <= 8;
    return n;
}

} // namespace

TEST(Timeline, LanesAndTimesEqualWhatScenesReportsAtTheSameFrames) {
    TempShow show;
    writeKnownShow(show);
    const json page = timelineData(show.dir());
    ASSERT_TRUE(page.is_object());
    EXPECT_EQ(page["end"], 6000);
    EXPECT_EQ(page["endCommand"], false);
    EXPECT_EQ(page["music"], json());
    const json& lanes = page["lanes"];
    for (int i = 0; i < 6; ++i) // draw order: tracks 8, 7, 4, 3, 2, 1
        EXPECT_EQ(lanes[i]["c"], (std::array<int, 6>{1, 0, 4, 2, 3, 5}[i]));
    EXPECT_EQ(lanes[2]["run"], json()) << "erased in the frame that made it";

    // --scenes lists the lanes alive at each frame, in order; a synced one shows its last step.
    for (const char* at : {"0", "1", "2.5", "2.983", "3", "4.483", "4.5", "5.983", "6"}) {
        SCOPED_TRACE(at);
        const RunResult r = runTamarack({"--scenes", at, show.dir()});
        ASSERT_EQ(r.status, 0) << r.err;
        const json scenes = json::parse(r.out)["scenes"];
        const int t = static_cast<int>(std::lround(std::stod(at) * 1000));
        std::vector<const json*> alive;
        for (const json& l : lanes) {
            const int erased = l["erased"];
            if (l["made"] <= t && (erased < 0 || t < erased) && erased != l["made"]) alive.push_back(&l);
        }
        ASSERT_EQ(scenes.size(), alive.size());
        for (size_t i = 0; i < scenes.size(); ++i) {
            const json &s = scenes[i], &l = *alive[i];
            const bool sync = s["sync"];
            EXPECT_EQ(s[sync ? "syncTrack" : "track"], l[sync ? "sync" : "track"]) << l["c"];
            const bool running = sync ? t < s["syncEndTime"] : !s["insync"].get<bool>() && t < s["endTime"];
            const bool drawn =
                l["run"].is_array() && l["run"][0] <= t && (l["run"][1] < 0 || t < l["run"][1]);
            EXPECT_EQ(drawn, running) << l["c"];
            if (!running || !sync) continue;
            const json* step = nullptr;
            for (const json& st : l["steps"])
                if (st[0] <= t) step = &st;
            ASSERT_TRUE(step);
            EXPECT_EQ((*step)[0], s["startTime"]);
            EXPECT_EQ((*step)[2], s["track"]);
        }
    }
}

// A synced layer above its templates takes their track with each step, and
// the list holds it before them: each step still names the template it took.
TEST(Timeline, EachSyncStepNamesTheTemplateItTook) {
    TempShow show;
    writeShow(show, "Default !sound\nSync 7 0.5 8 0.5\n@sync\n"
                    "0 track 7 type 1 object a.jpg insync\n"
                    "0 track 8 type 1 object b.jpg insync\n"
                    "0 track 9 type 1 object a.jpg sync 0 duration 2.0\n");
    const json page = timelineData(show.dir());
    ASSERT_TRUE(page.is_object());
    const json& lanes = page["lanes"];
    const json& steps = lanes[0]["steps"];
    ASSERT_EQ(steps.size(), 4u);
    for (const json& step : steps) {
        const json& from = lanes[step[3].get<size_t>()];
        EXPECT_EQ((std::pair{from["tpl"], from["track"]}), (std::pair{json(true), step[2]})) << step;
    }
}

TEST(Timeline, ChromiumDrawsTheBarsAtTheRulersTimes) {
    REQUIRE_CHROMIUM();
    TempShow show;
    writeKnownShow(show);
    timelineData(show.dir(), {"--every", "2"});
    const json probe = openInChromium(show.dir() + "/t.html", show.dir() + "/t.png");
    ASSERT_TRUE(probe.is_object());

    // The ruler's ticks define where each time is drawn; they lie on one line.
    std::map<int, double> tick;
    for (const json& t : probe["ticks"])
        tick[t["t"]] = t["x"];
    const double perMs = (tick[6000] - tick[0]) / 6000;
    ASSERT_GT(perMs, 0.1);
    auto x = [&](int ms) { return tick[0] + ms * perMs; };
    for (const auto& [t, at] : tick)
        EXPECT_NEAR(at, x(t), 0.5) << t;

    std::map<int, json> bars; // by command
    for (const json& b : probe["bars"])
        bars[b["cmd"]] = b;
    for (const auto [command, from, to] :
         {std::array<int, 3>{2, 1000, 3000}, {3, 2000, 5000}, {5, 4000, 6000}, {0, 0, 6000}, {1, 0, 6000}}) {
        ASSERT_TRUE(bars[command].is_object()) << command;
        EXPECT_NEAR(bars[command]["left"].get<double>(), x(from), 2) << command;
        EXPECT_NEAR(bars[command]["right"].get<double>(), x(to), 2) << command;
    }
    const json& steps = probe["steps"];
    ASSERT_EQ(steps.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(steps[i]["left"].get<double>(), x(4000 + 500 * i), 2) << i;
        const std::string tip = steps[i]["tip"];
        EXPECT_NE(tip.find("template track " + std::to_string(7 + i % 2)), std::string::npos) << tip;
    }
    // Hovering a bar shows where its command is and what it says.
    const std::string tip = bars[2]["tip"];
    EXPECT_EQ(tip.rfind("data/script.txt:6\n1000 track 3 type 1 object a.jpg center duration 2000\n", 0), 0u)
        << tip;
    ASSERT_EQ(probe["never"].size(), 1u);
    EXPECT_NEAR(probe["never"][0]["x"].get<double>(), x(2500), 2);
    EXPECT_NEAR(probe["end"].get<double>(), x(6000), 2);
    EXPECT_EQ(probe["waveNote"], "This show has no music: data/ holds no .mp3, .ogg, .xm or .it file.");
    ASSERT_EQ(probe["thumbs"].size(), 4u); // 0, 2, 4 and 6 s
    for (const json& t : probe["thumbs"])
        EXPECT_NEAR(t["left"].get<double>(), x(t["t"]), 2) << t["t"];
}

TEST(Timeline, TheBundledShowsPageIsSmallAndOpensWithRulerLanesAndFrames) {
    REQUIRE_CHROMIUM();
    TempShow out;
    const std::string html = out.dir() + "/show.html", png = out.dir() + "/show.png";
    ASSERT_EQ(runTamarack({"--timeline", html, TAMARACK_SOURCE_DIR}).status, 0);
    EXPECT_LT(fs::file_size(html), 3u << 20);
    const json data = between(readFile(html), "<script type=\"application/json\" id=\"data\">", "</script>");
    const json probe = openInChromium(html, png);
    ASSERT_TRUE(probe.is_object());
    EXPECT_EQ(probe["lanes"], data["lanes"].size());
    EXPECT_GE(probe["ticks"].size(), 5u);
    EXPECT_GE(probe["bars"].size(), 20u);
    ASSERT_EQ(probe["thumbs"].size(), 16u); // 0 to 75 s
    for (const json& t : probe["thumbs"])
        EXPECT_GT(t["decoded"], 0) << t["t"];
    ASSERT_TRUE(probe["wave"].is_object()) << "the music's waveform";
    const double zero = probe["ticks"][0]["x"],
                 perMs = (probe["ticks"][1]["x"].get<double>() - zero) / probe["ticks"][1]["t"].get<double>();
    EXPECT_NEAR(probe["musicEnd"].get<double>(), zero + data["music"]["end"].get<double>() * perMs, 2);
    EXPECT_NEAR(probe["end"].get<double>(), zero + 78000 * perMs, 2);
    const Image shot = readPNG(png);
    EXPECT_GT(countColour(shot, {58, 143, 128}), 2000) << "the waveform";
    EXPECT_GT(countColour(shot, {79, 155, 224}), 2000) << "picture bars";
    EXPECT_GT(countColour(shot, {231, 169, 60}), 500) << "model bars";
}

TEST(Timeline, TheWaveformIsThePeakEnvelopeOfTheMusic) {
    TempShow show;
    show.script("@sync\n0 track 1 duration 1.0\n");
    // Half the full scale for 1 s, then 1 s of silence.
    const std::string make =
        "ffmpeg -nostdin -v error -f lavfi -i \"aevalsrc=if(lt(t\\,1)\\,0.5*sin(2*PI*440*t)\\,0):d=2\" "
        "-c:a libvorbis " +
        show.data("tone.ogg");
    ASSERT_EQ(std::system(make.c_str()), 0);
    const json music = timelineData(show.dir())["music"];
    ASSERT_TRUE(music.is_object());
    EXPECT_EQ(music["file"], "data/tone.ogg");
    EXPECT_NEAR(music["end"].get<int>(), 2000, 30);
    ASSERT_EQ(music["rate"], 100);
    // One byte per 10 ms, in base64.
    const std::string peaks = commandOutput("echo " + music["peaks"].get<std::string>() + " | base64 -d");
    ASSERT_NEAR(static_cast<int>(peaks.size()), 200, 3);
    for (int i : {5, 50, 95})
        EXPECT_NEAR(uint8_t(peaks[i]), 128, 8) << i;
    for (int i : {105, 150, 195})
        EXPECT_LT(uint8_t(peaks[i]), 4) << i;
}

TEST(ContactSheet, CellsAreTheShotFramesApartFromTheLabel) {
    TempShow show;
    writeShow(show, "Default !sound\nSync 7 0.5 8 0.5\n@sync\n"
                    "0 track 7 type 1 object a.jpg insync center\n"
                    "0 track 8 type 1 object b.jpg insync center\n"
                    "0 scene 1 duration 6.0 translate 0 0 -60 rotate 0 0 1 angle 0 to 360\n"
                    "1.45 track 1 type 1 object a.jpg sync 0 duration 4.0\n");
    // At 7 fps 1.5 and 4.5 s fall between frames; the synced layer is armed at 1.571 s.
    const std::vector<std::string> args = {"--contact-sheet", "sheet.png", "--every", "1.5", "--columns", "3",
                                           "--fps",           "7",         "."};
    ASSERT_EQ(runTamarack(args, show.dir()).status, 0);
    const Image img = readPNG(show.dir() + "/sheet.png");
    ASSERT_EQ(img.width, 3 * 644 + 4);
    ASSERT_EQ(img.height, 2 * 484 + 4); // 0, 1.5, 3, 4.5 and 6 s
    for (int i = 0; i < 5; ++i) {
        const std::string at = std::to_string(i * 1.5);
        ASSERT_EQ(runTamarack({"--shot", at, "shot.png", "--fps", "7", "."}, show.dir()).status, 0);
        const Image shot = readPNG(show.dir() + "/shot.png");
        const int x0 = 4 + (i % 3) * 644, y0 = 4 + (i / 3) * 484;
        int right = -1, bottom = -1, text = 0; // the extent of the changes, white text pixels
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const RGB c = img.at(x0 + x, y0 + y);
                if (c == shot.at(x, y)) continue;
                right = std::max(right, x);
                bottom = std::max(bottom, y);
                text += c == RGB{255, 255, 255};
            }
        EXPECT_LT(right, 100) << at;
        EXPECT_LT(bottom, 30) << at;
        EXPECT_GT(text, 20) << at << ": the label's text";
    }
}

// --size: the sheet's cells and the page's frames are drawn at that size as
// --shot --size draws them.
TEST(GlanceModes, SizeGivesTheFramesOfTheSheetAndThePage) {
    TempShow show;
    writeKnownShow(show);
    ASSERT_EQ(
        runTamarack({"--contact-sheet", "sheet.png", "--every", "2", "--size", "320x180", "."}, show.dir())
            .status,
        0);
    ASSERT_EQ(runTamarack({"--shot", "2", "shot.png", "--size", "320x180", "."}, show.dir()).status, 0);
    const Image sheet = readPNG(show.dir() + "/sheet.png"), shot = readPNG(show.dir() + "/shot.png");
    ASSERT_EQ(sheet.width, 4 * 324 + 4); // 0, 2, 4 and 6 s
    ASSERT_EQ(sheet.height, 184 + 4);
    int differ = 0;
    for (int y = 30; y < 180; ++y) // below the label
        for (int x = 0; x < 320; ++x)
            differ += sheet.at(4 + 324 + x, 4 + y) != shot.at(x, y);
    EXPECT_EQ(differ, 0);

    timelineData(show.dir(), {"--size", "320x180"});
    const std::string page = readFile(show.dir() + "/t.html");
    size_t thumbs = 0;
    for (size_t at = page.find("<img width=\""); at != std::string::npos;
         at = page.find("<img width=\"", at + 1)) {
        const std::string want = "<img width=\"320\" height=\"180\" ";
        EXPECT_EQ(page.compare(at, want.size(), want), 0) << page.substr(at, 40);
        ++thumbs;
    }
    EXPECT_EQ(thumbs, 2u); // 0 and 5 s
}

TEST(GlanceModes, RefuseWhatShotRefuses) {
    TempShow show;
    writeKnownShow(show);
    TempShow empty; // no data/script.txt
    fs::create_directory(show.dir() + "/old.png");
    const struct {
        std::vector<std::string> args; // run in the show's folder
        int status;
        const char* message; // the start of the one line on stderr
    } cases[] = {
        {{"--timeline", "x.html", empty.dir()}, 1, "tamarack: cannot open data/script.txt: "},
        {{"--timeline", "/nonexistent/x.html", "."}, 1, "tamarack: cannot write /nonexistent/x.html: "},
        {{"--timeline", "x.txt", "."}, 2, "tamarack: --timeline: 'x.txt' must end in .html or .htm"},
        {{"--contact-sheet", "old.png", "."}, 2, "tamarack: --contact-sheet: 'old.png' is a folder"},
        {{"--timeline", "x.html", "--every", "0", "."}, 2, "tamarack: --every: 0 is no time between frames"},
        // Less than a millisecond, whatever the show's length.
        {{"--timeline", "x.html", "--every", "0.0005", "."},
         2,
         "tamarack: --every: 0.0005 is less than a millisecond, the show clock's step: give seconds from "
         "0.001"},
        {{"--contact-sheet", "x.png", "--every", "0.0009", "."},
         2,
         "tamarack: --every: 0.0009 is less than a millisecond"},
        {{"--timeline", "x.html", "--every", "0.001", "."},
         2,
         "tamarack: --timeline: the show runs longer than 1 s; a frame every 0.001 s gives more than 1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult r = runTamarack(c.args, show.dir());
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::is_regular_file(show.dir() + "/" + c.args[1]));
    }
}

// At 120 BPM a beat is 500 ms: a grid line at every beat where the ruler puts
// its time, bar:beat labels on the ruler, the pointer's bar:beat in its label,
// and the page ends at the show's "end", not at the longer music's.
TEST(Timeline, TheBeatGridLiesOnTheRulersTimes) {
    REQUIRE_CHROMIUM();
    TempShow show;
    show.write("song.xm", changingModule()); // 15.2 s of music
    show.script("Tempo 120\n@sync\n0 track 1 type 1 duration 4b\n2:1 track 2 type 1 duration 8b\n4:1 end\n");
    const json data = timelineData(show.dir(), {"--every", "2"});
    ASSERT_EQ(data["grid"]["beats"].size(), 13u); // 0 to 6000 ms
    const json probe = openInChromium(show.dir() + "/t.html", show.dir() + "/t.png");
    ASSERT_TRUE(probe.is_object());
    const json& ticks = probe["ticks"];
    ASSERT_GE(ticks.size(), 2u);
    const double zero = ticks[0]["x"],
                 perMs = (ticks[1]["x"].get<double>() - zero) / ticks[1]["t"].get<double>();
    EXPECT_EQ(ticks[0]["t"], 0);
    std::vector<int> beats;
    int rows = 0; // the module's rows, zoomed in far enough to show (every 120 ms)
    for (const json& g : probe["grid"]) {
        EXPECT_NEAR(g["x"].get<double>(), zero + g["t"].get<double>() * perMs, 1) << g;
        if (g["cls"] == "gl row") {
            EXPECT_DOUBLE_EQ(g["t"].get<double>(), rows++ * 120.0);
            continue;
        }
        EXPECT_DOUBLE_EQ(g["t"].get<double>(), g["b"].get<int>() * 500.0);
        beats.push_back(g["b"]);
    }
    EXPECT_EQ(beats, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_GE(rows, 50); // every 120 ms to the end
    std::vector<std::string> labels;
    for (const json& l : probe["labels"])
        labels.push_back(l["text"]);
    EXPECT_EQ(labels.front(), "1:1");
    EXPECT_NE(std::find(labels.begin(), labels.end(), "3:1"), labels.end());
    // Half a beat after each line.
    const char* at[] = {"1:1.5", "1:2.5", "1:3.5", "1:4.5", "2:1.5", "2:2.5", "2:3.5", "2:4.5"};
    ASSERT_EQ(probe["at"].size(), 8u);
    for (int i = 0; i < 8; ++i) {
        const std::string text = probe["at"][i];
        const std::string bb = text.substr(text.find("\u00b7 ") + 3);
        EXPECT_EQ(bb.substr(0, 2), std::string(at[i]).substr(0, 2)) << text;
        EXPECT_NEAR(std::stod(bb.substr(2)), std::stod(std::string(at[i]).substr(2)), 0.05) << text;
    }
    // The last tick is at the end (6 s), not at the music's 15.2 s.
    EXPECT_LE(ticks.back()["t"].get<int>(), 6000);
    EXPECT_NEAR(probe["end"].get<double>(), zero + 6000 * perMs, 2);
}

// The least time between frames holds for a short show too: 0.2 s with --every 0.0005 would be a page
// of 201 frames of 1 ms, within the page's limit, and is refused all the same.
TEST(GlanceModes, LessThanAMillisecondBetweenFramesIsRefusedForAShortShow) {
    TempShow show;
    show.script("@sync\n0 track 1 type 1 duration 0.2\n0.2 end\n");
    for (const char* mode : {"--timeline", "--contact-sheet"}) {
        SCOPED_TRACE(mode);
        const std::string file = std::string("x") + (mode[2] == 't' ? ".html" : ".png");
        const RunResult r = runTamarack({mode, file, "--every", "0.0005", "."}, show.dir());
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("tamarack: --every: 0.0005 is less than a millisecond", 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(show.dir() + "/" + file));
    }
}
