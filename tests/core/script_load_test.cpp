#include "base/config.h"
#include "script/script.h"
#include "support/temp_dir.h"

#include <ctime>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

// Loads `text` as data/script.txt of a fresh show and returns the kept lines.
Lines load(const std::string& text) {
    TempShow show;
    show.script(text);
    script.reset();
    einit.defaults();
    script.init(show.data("script.txt").c_str());
    return script.keptLines;
}

std::string repeat(const std::string& text, int n) {
    std::string out;
    while (n-- > 0)
        out += text;
    return out;
}

// Each case: a script and the lines loading keeps, before the "@end" it appends.
TEST(ScriptLoad, LineProcedure) {
    const std::pair<std::string, Lines> cases[] = {
        {"# opening\nDefine LEN 2.5\nDefault 800x600 !sound\nSync 1 0.5 2 1.25\n@sync\n"
         "0.0 blendFunc GL_SRC_ALPHA GL_ONE\n1.5 duration LEN blend\n1.5 duration LEN\n  # kept\n",
         {"Default 800x600 !sound", "Sync 1 500 2 1250", "@sync", "0 blendFunc 770 1",
          "1500 duration 2500 blend", "1500 duration 2.5", "  # kept"}},
        // time words; products truncated
        {"5. a\n.5 a\n1.2.3 a\n-1.5 a\n1e3 a\n2.01 a\n1.005 a\n4.35 a\n99999999.5 a\n",
         {"5000 a", "500 a", "1200 a", "-1.5 a", "1e3 a", "2009 a", "1004 a", "4350 a", "2147483647 a"}},
        {"0 move 1.5 duration 1.5\n", {"0 move 1500 duration 1.5"}}, // the first occurrence only
        {"Define A 7\n0 Alpha A\n0 Alpha A blend\n", {"0 7lpha A", "0 7lpha 7 blend"}}, // ... even in a word
        {"Define GL_ONE 5\n0 GL_ONE x\n", {"0 1 x"}}, // constants win over definitions
        {"Define A 1\nDefine B A\n0 move B 2\n0 move B\n", {"0 move 1 2", "0 move A"}},
        {"Define E\n0 E x\n", {"0  x"}},
        {"0 duration \\\n1.5 blend\n", {"0 duration 1500 blend"}}, // carries the previous word
        {"0 a \\", {"0 a "}},
        {"Define X a \\\nswallowed\n0 X b\nnext\n0 X\n", {"0 a \\ next", "0 a \\"}}, // read as a continuation
        {"a\n@end\n", {"a"}},
        {"@sync\n@end\nDefine A A\n0 A b\n", {"@sync"}}, // nothing after the end marker is read
        {"@sync\r\n0 a\r\n@end\r\nb\r\n", {"@sync\r", "0 a\r", "@end\r", "b\r"}}, // no end marker
        // A replacement reads the line again from the start: a Sync makes earlier
        // seconds count, a definition runs again, a replaced keyword comes first.
        {"Define A 7\nx 1.5 Sync 2 A 3\n", {"x 1500 Sync 2 7 3"}},
        {"Define A 5\n0 Define B A x\n1 B\n", {"1 5 x"}},
        {"Define duration 5\n0 x \\\n1.5 duration y\n", {"0 x 1500 5 y"}},
        {"Define Sync 3\n0 x \\\n1.5 Sync y\n", {"0 x 1500 3 y"}},
        // long lines of many replacements, which end, load whole
        {"Sync" + repeat(" 1 0.25", 1000), {"Sync" + repeat(" 1 250", 1000)}},
        {"Define N x\n0" + repeat(" N", 300) + " end", {"0" + repeat(" x", 300) + " end"}},
    };
    for (auto [text, want] : cases) {
        want.push_back("@end");
        EXPECT_EQ(load(text), want) << text;
    }
}

