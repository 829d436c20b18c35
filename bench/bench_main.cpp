// tamarack-bench: the engine's frame and start-up times against the floor of
// the same work on this machine, the engine's reference (immediate) way
// measured alongside. Every workload is made in a temporary folder and runs
// in a fresh process of this program (the engine's state is global).
//
// Sections, in this order: frame workloads (Bezier, model, layers, bundled,
// window), the clock step, export, start-up (startup, startup_busy, bigphoto),
// main.
#include "assets/gfx.h"
#include "base/config.h"
#include "base/engine.h"
#include "base/huge_pages.h"
#include "base/timer.h"
#include "bench/bench_dev.h"
#include "bench/bench_load.h"
#include "bench/bench_util.h"
#include "cli/modes.h"
#include "engine/input.h"
#include "engine/offline.h"
#include "engine/offline_render.h"
#include "engine/run_mode.h"
#include "engine/scan.h"
#include "engine/sound.h"
#include "engine/startup.h"
#include "render/bezier.h"
#include "render/camera.h"
#include "render/draw_path.h"
#include "render/effect.h"
#include "render/scene_gl.h"
#include "script/frame_step.h"
#include "script/rewind.h"
#include "script/script.h"

#include <functional>

#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

bool quick = false;

// --- frame workloads ------------------------------------------------------

// One way of drawing a frame; returns nothing, is timed with glFinish.
struct Way {
    const char* name;
    std::function<void()> frame;
    std::vector<double> ms;
};

// Runs the ways in blocks, rotating which goes first, so that a slow spell of
// the machine falls on all of them alike.
void interleave(std::vector<Way>& ways, int warmUp, int blocks, int perBlock) {
    for (Way& w : ways)
        for (int i = 0; i < warmUp; ++i) {
            w.frame();
            glFinish();
        }
    for (int b = 0; b < blocks; ++b)
        for (size_t k = 0; k < ways.size(); ++k) {
            Way& w = ways[(k + b) % ways.size()];
            for (int i = 0; i < perBlock; ++i) {
                const double t0 = nowMs();
                w.frame();
                glFinish();
                w.ms.push_back(nowMs() - t0);
            }
        }
}

// The engine's frame, by the given path, on the virtual clock.
std::function<void()> engineFrame(DrawPath path) {
    return [path] {
        drawPath = path;
        effect.DrawGLScene();
        timer.getTime();
    };
}

