#include "engine/startup.h"
#include "base/config.h"
#include "base/timer.h"
#include "engine/scan.h"
#include "engine/sound.h"
#include "render/camera.h"
#include "script/check.h"
#include "script/script.h"

#include <cstdio>
#include <cstdlib>

Overrides overrides;

void Overrides::apply() const {
    if (window) einit.windowed = 1;
    if (mute) einit.soundOn = 0;
}

bool openScript() {
    script.init(kScriptPath);
    if (!script.opened) {
        std::fprintf(stderr, "tamarack: cannot open %s: %s\n", kScriptPath, script.openError.c_str());
        return false;
    }
    overrides.apply();
    return true;
}

bool loadScript(const Overrides& o) {
    overrides = o;
    einit.defaults();
    return openScript();
}

// The show plays as the script says, however broken; one line before it
// starts says why it may show nothing. The errors are those --check reports,
// counted the same: the script's, its commands' (read against what the scan
// registered) and its files'.
static void reportShowErrors() {
    int errors = 0, inScript = 0;
    for (const Diagnostic& d : checkShow()) {
        if (d.severity != Diagnostic::Error) continue;
        ++errors;
        inScript += d.file == kScriptPath;
    }
    if (errors > 0)
        std::fprintf(stderr,
                     "tamarack: %s has %d error%s; the show may draw nothing; run 'tamarack "
                     "--check' to see them\n",
                     inScript == errors ? kScriptPath : "data/", errors, errors == 1 ? "" : "s");
}

void startShow() {
    einit.defaults();
    if (!openScript()) std::exit(1);
    openWindow();
    initGlState();
    camera.init();
    const std::string music = scanData().musicPath();
    reportShowErrors();
    if (!music.empty()) sound.init(music.c_str());
    timer.init();
}
