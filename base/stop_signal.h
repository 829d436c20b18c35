#pragma once
#include <functional>

// Ctrl+C and kill (SIGINT, SIGTERM) ask the offline modes to stop: after
// catchStops() the first one is only noted, for the modes' loops to read in
// stopRequested(), so that they stop within a frame, close what they opened
// and exit with 128 + the signal; a second one ends the program at once. A
// closed pipe then makes a write fail instead of ending the program. One
// small function per system (stop_signal_posix.cpp, stop_signal_windows.cpp).
void catchStops();

// The signal that asked to stop; 0 while none did.
int stopRequested();

// Runs `startThreads` with the stop signals blocked, so that the threads it
// starts (and theirs) leave them to the calling thread; the mask is as
// before afterwards. Windows sends no signal to a chosen thread: there it
// only runs it.
void withStopsBlocked(const std::function<void()>& startThreads);
