#include "engine/config.h"
#include "engine/engine.h"
#include "engine/input.h"
#include "engine/modes.h"
#include "engine/sound.h"
#include "engine/startup.h"
#include "engine/timer.h"
#include "render/effect.h"
#include "script/script.h"

#include <SDL.h>
#include <cstdlib>

static void quitShow() {
    sound.exit();
    SDL_Quit();
    std::exit(0);
}

bool loadScript(const Options& opt) {
    overrides.window = opt.window;
    overrides.mute = opt.mute;
    einit.defaults();
    return openScript();
}

int runLive(const Options& opt) {
    overrides.window = opt.window;
    overrides.mute = opt.mute;
    engine.exitHandler = quitShow;
    einit.init();
    sound.play();
    for (;;) {
        effect.DrawGLScene();
        timer.getTime();
        input.all();
    }
}
