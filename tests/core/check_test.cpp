#include "script/check.h"
#include "script/suggest.h"

#include <gtest/gtest.h>

namespace {

TEST(Suggest, NearestWord) {
    const std::vector<std::string> keywords = {"opacity", "object", "scale", "scene", "type", "track", "end"};
    struct Case {
        const char* word;
        const char* want; // "" : no suggestion
    } cases[] = {
        {"opacty", "opacity"},  // one deletion
        {"OPACITY", "opacity"}, // case only
        {"Scene", "scene"},     // case wins over a nearer spelling
        {"scael", "scale"},     // two substitutions
        {"trak", "track"},      // one insertion
        {"objectxyz", ""},      // three away
        {"banana", ""},         // nothing near
        {"x", ""},              // a short word does not match everything
        {"typ", "type"},        //
        {"opacity", ""},        // a keyword itself needs no suggestion
        {"scane", "scale"},     // equally near: the first candidate wins
    };
    for (const Case& c : cases)
        EXPECT_EQ(nearestWord(c.word, keywords), c.want) << c.word;
    EXPECT_EQ(nearestWord("Logo.jpg", {"logo.jpg", "logo.JPG"}), "logo.jpg");
    EXPECT_EQ(nearestWord("lgo.jpg", {"sky.jpg", "logo.jpg"}), "logo.jpg");
}

TEST(Suggest, EditDistance) {
    EXPECT_EQ(editDistance("", ""), 0u);
    EXPECT_EQ(editDistance("abc", ""), 3u);
    EXPECT_EQ(editDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(editDistance("flaw", "lawn"), 2u);
}

ShowNames show() {
    ShowNames n;
    n.textures = {"logo.jpg", "sky.JPG"};
    n.models = {"torus.3ds"};
    n.files = {"broken.jpg", "logo.jpg", "ship.3DS", "sky.JPG", "torus.3ds"};
    n.syncTrackSizes = {2, 0};
    return n;
}

// The messages found in one command, each as "error: ..." or "warning: ...",
// shortened to their part before the first ':' or ';' after the severity.
std::vector<std::string> found(const std::string& command) {
    std::vector<std::string> out;
    for (const Diagnostic& d : readCommand(command, 3, show()).problems) {
        EXPECT_EQ(d.file, "data/script.txt");
        EXPECT_EQ(d.line, 3);
        const std::string head = d.message.substr(0, d.message.find_first_of(":;"));
        out.push_back((d.severity == Diagnostic::Error ? "error: " : "warning: ") + head);
    }
    return out;
}

using Found = std::vector<std::string>;

TEST(CheckCommand, ProblemsOfOneCommand) {
    struct Case {
        const char* command;
        Found want;
    } cases[] = {
        {"1000 track 2 type 1 object logo.jpg duration 3000 blend opacity 0 to 1 center", {}},
        {"0 type 1 object sky.JPG mask logo.jpg to logo.jpg", {}},
        {"0 type 0 object torus.3ds object 7 mask 12", {}},
        {"0 opacity 0.5 blend", {}}, // the word after a "to" keyword is a keyword of its own
        {"0 opacty 1 2", {"warning: unknown word 'opacty'"}},
        {"0 xyzzy", {"warning: unknown word 'xyzzy' is skipped"}},
        {"0 blend 5", {"warning: the number '5' belongs to no keyword and is skipped"}},
        {"0 object Logo.jpg", {"error: 'object Logo.jpg'"}},
        {"0 object a.jpg to lgo.jpg", {"error: 'object a.jpg'", "error: 'object ... to lgo.jpg'"}},
        {"0 object broken.jpg", {"error: 'object broken.jpg'"}},
        {"0 object ship.3ds", {"error: 'object ship.3ds'"}},
        {"0 object pic.png",
         {"error: 'object' takes a picture (.jpg/.JPG), a model (.3ds/.3DS) or a number"}},
        {"0 mask torus.3ds", {"error: 'mask' takes a picture (.jpg/.JPG)"}},
        {"0 duration", {"error: 'duration' needs a length (ms, or seconds with a dot) but the command ends"}},
        {"0 color 1 1", {"error: 'color' needs 3 numbers (red green blue) but the command ends"}},
        {"0 move 1 2 to 3", {"error: 'to' of 'move' needs 2 numbers (x y in pixels) but the command ends"}},
        {"0 duration blend",
         {"error: 'duration' needs a length (ms, or seconds with a dot), but 'blend' is no "
          "number and is read as its value"}},
        {"0 blendFunc 770", {"error: 'blendFunc' needs two blend factors but the command ends"}},
        {"0 sync 0", {}},
        {"0 sync 1", {"error: 'sync 1' names an empty sync track (its 'Sync' line has no steps)"}},
        {"0 sync 2", {"error: 'sync 2' names no sync track (the script has 2"}},
        {"0 sync -1", {"error: 'sync -1' names no sync track (the script has 2"}},
        {"0 end", {}},
        {"0 end blend", {"warning: the words after 'end' are never read (the show ends there)"}},
        {"x blend", {"warning: the time 'x' is no number, so the command gets time 0"}},
        {"  ", {"warning: the line holds only blanks and becomes an empty command at time 0"}},
        {"0 bogus bogus bogus", {"warning: unknown word 'bogus' is skipped"}}, // once per command
    };
    for (const Case& c : cases)
        EXPECT_EQ(found(c.command), c.want) << c.command;
}

TEST(CheckCommand, WhatTheCommandGives) {
    struct Case {
        const char* command;
        bool timeIsNumber;
        int32_t time;
        bool duration, insync, type, sync, bezier, end;
        std::vector<int32_t> tracks;
    } cases[] = {
        {"1500 track 2 track 3 type 1 duration 10",
         true,
         1500,
         true,
         false,
         true,
         false,
         false,
         false,
         {2, 3}},
        {"0 insync scene 1", true, 0, false, true, false, false, true, false, {}},
        {"0 scene 2 sync 0", true, 0, false, false, false, true, false, false, {}},
        {"-5 type x", true, -5, false, false, false, false, false, false, {}}, // 'x' is no type
        {"12abc end", true, 12, false, false, false, false, false, true, {}},
        {"abc duration 5", false, 0, true, false, false, false, false, false, {}},
        // "to" ends the values of "opacity"; "track" is then read as a keyword
        {"0 opacity 1 to 0 track 4", true, 0, false, false, false, false, false, false, {4}},
    };
    for (const Case& c : cases) {
        const CommandReading r = readCommand(c.command, 1, show());
        EXPECT_EQ(r.timeIsNumber, c.timeIsNumber) << c.command;
        EXPECT_EQ(r.time, c.time) << c.command;
        EXPECT_EQ(r.hasDuration, c.duration) << c.command;
        EXPECT_EQ(r.hasInsync, c.insync) << c.command;
        EXPECT_EQ(r.hasType, c.type) << c.command;
        EXPECT_EQ(r.hasSync, c.sync) << c.command;
        EXPECT_EQ(r.bezier, c.bezier) << c.command;
        EXPECT_EQ(r.isEnd, c.end) << c.command;
        EXPECT_EQ(r.tracks, c.tracks) << c.command;
    }
}

TEST(CheckFormat, CompilerForm) {
    EXPECT_EQ(formatDiagnostic({Diagnostic::Error, "data/script.txt", 12, "m"}),
              "data/script.txt:12: error: m");
    EXPECT_EQ(formatDiagnostic({Diagnostic::Warning, "data/script.txt", 3, "m"}),
              "data/script.txt:3: warning: m");
    EXPECT_EQ(formatDiagnostic({Diagnostic::Error, "data/a.jpg", 0, "m"}), "data/a.jpg: error: m");
}

} // namespace
