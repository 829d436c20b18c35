#include "base/config.h"
#include "script/script.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using Track = std::vector<std::pair<int32_t, int32_t>>;

void load(const std::string& text) {
    TempShow show;
    show.script(text);
    script.reset();
    einit.defaults();
    script.init(show.data("script.txt").c_str());
}

std::vector<Track> tracks() {
    std::vector<Track> out;
    for (const auto& t : script.syncTracks) {
        out.emplace_back();
        for (const SYNC& s : t)
            out.back().emplace_back(s.track, s.length);
    }
    return out;
}

size_t count(Diagnostic::Severity severity, int line, const std::string& part = "") {
    size_t n = 0;
    for (const Diagnostic& d : script.diagnostics)
        n += d.severity == severity && d.line == line && d.message.find(part) != std::string::npos;
    return n;
}

TEST(ScriptOptions, SyncPairsNeverLeaveUndefinedValues) {
    struct Case {
        const char* text;
        std::vector<Track> tracks;
        size_t warnings;
    } cases[] = {
        {"Sync 3 500 1 250\n@sync\n", {{{3, 500}, {1, 250}}}, 0},
        {"Sync 1 500 2\n@sync\n", {{{1, 500}}}, 1},           // an incomplete pair is dropped
        {"Sync a 500 7 x\n@sync\n", {{{0, 500}, {7, 0}}}, 2}, // no number reads as 0
        {"Sync -2 12abc +5 3\n@sync\n", {{{-2, 12}, {5, 3}}}, 0},
        {"Sync \n@sync\n", {{}}, 0},
    };
    for (const Case& c : cases) {
        load(c.text);
        EXPECT_EQ(tracks(), c.tracks) << c.text;
        EXPECT_EQ(count(Diagnostic::Warning, 1), c.warnings) << c.text;
    }
}

TEST(ScriptOptions, BlankOptionLinesAreSkippedAndCommandsKeepLinesAndTimes) {
    load("Sync 1 500\n   \n\t\nDefault !sound\n@sync\n\n1500 a\n-5 b\n12abc c\nx d\n99999999999 e\n0 f "
         "\\\ng\n");
    EXPECT_EQ(tracks(), (std::vector<Track>{{{1, 500}}}));
    EXPECT_EQ(einit.soundOn, 0);
    EXPECT_EQ(script.times, (std::vector<int32_t>{1500, -5, 12, 0, 2147483647, 0}));
    EXPECT_EQ(script.commandLines, (std::vector<int>{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(script.commands.back(), "0 f g");
}

TEST(ScriptOptions, WithoutSyncLineEverythingIsOptionsAndThereAreNoCommands) {
    load("Default !sound 800x600\n0 track 1\nSync 1 2\n");
    EXPECT_EQ(einit.videoWidth, 800);
    EXPECT_EQ(tracks(), (std::vector<Track>{{{1, 2}}}));
    EXPECT_TRUE(script.commands.empty());
    EXPECT_EQ(count(Diagnostic::Error, 0, "\"@sync\""), 1u);
    CScript s; // lines handed over without the "@end" loading appends
    s.lines = {"Default !gui", "@sync", "0 a", "1 b"};
    s.optionParse();
    EXPECT_EQ(s.commands, (std::vector<std::string>{"0 a", "1 b"}));
}

} // namespace
