#include "assets/tds_writer.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

// A show of 640 x 480 with a 64 x 64 picture, a picture as large as the
// window and a triangle model about the origin; the timeline starts at line 3
// (line 4 with a sync track of one step of track 7, for a timeline that uses it).
std::string checkOf(const std::string& timeline) {
    TempShow show;
    const bool synced = timeline.find("sync 0") != std::string::npos;
    show.script(std::string("Default 640x480\n") + (synced ? "Sync 7 0.5\n" : "") + "@sync\n" + timeline);
    show.write("pic.jpg", solidJpeg(64, 64));
    show.write("big.jpg", solidJpeg(640, 480));
    show.write("tri.3ds",
               tds::encode(tds::Mesh{"tri", "", {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, {}, {{0, 1, 2}}}));
    return runTamarack({"--check", show.dir()}, "", {"SDL_AUDIODRIVER=dummy"}).out;
}

const char* const kPicture = "1.0 track 1 type 1 object pic.jpg duration 1.0 ";
const char* const kModel = "1.0 track 1 type 0 object tri.3ds duration 1.0 ";

TEST(CheckUnseen, EachHiddenCommandGetsExactlyItsWarning) {
    const std::string place =
        ": place it on the picture (640 x 480 pixels, origin bottom left) with 'move' or 'center'";
    const std::string never = " in every frame it is drawn, so it is never seen";
    const std::string into =
        ": 'translate' it into the view, in front of the camera (which looks down -z), e.g. "
        "'translate 0 0 -7'";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {std::string(kPicture) + "move 700 10",
         "3: warning: the layer lies wholly right of the picture" + never + place},
        {std::string(kPicture) + "move -200 0 to -100 400",
         "3: warning: the layer lies wholly left of the picture" + never + place},
        {std::string(kPicture) + "move 10 500 angle 0 rotate 0 0 1",
         "3: warning: the layer lies wholly above the picture" + never + place},
        {std::string(kModel) + "translate 0 0 5",
         "3: warning: the model lies wholly behind the camera (or nearer than 1.5)" + never + into},
        {std::string(kModel) + "translate 100 0 -7 to 90 0 -7",
         "3: warning: the model lies wholly right of the view" + never + into},
        {std::string(kModel) + "translate 0 0 -7 angle 90 rotate 0 1 0 translate 0 0 -20000",
         "3: warning: the model lies wholly beyond the far end of the view (10000)" + never + into},
        {std::string(kPicture) + "scale 0 1 1", "3: warning: 'scale' is 0 on the x axis in every frame it is "
                                                "drawn, so the layer has no width and is "
                                                "never seen: give every axis a size, e.g. 'scale 1 1 1'"},
        {std::string(kModel) + "translate 0 0 -7 scale 1 1 0",
         "3: warning: 'scale' is 0 on the z axis in every frame it is drawn, so the model is squashed flat: "
         "give "
         "every axis a size, e.g. 'scale 1 1 1'"},
        {std::string(kPicture) + "opacity 0", "3: warning: the opacity is 0 in every frame it is drawn, so "
                                              "the layer adds nothing and is never seen: "
                                              "fade it in ('opacity 0 to 1') or give it an opacity above 0"},
        {std::string(kModel) +
             "translate 0 0 -7 blend blendFunc GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA opacity 0",
         "3: warning: the opacity is 0 in every frame it is drawn, so the model adds nothing and is never "
         "seen: "
         "fade it in ('opacity 0 to 1') or give it an opacity above 0"},
        {"1.0 track 1 type 1 object big.jpg duration 1.0 blendFunc GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA\n"
         "1.0 track 2 type 1 object pic.jpg duration 1.0 move 100 100\n",
         "4: warning: the layer lies wholly under the opaque layer of line 3" + never +
             ": give it a smaller 'track' than that layer's, so that it is drawn above it, or make that "
             "layer end "
             "sooner or let light through"},
        // A template's contents, shown by a synced layer, count for the template's line.
        {"0 track 7 type 1 object pic.jpg insync move 900 0\n1.0 track 1 type 1 object pic.jpg duration 1.0 "
         "sync 0\n",
         "4: warning: the layer lies wholly right of the picture" + never + place},
        {std::string(kPicture) + "translate 0 0 -7", "3: warning: 'translate' is never read by a picture "
                                                     "layer (type 1), which lies in window pixels: remove "
                                                     "it, and place the layer with 'move X Y' or 'center'"},
        {std::string(kPicture) + "blend",
         "3: warning: 'blend' changes nothing on a picture layer (type 1): a picture is always blended, by "
         "its "
         "'blendFunc' (GL_SRC_ALPHA GL_ONE unless it names others); remove it"},
        {std::string(kModel) + "translate 0 0 -7 move 10 10",
         "3: warning: 'move' is never read by a model (type 0), which 'translate' places: remove it and "
         "write "
         "'translate X Y Z', e.g. 'translate 0 0 -7'"},
        {std::string(kModel) + "translate 0 0 -7 center",
         "3: warning: 'center' is never read by a model (type 0): remove it; a model at 'translate 0 0 -7' "
         "stands in the middle of the view"},
        {std::string(kModel) + "translate 0 0 -7 opacity 0.5",
         "3: warning: 'opacity' shows on a model (type 0) only with 'blend', which this command does not "
         "have: "
         "add 'blend' or remove 'opacity'"},
        {"1.0 track 1 scene 1 blend duration 1.0 angle 0 to 90 translate 0 0 -40 color 1 0 0",
         "3: warning: 'color' is never read by the Bezier sheaf (scene 1), which reads 'duration', 'angle', "
         "'rotate', 'translate' and 'blend' with 'blendFunc': remove 'color'"},
        {"1.0 track 1 scene 1 blend duration 1.0 angle 0 to 90 translate 0 0 -40 rotate 1 0 0 to 0 1 0",
         "3: warning: the Bezier sheaf (scene 1) reads only the first values of 'rotate'; the ones after "
         "'to' are "
         "never read: remove 'to' and them ('angle A to B' is what moves the sheaf)"},
        {std::string(kModel) + "translate 0 0 -7 reflect",
         "3: warning: 'reflect' is never read: nothing is drawn as a reflection; remove it ('envmap' lays a "
         "picture on a model as its surroundings)"},
        // Seen at some frame, or not hidden: no warning.
        {std::string(kPicture) + "move -100 0 to 100 0", ""},
        {std::string(kPicture) + "opacity 0 to 1 scale 0 0 1 to 1 1 1", ""},
        {std::string(kModel) + "translate 0 0 -7 angle 0 to 90 rotate 0 1 0 scale 1 1 1", ""},
        {"1.0 track 1 type 1 object big.jpg duration 1.0 blendFunc GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA "
         "opacity "
         "0.5\n1.0 track 2 type 1 object pic.jpg duration 1.0\n",
         ""},
        {"1.0 track 1 type 1 object big.jpg duration 1.0\n1.0 track 2 type 1 object pic.jpg duration 1.0\n",
         ""},
    };
    for (const auto& [timeline, warning] : rows) {
        const std::string expected = warning.empty()
                                         ? "0 errors, 0 warnings\n"
                                         : "data/script.txt:" + warning + "\n0 errors, 1 warnings\n";
        EXPECT_EQ(checkOf(timeline.back() == '\n' ? timeline : timeline + "\n"), expected) << timeline;
    }
}

} // namespace
