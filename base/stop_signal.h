#pragma once

// Ctrl+C and kill (SIGINT, SIGTERM) ask the offline modes to stop: after
// catchStops() the first one is only noted, for the modes' loops to read in
// stopRequested(), so that they stop within a frame, close what they opened
// and exit with 128 + the signal; a second one ends the program at once. A
// closed pipe then makes a write fail instead of ending the program. One
// small function per system (stop_signal_posix.cpp, stop_signal_windows.cpp).
void catchStops();

// The signal that asked to stop; 0 while none did.
int stopRequested();
