#include "base/config.h"
#include "script/script.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

void load(const std::string& text) {
    TempShow show;
    show.script(text);
    script.reset();
    einit.defaults();
    script.init(show.data("script.txt").c_str());
}

// What the options pass leaves, in one line: windowed, soundOn, anaglyphic,
// gui, the screen and video sizes, each sync track's steps, the lines of
// the warnings.
std::string outcome() {
    std::ostringstream o;
    o << einit.windowed << einit.soundOn << einit.anaglyphic << einit.gui << ' ' << einit.screenWidth << 'x'
      << einit.screenHeight << ' ' << einit.videoWidth << 'x' << einit.videoHeight;
    for (const auto& track : script.syncTracks) {
        o << " |";
        for (const SYNC& step : track)
            o << ' ' << step.track << ':' << step.length;
    }
    o << " warnings";
    for (const Diagnostic& d : script.diagnostics)
        if (d.severity == Diagnostic::Warning) o << ' ' << d.line;
    return o.str();
}

TEST(ScriptOptions, OptionWordsAndSyncPairs) {
    const struct {
        const char *text, *outcome;
    } cases[] = {
        {"Sync 3 500 1 250\n@sync\n", "0101 640x480 640x480 | 3:500 1:250 warnings"},
        {"Sync 1 500 2\n@sync\n", "0101 640x480 640x480 | 1:500 warnings 1"},         // the last pair dropped
        {"Sync a 500 7 x\n@sync\n", "0101 640x480 640x480 | 0:500 7:0 warnings 1 1"}, // no number: 0
        {"Sync -2 12abc +5 3\nSync \n@sync\n", "0101 640x480 640x480 | -2:12 5:3 | warnings"},
        {"xyz Default !sound anaglyphic !gui 800x600 1024x768\n@sync\n", "0010 1024x768 1024x768 warnings"},
        {"Default !fullscreen @sync\n@sync\n", "1101 640x480 640x480 warnings 1"}, // "@sync" is no option
    };
    for (const auto& c : cases) {
        load(c.text);
        EXPECT_EQ(outcome(), c.outcome) << c.text;
    }
}

TEST(ScriptOptions, CommandsKeepLinesAndTimesAndWithoutSyncLineThereAreNone) {
    load("Sync 1 500\n   \n\t\nDefault !sound\n@sync\n\n1500 a\n-5 b\n12abc c\nx d\n99999999999 e\n0 f "
         "\\\ng\n");
    EXPECT_EQ(einit.soundOn, 0); // the blank lines before it repeat nothing
    EXPECT_EQ(script.times, (std::vector<int32_t>{1500, -5, 12, 0, 2147483647, 0}));
    EXPECT_EQ(script.commandLines, (std::vector<int>{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(script.commands.back(), "0 f g");
    load("@sync ignored\nSync 1 2\n2.5 end\n@end\n"); // after "@sync" every line is a command
    EXPECT_EQ(script.commands, (std::vector<std::string>{"Sync 1 2", "2500 end"}));
    EXPECT_TRUE(script.syncTracks.empty());

    load("Default !sound 800x600\n0 track 1\nSync 1 2\n");
    EXPECT_EQ((std::vector{einit.videoWidth, script.syncTracks.at(0).at(0).length}), (std::vector{800, 2}));
    EXPECT_TRUE(script.commands.empty());
    ASSERT_EQ(script.diagnostics.size(), 1u);
    EXPECT_EQ(script.diagnostics[0].severity, Diagnostic::Error);
    EXPECT_NE(script.diagnostics[0].message.find("\"@sync\""), std::string::npos);
    CScript s; // lines handed over without the "@end" loading appends
    s.lines = {"Default !gui", "@sync", "0 a", "1 b"};
    s.optionParse();
    EXPECT_EQ(s.commands, (std::vector<std::string>{"0 a", "1 b"}));
}

} // namespace
