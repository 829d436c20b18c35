#include "support/run.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const char* const kMissing = "tamarack: cannot open data/script.txt: No such file or directory\n";

// The modes that print the script as the program reads it: exact outputs.
TEST(ScriptModes, ExactOutputs) {
    const struct {
        std::vector<std::string> args;
        const char* text; // nullptr: no script
        int status;
        std::string out;
        const char* err; // the one line on stderr starts with it; empty: nothing on stderr
    } cases[] = {
        {{"--preprocess"}, // the kept bytes ("@sync\r" holds the word "@sync")
         "Define A A\n@sync\r\n\n0 A b\n  # x\n",
         0,
         "@sync\r\n0 A b\n  # x\n@end\n",
         "data/script.txt:4: the replacement of \"A\" never ends"},
        {{"--inspect", "--window", "--mute"},
         "Default 800x600\nSync 7 0.5 8 500\n@sync\n5.0 track 1 type 1\n",
         0,
         R"({"config": {"windowed": 1, "soundOn": 0, "anaglyphic": 0, "gui": 1, )"
         R"("screenWidth": 800, "screenHeight": 600, "videoWidth": 800, "videoHeight": 600}, )"
         R"("syncTracks": [[{"track": 7, "length": 500}, {"track": 8, "length": 500}]], )"
         R"("commands": [{"time": 5000, "written": "5000", "text": "5000 track 1 type 1"}]})"
         "\n",
         ""},
        {{"-E"}, nullptr, 1, "", kMissing},
        {{"--inspect"}, nullptr, 1, "", kMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.text ? c.text : "(no script)"));
        TempShow show;
        if (c.text) show.script(c.text);
        std::vector<std::string> args = c.args;
        args.push_back(show.dir());
        const RunResult r = runTamarack(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), *c.err ? 1 : 0) << r.err;
    }
}

} // namespace
