#include "assets/asset_report.h"
#include "base/config.h"
#include "cli/modes.h"
#include "engine/offline.h"
#include "script/check.h"
#include "script/script.h"

#include <cstdio>

// --check: loads the show as the live program does (offscreen, no music) and
// prints every problem in the compilers' form, then "N errors, M warnings".
// Exits 1 when there is an error.
int runCheck(const Options& opt) {
    // The script is loaded once, as openOffline would; one that cannot be
    // read is a finding, not a failure of the check.
    overrides = overridesOf(opt);
    einit.defaults();
    script.reset();
    script.init(kScriptPath);
    Offscreen frame;
    if (script.opened) {
        overrides.apply();
        if (!openOfflineLoaded(opt.fps, frame)) return 1;
    }
    const std::vector<Diagnostic> found = checkShow(opt.fps);
    int errors = 0, warnings = 0;
    for (const Diagnostic& d : found) {
        (d.severity == Diagnostic::Error ? errors : warnings)++;
        std::printf("%s\n", formatDiagnostic(d).c_str());
    }
    std::printf("%d errors, %d warnings\n", errors, warnings);
    std::fflush(stdout);
    return errors > 0 ? 1 : 0;
}
