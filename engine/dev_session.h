#pragma once
#include <SDL.h>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

// The authoring mode (--dev): pause, seek, restart and live reload of the
// show while it plays. Every operation acts on the engine's globals (script,
// timer, sound, einit) and takes the clock's ticks from `ticks` so that tests
// can drive it without a window.
class CDev {
  public:
    int fps = 60;        // frame rate of the virtual clock that fast-forwards
    bool paused = false; // clock and music held
    uint32_t (*ticks)() = SDL_GetTicks;

    // What a key press does (F11: between the window and full screen);
    // returns false for the keys that quit.
    bool key(SDL_Keycode sym, uint16_t mod);
    // The dev loop's event handling: every pending event; false to quit.
    bool handle(const SDL_Event& e);

    void togglePause();
    // Rebuilds the timeline from 0 and fast-forwards it to `ms` (never below
    // 0); the real clock continues from there and the music follows.
    void seek(int32_t ms);
    void restart() { seek(0); }

    // The clock step of one frame: the real clock's refresh, or a 1 ms sleep
    // that leaves the show time as it is while paused.
    void tick();

    // Live reload. watch() records the data folder as loaded; poll() compares
    // it twenty times a second and reloads once a change has held still for
    // one look; reload() does it now. Only what changed is loaded again: the
    // script always, and the pictures and models whose files changed (the
    // others keep their textures). A script with errors leaves the previous
    // show playing and prints its diagnostics on stderr; a new show taken
    // prints "tamarack: reloaded data/script.txt: N commands, 0 errors, M
    // warnings" and then its warnings as --check prints them. Returns whether
    // the new show was taken.
    void watch();
    bool poll();
    bool reload();

    // The window title: "Tamarack - 12.34 s - 60 fps", with " - paused" while
    // paused and " - reloaded" for two seconds after a reload, refreshed a few
    // times a second from the frames drawn in the last second, and at once
    // when the show pauses, resumes or is reloaded.
    void frameDrawn();
    static std::string title(int32_t ms, int framesPerSecond, bool paused = false, bool reloaded = false);

  private:
    void continueAt(int32_t ms);       // real clock from show time ms
    void seekKeepingMusic(int32_t ms); // the timeline and clock only
    std::string scriptSignature, assetSignature, pendingSignature;
    std::map<std::string, std::string> assetFiles; // the signature of each file but the script, as loaded
    uint32_t lastPoll = 0, lastTitle = 0;
    uint32_t reloadedAt = 0;   // ticks of the last reload taken
    bool showReloaded = false; // the title says "reloaded"
    std::deque<uint32_t> frameTimes;
};

extern CDev dev;

// The signature of each file of data/ but the script, by name (its size and
// modification time, as dataSignature writes them).
std::map<std::string, std::string> fileSignatures();

// A cheap signature of data/: names, sizes and modification times to the
// nanosecond, of data/script.txt alone (`scriptOnly`) or of every other file.
std::string dataSignature(bool scriptOnly);