void frameStart() {
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(3.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadPerspective();
}

GLuint makeBuffer(const std::vector<float>& data) {
    GLuint id = 0;
    glGenBuffers(1, &id);
    glBindBuffer(GL_ARRAY_BUFFER, id);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return id;
}

int reportFrames(const char* name, std::vector<Way>& ways) {
    const double imm = median(ways[0].ms), eng = median(ways[1].ms), floor = median(ways[2].ms);
    std::printf("%s engine_ms=%.3f floor_ms=%.3f ratio=%.2f\n", name, eng, floor, eng / floor);
    std::printf("%s immediate_ms=%.3f\n", name, imm);
    return 0;
}

bool openShow(const std::string& dir, Offscreen& frame) {
    if (chdir(dir.c_str()) != 0) return false;
    Options opt;
    einit.defaults();
    if (!openOffline(opt, frame)) return false;
    applyRunMode(kOfflineRun);
    return true;
}

int frameCount(int full) {
    return quick ? 2 : full;
}

// The Bezier sheaf. Floor: its 12,000 segments with their colours, turned on
// the CPU into one buffer, drawn with one call under the same line state.
int runBezier() {
    TempDir dir;
    dir.write("data/script.txt", "Default 640x480\n@sync\n"
                                 "0 track 1 scene 1 blend duration 1000.0 angle 300 to 310 rotate 1 0 0 "
                                 "translate 0 0 -40\n");
    Offscreen frame;
    if (!openShow(dir.path, frame)) return 1;
    effect.DrawGLScene();
    timer.getTime();
    const CScene& trigger = script.scenes.front();

    // Curve i is turned by i steps of 0.01 A about the axis.
    const float A = scene1.angleValue;
    const float* axis = scene1.axisStart;
    std::vector<float> data;
    const double pi = 3.14159265358979323846;
    const double len = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    const double ax = axis[0] / len, ay = axis[1] / len, az = axis[2] / len;
    for (int i = 0; i < 500; ++i) {
        const double a = i * A * 0.01 * pi / 180, c = std::cos(a), s = std::sin(a), t = 1 - c;
        const double m[3][3] = {{t * ax * ax + c, t * ax * ay - s * az, t * ax * az + s * ay},
                                {t * ax * ay + s * az, t * ay * ay + c, t * ay * az - s * ax},
                                {t * ax * az - s * ay, t * ay * az + s * ax, t * az * az + c}};
        const float u = static_cast<float>(i) / 500.0f, w = static_cast<float>(2 * pi * u);
        const float Y = static_cast<float>(10 * std::sin(w)), Z = static_cast<float>(10 * std::cos(w));
        VECTOR ctl[4] = {{-10, Y, Z},
                         {-5, Y, Z},
                         {5, Y, Z},
                         {static_cast<float>(10 * std::cos(0.05 * A) + 15), Y,
                          static_cast<float>(Z + 10 * std::cos(0.02 * A))}};
        VECTOR p[25];
        CompBez(ctl, 25, p);
        auto put = [&](int j) {
            const double sh = 0.5 + 0.5 * std::sin(j * pi / 25);
            data.insert(data.end(), {static_cast<float>(0.5 * sh * (1 + std::sin(w))), 0.0f,
                                     static_cast<float>(0.5 * sh * (1 + std::cos(w)))});
            for (int r = 0; r < 3; ++r)
                data.push_back(static_cast<float>(m[r][0] * p[j].x + m[r][1] * p[j].y + m[r][2] * p[j].z));
        };
        for (int j = 1; j < 25; ++j) {
            put(j - 1);
            put(j);
        }
    }
    const GLuint buffer = makeBuffer(data);
    const GLsizei vertices = static_cast<GLsizei>(data.size() / 6);
    auto floorFrame = [&] {
        frameStart();
        sceneSwitchesOn(trigger);
        glPushMatrix();
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
        glDisable(GL_TEXTURE_2D);
        glTranslatef(scene1.translateStart[0], scene1.translateStart[1], scene1.translateStart[2]);
        glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glColorPointer(3, GL_FLOAT, 6 * sizeof(float), nullptr);
        glVertexPointer(3, GL_FLOAT, 6 * sizeof(float), reinterpret_cast<const void*>(3 * sizeof(float)));
        glDrawArrays(GL_LINES, 0, vertices);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        glPopAttrib();
        glPopMatrix();
        sceneSwitchesOff(trigger);
    };
    std::vector<Way> ways = {{"immediate", engineFrame(DrawPath::Immediate), {}},
                             {"arrays", engineFrame(DrawPath::Arrays), {}},
                             {"floor", floorFrame, {}}};
    interleave(ways, frameCount(10), frameCount(10), frameCount(25));
    return reportFrames("bezier", ways);
}

// A turning textured model. Floor: its corners from one buffer, one call.
int runModel() {
    TempDir dir;
    const int nu = quick ? 30 : 300, nv = quick ? 10 : 100; // two triangles a cell
    dir.write("data/skin.jpg", benchJpeg(512, 512));
    writeModel(dir.path + "/data/model.3ds", "skin.jpg", nu, nv);
    dir.write("data/script.txt", "Default 640x480\n@sync\n"
                                 "0 track 1 type 0 object model.3ds duration 1000.0 color 1 1 1 "
                                 "translate 0 0 -7 angle 0 to 36000 rotate 0.2 1 0.3\n");
    Offscreen frame;
    if (!openShow(dir.path, frame)) return 1;
    effect.DrawGLScene();
    timer.getTime();
    const CScene& s = script.scenes.front();
    object_type* o = getObject(0);
    const GLuint texture = static_cast<GLuint>(getTexture(0, 0));
    const GLuint buffer = makeBuffer(o->drawArray);
    auto floorFrame = [&] {
        frameStart();
        glPushMatrix();
        objectColorAndTransform(s);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, 5 * sizeof(float), nullptr);
        glNormalPointer(GL_FLOAT, 5 * sizeof(float), nullptr);
        glTexCoordPointer(2, GL_FLOAT, 5 * sizeof(float), reinterpret_cast<const void*>(3 * sizeof(float)));
        glDrawArrays(GL_TRIANGLES, 0, o->drawCorners);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glPopMatrix();
    };
    std::vector<Way> ways = {{"immediate", engineFrame(DrawPath::Immediate), {}},
                             {"arrays", engineFrame(DrawPath::Arrays), {}},
                             {"floor", floorFrame, {}}};
    interleave(ways, frameCount(10), frameCount(10), frameCount(25));
    return reportFrames("model", ways);
}

