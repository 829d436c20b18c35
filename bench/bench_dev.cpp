#include "bench/bench_dev.h"

#include "base/config.h"
#include "bench/bench_util.h"
#include "cli/modes.h"
#include "engine/dev_session.h"
#include "engine/offline.h"
#include "engine/run_mode.h"
#include "render/effect.h"

#include <GL/gl.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPhotos = 12;

std::string photoName(int i) {
    char name[32];
    // photo.jpg is the one that changes: the floor decodes DIR/data/photo.jpg.
    if (i == 0) return "photo.jpg";
    std::snprintf(name, sizeof name, "photo%02d.jpg", i);
    return name;
}

// A show of 41 commands over the twelve photos, `variant` changing one line.
std::string script(int variant) {
    std::string s = "Default 640x480 !sound\n@sync\n";
    for (int k = 0; k < 41; ++k) {
        char line[200];
        std::snprintf(line, sizeof line,
                      "%.1f track %d type 1 object %s duration 3.0 center scale 0.16 0.16 1 opacity %s\n",
                      k * 1.5, 20 + k % 7, photoName(k % kPhotos).c_str(),
                      k == 14 ? (variant % 2 ? "0.5 to 1" : "0 to 1") : "1 to 0");
        s += line;
    }
    return s;
}

// The same JPEG with another comment after its start marker: other bytes,
// the same picture to decode.
std::string variantOf(const std::string& jpeg, int variant) {
    std::string comment = "\xFF\xFE";
    comment += '\0';
    comment += '\x06';
    comment += static_cast<char>('0' + variant % 10);
    comment += "dev";
    return jpeg.substr(0, 2) + comment + jpeg.substr(2);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Lets the file system's clock move on, so that a rewrite is seen as one.
void tickAway() {
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
}

// From the reload to the next frame finished.
double reloadAndDraw() {
    const double t0 = nowMs();
    if (!dev.reload()) return -1;
    effect.DrawGLScene();
    glFinish();
    return nowMs() - t0;
}

} // namespace

int writeBenchPhoto(int w, int h, const std::string& path) {
    writeFile(path, bigJpeg(w, h));
    return 0;
}

int runDevReload(bool quick, const std::string& self) {
    TempDir dir;
    const int w = quick ? 400 : 4000, h = quick ? 300 : 3000;
    const std::string photo = bigJpeg(w, h);
    for (int i = 0; i < kPhotos; ++i)
        dir.write("data/" + photoName(i), variantOf(photo, i));
    dir.write("data/script.txt", script(0));
    if (chdir(dir.path.c_str()) != 0) return 1;

    Options opt;
    opt.mute = true;
    Offscreen frame;
    einit.defaults();
    if (!openOffline(overridesOf(opt), 60, frame)) return 1;
    applyRunMode(kOfflineRun);
    dev.fps = 60;
    dev.seek(20000);
    dev.watch();
    // The reload's own lines would drown the figures.
    std::fflush(stderr);
    const int saved = dup(2);
    if (std::freopen("/dev/null", "w", stderr) == nullptr) return 1;

    const int runs = quick ? 2 : 5;
    std::vector<double> edit, changed, all, decode;
    for (int r = 0; r < runs; ++r) {
        tickAway();
        dir.write("data/script.txt", script(r + 1));
        edit.push_back(reloadAndDraw());
        tickAway();
        dir.write("data/photo.jpg", variantOf(photo, 20 + r));
        changed.push_back(reloadAndDraw());
        tickAway();
        for (int i = 0; i < kPhotos; ++i)
            dir.write("data/" + photoName(i), variantOf(photo, 30 + r + i));
        all.push_back(reloadAndDraw());
        std::vector<double> got(2);
        if (!runChild(self, "--bigphoto-floor " + dir.path, got)) return 1;
        decode.push_back(got[0]);
    }
    std::fflush(stderr);
    dup2(saved, 2);
    for (double ms : edit)
        if (ms < 0) return 1;
    const double e = median(edit), c = median(changed), d = median(decode), a = median(all);
    std::printf("dev_reload script_ms=%.1f picture_ms=%.1f decode_ms=%.1f ratio=%.2f all_ms=%.1f\n", e, c, d,
                c / d, a);
    return 0;
}
