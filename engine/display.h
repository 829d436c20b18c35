#pragma once

// The live show's display. Full screen is the desktop's own mode on the display that
// --display picks, or with --mode-switch a video mode of the script's size;
// a window is the script's size, smaller where the screen's usable area is,
// wholly on screen and resizable. The frame renderer scales the picture to
// the window's drawable size, whatever it becomes.

// Display set-up of the live show: the window and its GL context, with the
// command-line overrides (engine/startup.h) for the monitor, the mode and
// vsync. A --display with no monitor ends the program with status 2.
void openWindow();
// The fixed GL state every frame relies on.
void initGlState();
// Releases the GL context and the window of the live show.
void closeDisplay();

// Between the window and full screen on the window's display (the desktop's
// mode), the window put back where it was on the way back.
void toggleFullScreen();