// Moving blended image layers. Floor: all their quads from one buffer, one call.
int runLayers() {
    TempDir dir;
    const int count = quick ? 10 : 200;
    dir.write("data/layer.jpg", benchJpeg(256, 256));
    std::string text = "Default 640x480\n@sync\n";
    for (int i = 0; i < count; ++i) {
        char line[200];
        std::snprintf(line, sizeof line,
                      "0 track %d type 1 blendFunc GL_SRC_ALPHA GL_ONE object layer.jpg duration 1000.0 "
                      "move %d %d to %d %d opacity 0.05\n",
                      i + 1, (i * 37) % 500 - 100, (i * 53) % 400 - 100, (i * 71) % 500 - 100,
                      (i * 29) % 400 - 100);
        text += line;
    }
    dir.write("data/script.txt", text);
    Offscreen frame;
    if (!openShow(dir.path, frame)) return 1;
    effect.DrawGLScene();
    timer.getTime();
    std::vector<float> data;
    for (const CScene& s : script.scenes) {
        const ImageRect r = imageRect(s, einit.screenWidth, einit.screenHeight);
        data.insert(data.end(), {0, 1, r.x0, r.y0, 0, 0, r.x0, r.y1, 1, 0, r.x1, r.y1, 1, 1, r.x1, r.y0});
    }
    const GLuint buffer = makeBuffer(data);
    const GLuint texture = static_cast<GLuint>(getTexture(0, 0));
    const GLsizei vertices = static_cast<GLsizei>(data.size() / 4);
    auto floorFrame = [&] {
        frameStart();
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, einit.screenWidth, 0.0, einit.screenHeight, 0.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 1, 1, 0.05f);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), nullptr);
        glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), reinterpret_cast<const void*>(2 * sizeof(float)));
        glDrawArrays(GL_QUADS, 0, vertices);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glPopAttrib();
        glMatrixMode(GL_PROJECTION);
    };
    std::vector<Way> ways = {{"immediate", engineFrame(DrawPath::Immediate), {}},
                             {"arrays", engineFrame(DrawPath::Arrays), {}},
                             {"floor", floorFrame, {}}};
    interleave(ways, frameCount(10), frameCount(10), frameCount(25));
    return reportFrames("layers", ways);
}

// The bundled show, start to end, every frame drawn.
int runBundled() {
    Offscreen frame;
    if (!openShow(std::string(TAMARACK_SOURCE_DIR), frame)) return 1;
    std::vector<double> ms;
    const int limit = quick ? 10 : 1 << 30;
    for (int i = 0; i < limit && !engine.ended; ++i) {
        const double t0 = nowMs();
        effect.DrawGLScene();
        glFinish();
        ms.push_back(nowMs() - t0);
        timer.getTime();
    }
    const double m = median(ms);
    std::printf("bundled engine_ms=%.3f fps=%.1f\n", m, 1000.0 / m);
    return 0;
}

// The bundled show in a real window, as the live show runs it: the frame
// with its buffer swap, then the input step, start to end on the virtual
// clock. Needs a display (xvfb-run). Floor: the same frames with SDL's own
// SDL_PollEvent as the input step; the two alternate frame by frame.
int runWindow() {
    if (chdir(TAMARACK_SOURCE_DIR) != 0) return 1;
    Overrides o;
    o.window = o.mute = true;
    o.vsync = false; // frames as fast as they come
    if (!loadScript(o)) return 1;
    openWindow();
    initGlState();
    camera.init();
    scanData();
    timer.useVirtual(60);
    timer.init();
    // Frame times and input step times (ms) of the engine's way and the floor.
    std::vector<double> frame[2], step[2];
    const int limit = quick ? 10 : 1 << 30;
    for (int i = 0; i < limit && !engine.ended; ++i) {
        // 0: the engine, 1: the floor, by turns (neighbouring frames are alike),
        // who takes the even frames changing every 64 frames.
        const int way = (i + i / 64) % 2;
        const double t0 = nowMs();
        effect.DrawGLScene();
        glFinish();
        const double t1 = nowMs();
        if (way == 0) {
            input.keyboard();
        } else {
            SDL_Event e;
            SDL_PollEvent(&e);
        }
        const double t2 = nowMs();
        frame[way].push_back(t2 - t0);
        step[way].push_back(t2 - t1);
        timer.getTime();
    }
    const double e = median(frame[0]), f = median(frame[1]);
    std::printf("window engine_ms=%.3f floor_ms=%.3f ratio=%.3f\n", e, f, e / f);
    std::printf("window input_engine_us=%.1f input_floor_us=%.1f\n", 1000 * median(step[0]),
                1000 * median(step[1]));
    closeDisplay();
    return 0;
}

