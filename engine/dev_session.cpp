#include "engine/dev_session.h"

#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/show_files.h"
#include "base/config.h"
#include "base/engine.h"
#include "base/file_stamp.h"
#include "base/timer.h"
#include "engine/input.h"
#include "engine/scan.h"
#include "engine/sound.h"
#include "engine/startup.h"
#include "render/texture_upload.h"
#include "script/check.h"
#include "script/rewind.h"
#include "script/script.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

CDev dev;

namespace {

constexpr uint32_t kPollEvery = 50;     // ms between two looks at data/
constexpr uint32_t kReloadedFor = 2000; // ms the title says "reloaded"
constexpr uint32_t kTitleEvery = 250;   // ms between two title updates

// Editors' backup and swap files are no part of the show.
bool ignored(const char* name) {
    const size_t n = std::strlen(name);
    return name[0] == '.' || (n > 0 && name[n - 1] == '~');
}

} // namespace

std::map<std::string, std::string> fileSignatures() {
    std::map<std::string, std::string> out;
    std::string sig = dataSignature(false);
    for (size_t at = 0; at < sig.size();) {
        const size_t end = sig.find('\n', at), bar = sig.find('|', at);
        out[sig.substr(at, bar - at)] = sig.substr(bar + 1, end - bar - 1);
        at = end + 1;
    }
    return out;
}

std::string dataSignature(bool scriptOnly) {
    std::string sig;
    for (const std::string& name : dataFolderNames()) {
        if (ignored(name.c_str()) || (name == kScriptName) != scriptOnly) continue;
        const std::string stamp = fileStamp("data/" + name);
        if (stamp.empty()) continue;
        sig += name + "|" + stamp + "\n";
    }
    return sig;
}

void CDev::continueAt(int32_t ms) {
    timer.useReal();
    timer.continueAt(ms, ticks());
}

void CDev::tick() {
    SDL_Delay(1);
    if (paused) return;
    timer.refresh(ticks());
}

void CDev::togglePause() {
    paused = !paused;
    lastTitle = ticks() - kTitleEvery; // the title says so with the next frame
    if (paused) {
        sound.pause();
    } else {
        continueAt(timer.elapsed);
        sound.resume();
    }
}

void CDev::seek(int32_t ms) {
    if (ms < 0) ms = 0;
    // When "end" comes first, the show stands at the frame that reached it.
    rewindTo(ms, fps);
    continueAt(timer.elapsed);
    // The picture goes where the music could go.
    if (const int32_t landed = sound.seek(timer.elapsed); landed != timer.elapsed) {
        rewindTo(landed, fps);
        continueAt(timer.elapsed);
    }
}

bool CDev::key(SDL_Keycode sym, uint16_t mod) {
    const int32_t step = (mod & KMOD_SHIFT) ? 1000 : 5000;
    switch (sym) {
    case SDLK_ESCAPE:
        return false;
    case SDLK_SPACE:
        togglePause();
        break;
    case SDLK_LEFT:
        seek(timer.elapsed - step);
        break;
    case SDLK_RIGHT:
        seek(timer.elapsed + step);
        break;
    case SDLK_HOME:
        restart();
        break;
    case SDLK_F11:
        toggleFullScreen();
        break;
    default:
        break;
    }
    return true;
}

bool CDev::handle(const SDL_Event& e) {
    if (e.type == SDL_KEYDOWN) return key(e.key.keysym.sym, e.key.keysym.mod);
    return !CInput::isQuit(e);
}

void CDev::watch() {
    scriptSignature = dataSignature(true);
    assetSignature = dataSignature(false);
    assetFiles = fileSignatures();
    pendingSignature.clear();
    lastPoll = ticks();
}

bool CDev::poll() {
    const uint32_t now = ticks();
    if (now - lastPoll < kPollEvery) return false;
    lastPoll = now;
    const std::string seen = dataSignature(true) + "\n" + dataSignature(false);
    if (seen == scriptSignature + "\n" + assetSignature) {
        pendingSignature.clear();
        return false;
    }
    // A save may still be under way: reload once the folder holds still.
    if (seen != pendingSignature) {
        pendingSignature = seen;
        return false;
    }
    pendingSignature.clear();
    return reload();
}

