#include "support/run.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

RunResult run(const std::string& mode, const std::string& text, std::vector<std::string> extra = {}) {
    TempShow show;
    show.script(text);
    extra.insert(extra.begin(), mode);
    extra.push_back(show.dir());
    return runTamarack(extra);
}

TEST(PreprocessMode, WorkedExampleRoundTrips) {
    const RunResult r =
        run("-E", "# opening\nDefine LEN 2.5\nDefault 800x600 !sound\nSync 1 0.5 2 1.25\n@sync\n"
                  "0.0 blendFunc GL_SRC_ALPHA GL_ONE\n1.5 duration LEN blend\n1.5 duration LEN\n"
                  "3 duration 2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Default 800x600 !sound\n"
                     "Sync 1 500 2 1250\n"
                     "@sync\n"
                     "0 blendFunc 770 1\n"
                     "1500 duration 2500 blend\n"
                     "1500 duration 2.5\n"
                     "3 duration 2\n"
                     "@end\n");
    EXPECT_EQ(r.err, "");
}

TEST(PreprocessMode, PrintsKeptBytesAndDiagnosticsOnStderr) {
    const RunResult r = run("--preprocess", "Define A A\n@sync\r\n\n0 A b\n  # x\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "@sync\r\n0 A b\n  # x\n@end\n");
    EXPECT_EQ(r.err.rfind("data/script.txt:4: the replacement of \"A\" never ends", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err; // "@sync\r" holds the word "@sync"
}

TEST(ScriptModes, MissingScriptFailsInEveryMode) {
    for (const char* mode : {"-E", "--inspect", "--assets"}) {
        TempShow show;
        const RunResult r = runTamarack({mode, show.dir()});
        EXPECT_EQ(r.status, 1) << mode;
        EXPECT_EQ(r.out, "") << mode;
        EXPECT_EQ(r.err, "tamarack: cannot open data/script.txt: No such file or directory\n") << mode;
    }
}

TEST(InspectMode, ExactOutput) {
    const RunResult r = run("--inspect", "Default 800x600\nSync 7 0.5 8 500\n@sync\n5.0 track 1 type 1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, R"({"config": {"windowed": 0, "soundOn": 1, "anaglyphic": 0, "gui": 1, )"
                     R"("screenWidth": 800, "screenHeight": 600, "videoWidth": 800, "videoHeight": 600}, )"
                     R"("syncTracks": [[{"track": 7, "length": 500}, {"track": 8, "length": 500}]], )"
                     R"("commands": [{"time": 5000, "text": "5000 track 1 type 1"}]})"
                     "\n");
}

TEST(InspectMode, OptionsBlockEdgeCases) {
    const struct {
        const char* text;
        const char* expected;   // config: the fields that differ from the defaults; arrays: [] when left out
        bool overrides = false; // run with --window --mute
    } cases[] = {
        {"Default 800x600 1024x768\n@sync\n",
         R"({"config": {"screenWidth": 1024, "screenHeight": 768, "videoWidth": 1024, "videoHeight": 768}})"},
        {"!sound\nxyz Default !sound anaglyphic !gui\n@sync\n",
         R"({"config": {"soundOn": 0, "anaglyphic": 1, "gui": 0}})"},
        {"Default !fullscreen @sync\n@sync\n0 a\n",
         R"({"config": {"windowed": 1}, "commands": [{"time": 0, "text": "0 a"}]})"},
        {"Sync\nSync 3 500 1 250\n@sync\n",
         R"({"syncTracks": [[], [{"track": 3, "length": 500}, {"track": 1, "length": 250}]]})"},
        {"@sync ignored\nSync 1 2\nDefault !sound\ntrack 1\n2.5 end\n@end\n",
         R"({"commands": [{"time": 0, "text": "Sync 1 2"}, {"time": 0, "text": "Default !sound"},
                          {"time": 0, "text": "track 1"}, {"time": 2500, "text": "2500 end"}]})"},
        {"@sync\n@end\n0 a\n", "{}"},
        {"Default 640x480\n@sync\n", R"({"config": {"windowed": 1, "soundOn": 0}})", true},
    };
    for (const auto& c : cases) {
        const RunResult r =
            run("--inspect", c.text,
                c.overrides ? std::vector<std::string>{"--window", "--mute"} : std::vector<std::string>{});
        ASSERT_EQ(r.status, 0) << c.text << r.err;
        const json got = json::parse(r.out), expected = json::parse(c.expected);
        json config =
            json::parse(R"({"windowed": 0, "soundOn": 1, "anaglyphic": 0, "gui": 1, "screenWidth": 640,
            "screenHeight": 480, "videoWidth": 640, "videoHeight": 480})");
        config.update(expected.value("config", json::object()));
        EXPECT_EQ(got["config"], config) << c.text;
        EXPECT_EQ(got["syncTracks"], expected.value("syncTracks", json::array())) << c.text;
        EXPECT_EQ(got["commands"], expected.value("commands", json::array())) << c.text;
    }
}

} // namespace