// The live frame's clock step without its 1 ms pause: the refresh that
// follows the music (the bundled theme.xm playing on the audio device) against
// the tick clock alone, in blocks by turns; ns per refresh.
int runClock() {
    if (chdir(TAMARACK_SOURCE_DIR) != 0) return 1;
    einit.defaults();
    einit.soundOn = 1;
    sound.init("data/theme.xm");
    sound.play();
    SDL_Delay(200); // a few buffers taken
    MusicStamp stamp;
    if (!musicHeard(stamp))
        std::fprintf(stderr, "tamarack-bench: clock: no music sounds; both ways are ticks\n");
    timer.useReal();
    timer.init();
    const int perBlock = quick ? 1000 : 200000, blocks = quick ? 2 : 20;
    std::vector<double> ns[2]; // 0: following the music, 1: ticks
    for (int b = 0; b < blocks; ++b)
        for (int k = 0; k < 2; ++k) {
            const int way = (b + k) % 2;
            timer.music = way == 0 ? musicHeard : nullptr;
            const double t0 = nowMs();
            for (int i = 0; i < perBlock; ++i)
                timer.refresh(timer.now());
            ns[way].push_back((nowMs() - t0) * 1e6 / perBlock);
        }
    timer.music = nullptr;
    sound.exit();
    std::printf("clock music_ns=%.1f ticks_ns=%.1f\n", median(ns[0]), median(ns[1]));
    return 0;
}

// --- export ---------------------------------------------------------------

// The bundled show's first 20 s at 60 fps, several ways: "draw", drawn and
// read back only (the floor); "y4m", "png", "mp4" through the offline render
// of --render (the stream to /dev/null, the files in a temporary folder, the
// MP4 with the music). The ways take turns in blocks of 2 s of the show
// (each block rendered from a rewound timeline, the order turned from block
// to block), so that a slow spell of the machine falls on all of them alike.
// Per frame: the drawing thread's time; medians, in the order of `ways`.
std::vector<double> exportWays(const std::vector<std::string>& ways, Offscreen& frame, bool soundOn) {
    const int32_t block = quick ? 100 : 2000, end = quick ? 100 : 20000;
    const int n = static_cast<int>(ways.size());
    std::vector<std::vector<double>> ms(ways.size());
    TempDir dir;
    std::vector<uint8_t> rgb(static_cast<size_t>(frame.width) * frame.height * 3);
    // The stream goes to /dev/null; the results to the real stdout.
    std::fflush(stdout);
    const int result = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    for (int32_t from = 0, b = 0; from < end; from += block, ++b) {
        for (int k = 0; k < n; ++k) {
            const int w = (k + b) % n;
            rewindTo(0, 60);
            if (ways[w] == "draw") {
                simulateUntil(from);
                while (timer.elapsed < from + block && !engine.ended) {
                    const double t0 = nowMs();
                    effect.DrawGLScene();
                    frame.readRGB(rgb.data());
                    ms[w].push_back(nowMs() - t0);
                    timer.getTime();
                }
                continue;
            }
            RenderJob job;
            job.out = ways[w] == "y4m"   ? "-"
                      : ways[w] == "png" ? dir.path + "/frames"
                                         : dir.path + "/show.mp4";
            job.from = from;
            job.to = from + block - 1;
            job.toEnd = false;
            job.overwrite = true; // the frames of the block before
            if (soundOn) job.music = showFiles.musicPath();
            if (renderShow(job, frame, &ms[w]) != 0) return {};
        }
    }
    std::fflush(stdout);
    dup2(result, 1);
    close(null);
    close(result);
    std::vector<double> medians;
    for (const auto& m : ms)
        medians.push_back(median(m));
    return medians;
}

// The bundled show loaded offscreen in a frame of width x height (0: its own size).
bool openBundled(Offscreen& frame, bool& soundOn, int width = 0, int height = 0) {
    if (chdir(TAMARACK_SOURCE_DIR) != 0) return false;
    Options opt;
    opt.width = width;
    opt.height = height;
    einit.defaults();
    if (!openOffline(opt, frame, true, &soundOn)) return false;
    applyRunMode(kOfflineRun);
    return true;
}

