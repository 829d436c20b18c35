#include "base/config.h"
#include "base/engine.h"
#include "base/timer.h"
#include "cli/modes.h"
#include "engine/dev_session.h"
#include "engine/input.h"
#include "engine/sound.h"
#include "engine/startup.h"
#include "render/effect.h"
#include "script/rewind.h"
#include "script/script.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

// Stops the music, closes the display and ends the process with status 0.
// The GL context is released first and the process leaves without running
// the exit handlers of the libraries it loaded: quitting never waits on a
// driver's threads.
void quitShow() {
    sound.exit();
    closeDisplay();
    SDL_Quit();
    std::fflush(nullptr);
    std::_Exit(0);
}

// The authoring loop: the frame, the clock (held while paused), every pending
// event, and a look at data/ a few times a second. "end" holds the show at
// its last frame instead of quitting, so that it can still be sought.
[[noreturn]] static void runDev() {
    dev.watch();
    for (;;) {
        effect.DrawGLScene();
        dev.frameDrawn();
        if (engine.ended && !dev.paused) dev.togglePause();
        dev.tick();
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (!dev.handle(e)) quitShow();
        dev.poll();
    }
}

int runLive(const Options& opt) {
    overrides = overridesOf(opt);
    const bool authoring = opt.dev || opt.hasStart;
    startShow();
    // The clock follows the music as it is heard, unless told to keep to the ticks.
    timer.music = opt.tickClock ? nullptr : musicHeard;
    timer.audioOffset = opt.audioOffset;
    if (!authoring) {
        // The show exactly as the script says.
        sound.play();
        for (;;) {
            effect.DrawGLScene();
            timer.getTime();
            input.all();
        }
    }

    dev.fps = opt.fps;
    const int32_t start = opt.hasStart ? std::max(0, secondsToMs(opt.start)) : 0;
    if (start > 0 && !rewindTo(start, opt.fps) && !opt.dev) {
        engine.reportEnd();
        sound.exit();
        closeDisplay();
        SDL_Quit();
        return 1;
    }
    // The real clock continues from the start time, and so does the music.
    timer.useReal();
    timer.continueAt(std::max(timer.elapsed, 0), timer.now());
    // The picture goes where the music could go.
    if (const int32_t landed = sound.playFrom(timer.elapsed); landed != timer.elapsed) {
        rewindTo(landed, opt.fps);
        timer.useReal();
        timer.continueAt(timer.elapsed, timer.now());
    }
    if (opt.dev) runDev();
    for (;;) {
        effect.DrawGLScene();
        timer.getTime();
        input.all();
    }
}
