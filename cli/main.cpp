#include "base/huge_pages.h"
#include "base/output_file.h"
#include "base/stop_signal.h"
#include "cli/modes.h"
#include "cli/options.h"
#include "engine/run_mode.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <unistd.h>

// On Windows SDL2main starts the program and calls this main, which this
// header renames SDL_main with C linkage; nothing elsewhere.
#include <SDL_main.h>

#if defined(__SANITIZE_ADDRESS__)
// The GL drivers are unloaded before LeakSanitizer looks, so their
// process-lifetime allocations cannot be told apart from ours; leaks are
// checked in the GL-free core tests and the fuzzers instead.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
#endif

// How each mode runs: the live show presents its frames and quits on "end";
// --dev holds the show at its last frame instead; every other mode draws
// offscreen, and --check prints the asset problems with its own.
static RunMode runModeOf(const Options& opt) {
    switch (opt.mode) {
    case Options::Live:
        return RunMode{true, true, opt.dev ? nullptr : quitShow};
    case Options::Check:
        return kCheckRun;
    default:
        return kOfflineRun;
    }
}

static int runMode(const Options& opt) {
    switch (opt.mode) {
    case Options::Preprocess:
        return runPreprocess(opt);
    case Options::Inspect:
        return runInspect(opt);
    case Options::Scenes:
        return runScenes(opt);
    case Options::Assets:
        return runAssets(opt);
    case Options::Shot:
        return runShot(opt);
    case Options::Render:
        return runRender(opt);
    case Options::Check:
        return runCheck(opt);
    case Options::Timeline:
        return runTimeline(opt);
    case Options::ContactSheet:
        return runContactSheet(opt);
    case Options::Tempo:
        return runTempo(opt);
    case Options::New:
    case Options::Live:
        break;
    }
    return runLive(opt);
}

// What a mode printed must have reached stdout: a full disk or a closed file
// there is a failure, not a success. A mode that failed has said why, but
// for --check, whose status 1 is a finding.
static int checkStdout(int status, Options::Mode mode) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if ((flushed && !std::ferror(stdout)) || (status != 0 && mode != Options::Check)) return status;
    std::cerr << "tamarack: cannot write to stdout: "
              << (errno ? std::strerror(errno) : "what was printed is incomplete") << "\n";
    return 1;
}

int main(int argc, char** argv) {
    binaryStdStreams();
    Options opt;
    int status = parseCommandLine(argc, argv, opt);
    if (status >= 0) return status;
    // The modes that load the show's pictures start again with huge pages.
    if (opt.mode != Options::Preprocess && opt.mode != Options::Inspect && opt.mode != Options::Tempo)
        useHugePages(argv);
    // Output paths are the user's, relative to where the program was started.
    if (!opt.file.empty()) opt.file = std::filesystem::absolute(opt.file).string();
    if (!opt.out.empty() && opt.out != "-") opt.out = std::filesystem::absolute(opt.out).string();
    if (opt.mode == Options::New) return runNew(opt);
    applyRunMode(runModeOf(opt));
    if (!opt.showDir.empty() && chdir(opt.showDir.c_str()) != 0) {
        std::cerr << "tamarack: cannot enter the show folder " << opt.showDir << ": " << std::strerror(errno)
                  << "\n";
        return 1;
    }
    status = runMode(opt);
    // A mode stopped by a signal has written nothing (--render says what it wrote).
    if (const int sig = stopRequested()) {
        if (opt.mode != Options::Render)
            std::cerr << "tamarack: stopped by " << (sig == SIGINT ? "SIGINT" : "SIGTERM") << "\n";
        return 128 + sig;
    }
    return checkStdout(status, opt.mode);
}