// The MP4 way against the floor in a frame of another size, the picture
// scaled to it.
bool exportSized(Offscreen& frame, bool soundOn, const char* name, int width, int height) {
    std::string err;
    if (!frame.resize(width, height, err)) {
        std::fprintf(stderr, "tamarack-bench: %s\n", err.c_str());
        return false;
    }
    effect.outputWidth = width;
    effect.outputHeight = height;
    const std::vector<double> m = exportWays({"draw", "mp4"}, frame, soundOn);
    if (m.empty()) return false;
    std::printf("%s engine_ms=%.3f floor_ms=%.3f ratio=%.2f\n", name, m[1], m[0], m[1] / m[0]);
    return true;
}

// The script's size (640 x 480) every way, then the MP4 way at 1920 x 1080.
int runExport() {
    Offscreen frame;
    bool soundOn = false;
    if (!openBundled(frame, soundOn)) return 1;
    const std::vector<std::string> ways = {"draw", "y4m", "png", "mp4"};
    const std::vector<double> m = exportWays(ways, frame, soundOn);
    if (m.empty()) return 1;
    std::printf("export_draw engine_ms=%.3f\n", m[0]);
    for (size_t w = 1; w < ways.size(); ++w)
        std::printf("export_%s engine_ms=%.3f floor_ms=%.3f ratio=%.2f\n", ways[w].c_str(), m[w], m[0],
                    m[w] / m[0]);
    return exportSized(frame, soundOn, "export_1080p", quick ? 320 : 1920, quick ? 180 : 1080) ? 0 : 1;
}

// The MP4 way at 3840 x 2160 (not in the default set: about 4 minutes).
int runExport4k() {
    Offscreen frame;
    bool soundOn = false;
    if (!openBundled(frame, soundOn)) return 1;
    return exportSized(frame, soundOn, "export_4k", quick ? 384 : 3840, quick ? 216 : 2160) ? 0 : 1;
}

// --- start-up -------------------------------------------------------------

// In a fresh process: from the start of the asset scan to the first frame.
// Prints the milliseconds, then (bigphoto) the peak memory in MiB or the
// minor page faults taken meanwhile.
int startupChild(const std::string& dir, bool immediate, bool peak) {
    if (immediate) drawPath = DrawPath::Immediate;
    if (chdir(dir.c_str()) != 0) return 1;
    Options opt;
    einit.defaults();
    Offscreen frame;
    if (!openOffline(opt, frame, false)) return 1;
    applyRunMode(kOfflineRun);
    const long faults = minorFaults();
    const double t0 = nowMs();
    scanData();
    effect.DrawGLScene();
    glFinish();
    const double ms = nowMs() - t0;
    if (peak)
        std::printf("%.3f %.1f\n", ms, peakRssMb());
    else
        std::printf("%.3f %ld\n", ms, minorFaults() - faults);
    return 0;
}

// The start-up workload; `busy`: with two busy loops on the machine meanwhile.
int runStartup(const std::string& self, bool busy) {
    TempDir dir;
    const int pictures = quick ? 2 : 32;
    const int w = quick ? 64 : 1920, h = quick ? 48 : 1080;
    for (int i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "data/photo%02d.jpg", i);
        dir.write(name, benchJpeg(w, h, i));
    }
    writeModel(dir.path + "/data/model.3ds", "photo00.jpg", quick ? 30 : 300, quick ? 10 : 100);
    dir.write("data/script.txt",
              "Default 640x480\n@sync\n"
              "0 track 1 type 0 object model.3ds duration 10 color 1 1 1 translate 0 0 -7\n");
    const int runs = quick ? 1 : 7;
    const int kinds = busy ? 2 : 3; // the reference way is left out under load
    std::vector<double> imm, eng, flo, faults;
    BusyLoops loops(busy ? 2 : 0);
    for (int r = 0; r < runs; ++r) {
        // Rotate the order of the kinds of run from round to round.
        for (int k = 0; k < kinds; ++k) {
            const int which = (k + r) % kinds;
            std::vector<double> got(which == 1 ? 1 : 2);
            const std::string args = which == 0   ? "--startup-run " + dir.path + " arrays"
                                     : which == 1 ? "--startup-floor " + dir.path
                                                  : "--startup-run " + dir.path + " immediate";
            if (!runChild(self, args, got)) return 1;
            if (which == 0) faults.push_back(got[1]);
            (which == 0 ? eng : which == 1 ? flo : imm).push_back(got[0]);
        }
    }
    const char* name = busy ? "startup_busy" : "startup";
    const double e = median(eng), f = median(flo);
    std::printf("%s engine_ms=%.3f floor_ms=%.3f ratio=%.2f minor_faults=%.0f\n", name, e, f, e / f,
                median(faults));
    if (!busy) std::printf("%s immediate_ms=%.3f\n", name, median(imm));
    return 0;
}

