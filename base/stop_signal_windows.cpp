#include "base/stop_signal.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

// The C library puts the default action back before calling a handler, so
// a second Ctrl+C ends the program.
extern "C" void onStop(int sig) {
    stopSignal = sig;
}

} // namespace

void catchStops() {
    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
}

int stopRequested() {
    return stopSignal;
}

void withStopsBlocked(const std::function<void()>& startThreads) {
    startThreads();
}
