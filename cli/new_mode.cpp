// tamarack new DIR: a starter show, made at this moment by our own writers:
// a commented script, one picture, one model wearing it and ten seconds of
// music. It checks clean and shows every kind of scene the engine draws.
#include "assets/jpeg_encode.h"
#include "assets/tds_writer.h"
#include "assets/xm_writer.h"
#include "base/output_file.h"
#include "cli/modes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char* const script = R"(# A starter show, made by "tamarack new". Play it in a window with
#   tamarack --window SHOW_DIR        (Escape ends it)
# and work on it with
#   tamarack --dev SHOW_DIR           (every saved change shows at once)
#   tamarack --check SHOW_DIR         (every problem, with its line)
# The script language is described in @SCRIPT_DOC@. A time with a dot is seconds (2.5), one
# without a dot milliseconds (2500). A line starting with # is a comment.

# Options: the picture is 640 x 480 pixels; add !fullscreen for a window.
Default 640x480
# Sync track 0: the templates on tracks 7 and 8 by turns, 0.6 s each: one
# beat of the music (100 beats a minute).
Sync 7 0.6 8 0.6
@sync

# Each line: its start time, then keywords. Larger tracks are drawn first.

# The Bezier effect (scene 1): 500 curves along the view axis, swinging.
# Drawn first (track 9), so it lies behind everything else.
0.0 track 9 scene 1 blend duration 10.0 angle 0 to 900 rotate 1 0 0 translate -14 9 -40

# The model: a cube 2 units across (made like tamarack-model cube cube.3ds
# --texture picture.jpg), 6 units in front of the camera, which looks along
# -z from the origin; it turns once about a slanted axis.
0.0 track 3 type 0 object cube.3ds duration 10.0 translate 2.2 -0.3 -6 rotate 1 1 0 angle 0 to 360

# The picture layer, 128 x 128 pixels (its own size): it fades in while it
# moves from left to right; positions are window pixels from the lower left.
0.0 track 2 type 1 object picture.jpg duration 10.0 opacity 0 to 1 move 40 40 to 260 40

# A beat light in the top-right corner: two templates ("insync": not drawn
# themselves) that the synced layer on track 1 shows by turns.
0.0 track 7 type 1 object picture.jpg insync move 496 336 color 1 0.4 0.4
0.0 track 8 type 1 object picture.jpg insync move 496 336 color 0.4 0.4 1
0.0 track 1 type 1 object picture.jpg duration 10.0 sync 0

# The show ends at 10 seconds.
10.0 end
)";

// The picture: a green disc with a golden ring on a dark teal square with a
// light edge, 128 x 128, lighter at the top.
std::vector<uint8_t> picture(int size) {
    std::vector<uint8_t> rgb(static_cast<size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = (x + 0.5) / size * 2 - 1, dy = (y + 0.5) / size * 2 - 1;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double disc = d < 0.95 ? 1 - 0.5 * d * d : 0;
            const double ring = std::exp(-std::pow((d - 0.72) / 0.06, 2));
            const double rise = 0.5 + 0.5 * (1 - (y + 0.5) / size); // lighter at the top
            const double edge = std::max(std::abs(dx), std::abs(dy)) > 0.94 ? 0.5 : 0;
            const double c[3] = {0.05 + 0.10 * disc * rise + 0.9 * ring + edge,
                                 0.30 + 0.60 * disc * rise + 0.7 * ring + edge,
                                 0.28 + 0.10 * disc * rise + 0.1 * ring + edge};
            for (int k = 0; k < 3; ++k)
                rgb[(static_cast<size_t>(y) * size + x) * 3 + k] =
                    static_cast<uint8_t>(std::lround(std::min(1.0, c[k]) * 255));
        }
    return rgb;
}

