#include "script/check.h"

#include <gtest/gtest.h>

namespace {

// Pictures, models, the files in data/, the sizes of the sync tracks.
const ShowNames show{{"logo.jpg", "sky.JPG"}, {"torus.3ds"}, {"logo.jpg", "sky.JPG", "torus.3ds"}, {2, 0}};

// The messages found in one command, as "error: ..." or "warning: ...", cut
// before the first ':' or ';' after the severity.
std::vector<std::string> found(const std::string& command) {
    std::vector<std::string> out;
    for (const Diagnostic& d : readCommand(command, 3, show).problems) {
        EXPECT_EQ(d.line, 3);
        const std::string head = d.message.substr(0, d.message.find_first_of(":;"));
        out.push_back((d.severity == Diagnostic::Error ? "error: " : "warning: ") + head);
    }
    return out;
}

TEST(CheckCommand, ProblemsOfOneCommand) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"1000 track 2 type 1 object logo.jpg duration 3000 blend opacity 0 to 1 center", {}},
        {"0 type 0 object torus.3ds object 7 mask 12 sync 0", {}},
        {"0 opacity 0.5 blend", {}}, // the word after a "to" keyword is a keyword of its own
        {"0 blend 5", {"warning: the number '5' belongs to no keyword and is skipped"}},
        {"0 object a.jpg to lgo.jpg", {"error: 'object a.jpg'", "error: 'object ... to lgo.jpg'"}},
        {"0 object pic.png",
         {"error: 'object' takes a picture (.jpg/.JPG), a model (.3ds/.3DS) or a number"}},
        {"0 move 1 2 to 3", {"error: 'to' of 'move' needs 2 numbers (x y in pixels) but the command ends"}},
        {"0 duration blend",
         {"error: 'duration' needs a length (ms, or seconds with a dot), but 'blend' is no "
          "number and is read as its value"}},
        {"0 type 0 object logo.jpg duration 50",
         {"warning: 'type 0' draws a model, but 'logo.jpg' is a picture, so nothing or the wrong model is "
          "drawn"}},
        {"0 object logo.jpg to torus.3ds type 1 duration 50",
         {"warning: 'type 1' draws a picture, but 'torus.3ds' is a model, so nothing or the wrong picture "
          "is drawn"}},
        {"0 type 1 object logo.jpg duration 0",
         {"warning: 'duration 0' ends the command as it starts, so it is erased before it is drawn"}},
        {"0 type 1 object logo.jpg duration 20", {}},
        {"0 type 1 object logo.jpg duration 2 insync", {}}, // a template's steps have their own lengths
    };
    for (const auto& [command, want] : cases)
        EXPECT_EQ(found(command), want) << command;
}

} // namespace
