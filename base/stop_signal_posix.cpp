#include "base/stop_signal.h"

#include <csignal>
#include <pthread.h>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStop(int sig) {
    stopSignal = sig;
}

} // namespace

void catchStops() {
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int stopRequested() {
    return stopSignal;
}

void withStopsBlocked(const std::function<void()>& startThreads) {
    sigset_t stops, before;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    startThreads();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}