// The music: 64 rows at 100 beats a minute, 9.6 s: a pad through A minor,
// F, C and G, the bass from the second bar, kicks on the beat and hats.
xm::Module music() {
    enum { Kick, Hat, Bass, Pad1, Pad2, Pad3, Channels };
    enum { IKick = 1, IHat, IBass, IPad };
    const char* chords[4][3] = {
        {"A-3", "C-4", "E-4"}, {"F-3", "A-3", "C-4"}, {"G-3", "C-4", "E-4"}, {"G-3", "B-3", "D-4"}};
    const char* roots[4] = {"A-2", "F-2", "C-3", "G-2"};
    xm::Pattern p(64, Channels);
    for (int bar = 0; bar < 4; ++bar) {
        for (int v = 0; v < 3; ++v)
            p.play(bar * 16, Pad1 + v, xm::note(chords[bar][v]), IPad, 36 + 4 * bar);
        for (int step = 0; bar > 0 && step < 8; ++step)
            p.play(bar * 16 + step * 2, Bass, xm::note(roots[bar]) + (step % 4 == 3 ? 12 : 0), IBass,
                   step % 2 ? 40 : 56);
        for (int beat = 0; bar > 0 && beat < 4; ++beat)
            p.play(bar * 16 + beat * 4, Kick, xm::note("C-4"), IKick);
        for (int row = 2; bar > 1 && row < 16; row += 4)
            p.play(bar * 16 + row, Hat, xm::note("C-4"), IHat, 28);
    }
    xm::Module m;
    m.name = "Tamarack starter";
    m.tracker = "tamarack new";
    m.channels = Channels;
    m.bpm = 100;
    m.order = {0};
    m.patterns = {p};
    m.instruments = {xm::kick(), xm::hat(), xm::bass(), xm::pad()};
    return m;
}

} // namespace

// Where the script language's description lies: beside the installed
// program (PREFIX/bin/tamarack gives PREFIX/share/doc/tamarack/docs/script.md)
// when it is there, else in the source tree the program was built from.
std::string scriptDoc() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path doc = exe.parent_path().parent_path() / "share/doc/tamarack/docs/script.md";
        if (fs::is_regular_file(doc, ec)) return doc.string();
    }
    return "docs/script.md of Tamarack's source";
}

// The starter script with the place of its documentation filled in.
std::string starterScript() {
    std::string text = script;
    const std::string mark = "@SCRIPT_DOC@";
    text.replace(text.find(mark), mark.size(), scriptDoc());
    return text;
}

int runNew(const Options& opt) {
    namespace fs = std::filesystem;
    const fs::path dir = opt.newDir, data = dir / "data";
    std::error_code ec;
    if (fs::exists(fs::symlink_status(data, ec))) {
        std::fprintf(stderr, "tamarack: %s already holds data/; nothing was changed: name a new folder\n",
                     dir.string().c_str());
        return 1;
    }
    const bool made = !fs::exists(dir, ec);
    // The first folder that this run makes, removed after a failure.
    fs::path first = made ? dir : data;
    while (made && !first.parent_path().empty() && first.parent_path() != first &&
           !fs::exists(first.parent_path(), ec))
        first = first.parent_path();
    if (!made && !fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "tamarack: cannot make a show in %s: it is not a folder\n",
                     dir.string().c_str());
        return 1;
    }
    if (!fs::create_directories(data, ec)) {
        std::fprintf(stderr, "tamarack: cannot make %s: %s\n", data.string().c_str(), ec.message().c_str());
        return 1;
    }
    const int size = 128;
    const std::pair<const char*, std::string> files[] = {
        {"script.txt", starterScript()},
        {"picture.jpg", encodeJpeg(picture(size), size, size)},
        {"cube.3ds", tds::encode(tds::cube("cube", "picture.jpg", 2.0f, 1))},
        {"music.xm", xm::encode(music())},
    };
    for (const auto& f : files) {
        std::string why;
        if (writeOutputFile((data / f.first).string(), f.second, why)) continue;
        // Nothing half made is left behind.
        fs::remove_all(first, ec);
        std::fprintf(stderr, "tamarack: %s\n", why.c_str());
        return 1;
    }
    std::printf("tamarack: a starter show in %s: data/script.txt, data/picture.jpg, data/cube.3ds, "
                "data/music.xm\n"
                "play it with:    tamarack --window %s\n"
                "work on it with: tamarack --dev %s\n",
                dir.string().c_str(), dir.string().c_str(), dir.string().c_str());
    return 0;
}