// One photo of 16,000 x 12,000 shown as an image layer: from the start of the
// asset scan to the first frame, against decoding it whole on one thread.
int runBigPhoto(const std::string& self) {
    TempDir dir;
    dir.write("data/photo.jpg", bigJpeg(quick ? 640 : 16000, quick ? 480 : 12000));
    dir.write("data/script.txt", "Default 640x480\n@sync\n0 track 1 type 1 object photo.jpg duration 10\n");
    const int runs = quick ? 1 : 3;
    std::vector<double> eng, flo;
    double peak = 0, floorPeak = 0;
    for (int r = 0; r < runs; ++r)
        for (int k = 0; k < 2; ++k) {
            const bool engine = (k + r) % 2 == 0;
            std::vector<double> got(2);
            const std::string args = engine ? "--bigphoto-run " + dir.path : "--bigphoto-floor " + dir.path;
            if (!runChild(self, args, got)) return 1;
            (engine ? eng : flo).push_back(got[0]);
            double& p = engine ? peak : floorPeak;
            p = std::max(p, got[1]);
        }
    const double e = median(eng), f = median(flo);
    std::printf("bigphoto engine_ms=%.3f floor_ms=%.3f ratio=%.2f peak_rss_mb=%.0f floor_peak_rss_mb=%.0f\n",
                e, f, e / f, peak, floorPeak);
    return 0;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: tamarack-bench [--quick] "
        "[bezier|model|layers|startup|startup_busy|bigphoto|bundled|load|window|clock|export|export_4k|"
        "dev_reload ...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // The engine's runs and the floors alike start with huge pages where the
    // program itself would.
    useHugePages(argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--startup-floor") return startupFloor(args[1]);
    if (args.size() == 3 && args[0] == "--startup-run")
        return startupChild(args[1], args[2] == "immediate", false);
    if (args.size() == 2 && args[0] == "--bigphoto-floor") return bigPhotoFloor(args[1] + "/data/photo.jpg");
    if (args.size() == 2 && args[0] == "--bigphoto-run") return startupChild(args[1], false, true);
    if (args.size() == 4 && args[0] == "--write-photo")
        return writeBenchPhoto(std::atoi(args[1].c_str()), std::atoi(args[2].c_str()), args[3]);

    std::vector<std::string> workloads;
    std::string child;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--quick")
            quick = true;
        else if (args[i] == "--workload" && i + 1 < args.size())
            child = args[++i];
        else if (args[i] == "bezier" || args[i] == "model" || args[i] == "layers" || args[i] == "startup" ||
                 args[i] == "startup_busy" || args[i] == "bigphoto" || args[i] == "bundled" ||
                 args[i] == "load" || args[i] == "window" || args[i] == "clock" || args[i] == "export" ||
                 args[i] == "export_4k" || args[i] == "dev_reload")
            workloads.push_back(args[i]);
        else
            return usage();
    }
    const std::string self = selfPath();
    if (!child.empty()) {
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        if (child == "bezier") return runBezier();
        if (child == "model") return runModel();
        if (child == "layers") return runLayers();
        if (child == "bundled") return runBundled();
        if (child == "startup") return runStartup(self, false);
        if (child == "startup_busy") return runStartup(self, true);
        if (child == "bigphoto") return runBigPhoto(self);
        if (child == "load") return runLoad(quick);
        if (child == "window") return runWindow();
        if (child == "clock") return runClock();
        if (child == "export") return runExport();
        if (child == "export_4k") return runExport4k();
        if (child == "dev_reload") return runDevReload(quick, self);
        return usage();
    }
    if (workloads.empty())
        workloads = {"bezier",   "model",   "layers", "startup", "startup_busy",
                     "bigphoto", "bundled", "load",   "clock",   "export"};
    int status = 0;
    for (const std::string& w : workloads) {
        // Each workload in its own process: the engine's state is global.
        std::fflush(stdout);
        const std::string command = "'" + self + "' --workload " + w + (quick ? " --quick" : "");
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "tamarack-bench: %s failed\n", w.c_str());
            status = 1;
        }
    }
    return status;
}