// Loads again the files of data/ that changed; the others keep what they hold.
static void rescanAssets(const std::set<std::string>& unchanged) {
    // The music is reopened by sound.refresh(), and only when its file changed.
    if (const std::string music = rescanData(unchanged).musicPath(); !music.empty()) sound.path = music;
}

bool CDev::reload() {
    const std::string newScript = dataSignature(true), newAssets = dataSignature(false);
    // Files other than the script changed on disk: the old ones cannot be
    // brought back, so they are rescanned whatever the script holds.
    const bool assetsChanged = newAssets != assetSignature;
    // The pictures and models whose files are as they were keep their records.
    const std::map<std::string, std::string> files = fileSignatures();
    std::set<std::string> unchanged;
    for (const auto& [name, sig] : files)
        if (const auto it = assetFiles.find(name); it != assetFiles.end() && it->second == sig)
            unchanged.insert(name);
    scriptSignature = newScript;
    assetSignature = newAssets;
    assetFiles = files;
    const int32_t now = timer.elapsed;

    const CScript previous = script;
    const CInit previousInit = einit;
    if (assetsChanged) rescanAssets(unchanged);

    script.reset();
    einit.defaults();
    bool good = openScript();
    std::vector<Diagnostic> found;
    if (good) {
        found = checkShow(fps);
        const bool errors = std::any_of(found.begin(), found.end(),
                                        [](const Diagnostic& d) { return d.severity == Diagnostic::Error; });
        if (errors) {
            for (const Diagnostic& d : found)
                std::fprintf(stderr, "%s\n", formatDiagnostic(d).c_str());
            good = false;
        }
    }
    if (!good) {
        std::fprintf(stderr, "tamarack: %s not reloaded; the previous show goes on\n", kScriptPath);
        script = previous;
        einit = previousInit;
        if (assetsChanged) {
            // The scenes hold texture names of the assets just released.
            const bool wasPaused = paused;
            seekKeepingMusic(now);
            sound.refresh(now, wasPaused);
        }
        return false;
    }
    // The window, its size and the audio device stay as they were opened.
    einit.screen = previousInit.screen;
    einit.videoFlags = previousInit.videoFlags;
    einit.windowed = previousInit.windowed;
    einit.soundOn = previousInit.soundOn;
    einit.videoWidth = previousInit.videoWidth;
    einit.videoHeight = previousInit.videoHeight;
    seekKeepingMusic(now);
    sound.refresh(now, paused);
    // What was reloaded and what --check would say of it.
    const long warnings = std::count_if(
        found.begin(), found.end(), [](const Diagnostic& d) { return d.severity == Diagnostic::Warning; });
    std::fprintf(stderr, "tamarack: reloaded %s: %zu commands, 0 errors, %ld warnings\n", kScriptPath,
                 script.commands.size(), warnings);
    for (const Diagnostic& d : found)
        std::fprintf(stderr, "%s\n", formatDiagnostic(d).c_str());
    reloadedAt = ticks();
    showReloaded = true;
    lastTitle = reloadedAt - kTitleEvery; // the title says so with the next frame
    return true;
}

void CDev::seekKeepingMusic(int32_t ms) {
    rewindTo(ms, fps);
    continueAt(timer.elapsed);
}

std::string CDev::title(int32_t ms, int framesPerSecond, bool paused, bool reloaded) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "Tamarack - %.2f s - %d fps%s%s", ms / 1000.0, framesPerSecond,
                  paused ? " - paused" : "", reloaded ? " - reloaded" : "");
    return buf;
}

void CDev::frameDrawn() {
    const uint32_t now = ticks();
    frameTimes.push_back(now);
    while (!frameTimes.empty() && now - frameTimes.front() >= 1000)
        frameTimes.pop_front();
    if (now - lastTitle < kTitleEvery) return;
    lastTitle = now;
    if (showReloaded && now - reloadedAt >= kReloadedFor) showReloaded = false;
    if (einit.screen)
        SDL_SetWindowTitle(
            einit.screen,
            title(timer.elapsed, static_cast<int>(frameTimes.size()), paused, showReloaded).c_str());
}