// Endless definitions on every line cost little CPU time, and each is told.
TEST(ScriptLoad, WorkIsInProportionToTheFile) {
    for (const std::string& text :
         {"Define A x B\nDefine B y C\nDefine C w A\n@sync\n" + repeat("0 A z\n", 300),
          "Define A 1.5 A\n@sync\n" + repeat("0 duration A z\n", 300)}) {
        timespec t0{}, t1{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
        load(text);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
        EXPECT_LT((t1.tv_sec - t0.tv_sec) * 1e3 + (t1.tv_nsec - t0.tv_nsec) / 1e6, 500) << text.substr(0, 40);
        EXPECT_GE(script.diagnostics.size(), 300u) << text.substr(0, 40);
    }
}

// The options pass's flags and sizes, each sync track's steps, the number of
// commands (c), the lines of the warnings (w) and errors (e).
std::string outcome() {
    std::ostringstream o;
    o << einit.windowed << einit.soundOn << einit.anaglyphic << einit.gui << ' ' << einit.screenWidth << 'x'
      << einit.screenHeight << ' ' << einit.videoWidth << 'x' << einit.videoHeight;
    for (const auto& track : script.syncTracks) {
        o << " |";
        for (const SYNC& step : track)
            o << ' ' << step.track << ':' << step.length;
    }
    o << " c" << script.commands.size();
    for (const Diagnostic& d : script.diagnostics)
        o << (d.severity == Diagnostic::Warning ? " w" : " e") << d.line;
    return o.str();
}

TEST(ScriptOptions, OptionWordsAndSyncPairs) {
    const struct {
        const char *text, *outcome;
    } cases[] = {
        {"Sync 3 500 1 250\n@sync\n", "0101 640x480 640x480 | 3:500 1:250 c0"},
        {"Sync 1 500 2\n@sync\n", "0101 640x480 640x480 | 1:500 c0 w1"},          // the last pair dropped
        {"Sync a 500 7 x\n@sync\n", "0101 640x480 640x480 | 0:500 7:0 c0 w1 w1"}, // no number: 0
        {"Sync -2 12abc +5 3\nSync \n@sync\n", "0101 640x480 640x480 | -2:12 5:3 | c0"},
        {"xyz Default !sound anaglyphic !gui 800x600 1024x768\n@sync\n", "0010 1024x768 1024x768 c0"},
        {"Default !fullscreen @sync\n@sync\n", "1101 640x480 640x480 c0 w1"}, // "@sync" is no option
        // a nameless definition, a backslash in one, a clamped time, a continuation at the end
        {"Define\nDefine X a \\\nx\n@sync\n99999999.5 x\n0 a \\", "0101 640x480 640x480 c2 w1 w2 w5 w6"},
        {"Default !sound 800x600\n0 track 1\nSync 1 2\n", "0001 800x600 800x600 | 1:2 c0 e0"}, // no "@sync"
    };
    for (const auto& c : cases) {
        load(c.text);
        EXPECT_EQ(outcome(), c.outcome) << c.text;
    }
}

// Commands keep their lines and times; after "@sync" every line is a command.
TEST(ScriptOptions, CommandsKeepLinesAndTimesAndWithoutSyncLineThereAreNone) {
    load("Sync 1 500\n   \n\t\nDefault !sound\n@sync ignored\n\nSync 1 2\n-5 b\n12abc c\nx d\n99999999999 e\n"
         "0 f \\\ng\n");
    EXPECT_EQ(einit.soundOn, 0); // the blank lines before it repeat nothing
    EXPECT_EQ(script.times, (std::vector<int32_t>{0, -5, 12, 0, 2147483647, 0}));
    EXPECT_EQ(script.commandLines, (std::vector<int>{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ((std::vector{script.commands[0], script.commands[5]}),
              (std::vector<std::string>{"Sync 1 2", "0 f g"}));
    EXPECT_EQ(script.syncTracks.size(), 1u);
}

} // namespace
