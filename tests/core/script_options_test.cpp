#include "engine/config.h"
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
        Track steps;
        for (const SYNC& s : t)
            steps.emplace_back(s.track, s.length);
        out.push_back(steps);
    }
    return out;
}

std::vector<std::string> messages(Diagnostic::Severity severity, int line) {
    std::vector<std::string> out;
    for (const Diagnostic& d : script.diagnostics)
        if (d.severity == severity && d.line == line) out.push_back(d.message);
    return out;
}

TEST(ScriptOptions, SyncPairsNeverLeaveUndefinedValues) {
    struct Case {
        const char* text;
        std::vector<Track> tracks;
        size_t warnings;
    } cases[] = {
        {"Sync 3 500 1 250\n@sync\n", {{{3, 500}, {1, 250}}}, 0},
        {"Sync 1 500 \n@sync\n", {{{1, 500}}}, 0},
        {"Sync 1 500 2\n@sync\n", {{{1, 500}}}, 1},
        {"Sync 1\n@sync\n", {{}}, 1},
        {"Sync a 500 7 x\n@sync\n", {{{0, 500}, {7, 0}}}, 2},
        {"Sync -2 12abc +5 3\n@sync\n", {{{-2, 12}, {5, 3}}}, 0},
        {"Sync \n@sync\n", {{}}, 0},
    };
    for (const Case& c : cases) {
        load(c.text);
        EXPECT_EQ(tracks(), c.tracks) << c.text;
        EXPECT_EQ(messages(Diagnostic::Warning, 1).size(), c.warnings) << c.text;
    }
}

TEST(ScriptOptions, BlankLinesOfTheOptionsSectionAreSkipped) {
    load("Sync 1 500\n   \n\t\nDefault !sound\n  \n@sync\n0 a\n");
    EXPECT_EQ(tracks(), (std::vector<Track>{{{1, 500}}}));
    EXPECT_EQ(einit.soundOn, 0);
    EXPECT_EQ(script.commands, (std::vector<std::string>{"0 a"}));
}

TEST(ScriptOptions, WithoutSyncLineEverythingIsOptionsAndThereAreNoCommands) {
    load("Default !sound 800x600\n0 track 1\nSync 1 2\n");
    EXPECT_EQ(einit.soundOn, 0);
    EXPECT_EQ(einit.videoWidth, 800);
    EXPECT_EQ(tracks(), (std::vector<Track>{{{1, 2}}}));
    EXPECT_TRUE(script.commands.empty());
    EXPECT_TRUE(script.times.empty());
    ASSERT_EQ(messages(Diagnostic::Error, 0).size(), 1u);
    EXPECT_NE(messages(Diagnostic::Error, 0)[0].find("\"@sync\""), std::string::npos);
}

TEST(ScriptOptions, CommandsKeepTheirPhysicalLinesAndLeadingTimes) {
    load("# c\n@sync\n\n1500 a\n-5 b\n12abc c\nx d\n99999999999 e\n0 f \\\ng\n@end\n");
    EXPECT_EQ(script.times, (std::vector<int32_t>{1500, -5, 12, 0, 2147483647, 0}));
    EXPECT_EQ(script.commandLines, (std::vector<int>{4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(script.commands.back(), "0 f g");
    EXPECT_EQ(script.current, 0u);
    EXPECT_TRUE(script.lines.empty());
}

TEST(ScriptOptions, UnknownOptionWordSuggestsTheNearest) {
    load("# c\nDefault !fulscreen 800x600 banana\n@sync\n");
    const auto warnings = messages(Diagnostic::Warning, 2);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("did you mean \"!fullscreen\""), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("\"banana\""), std::string::npos) << warnings[1];
    EXPECT_NE(warnings[1].find("\"1024x768\""), std::string::npos) << warnings[1];
    EXPECT_EQ(einit.windowed, 0);
    EXPECT_EQ(einit.screenHeight, 600);
}

TEST(ScriptOptions, OptionsPassAloneNeverReadsPastTheLines) {
    // Lines as a caller might hand them over, without the "@end" loading appends.
    CScript s;
    s.lines = {"Default !gui", "@sync", "0 a", "1 b"};
    einit.defaults();
    s.optionParse();
    EXPECT_EQ(einit.gui, 0);
    EXPECT_EQ(s.commands, (std::vector<std::string>{"0 a", "1 b"}));
    EXPECT_EQ(s.times, (std::vector<int32_t>{0, 1}));
    EXPECT_TRUE(s.lines.empty());
}

} // namespace
