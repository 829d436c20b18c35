#pragma once
#include "base/diagnostic.h"

#include <vector>

// The records that the show draws but no one will see: the show is played
// from 0 on the virtual clock at `fps`, frame by frame as every mode plays
// it, and in each frame every running picture layer and model is placed as
// the renderer places it (its rectangle on the picture of einit's screen
// size, the model's bounds through the frustum). A command whose contents
// are hidden in every frame in which they are drawn, for one and the same
// reason, gets one warning at its line: scaled to 0 on an axis, an opacity
// of 0 with a blend that then adds nothing, wholly outside the picture (on
// one side) or outside the view, or (a picture) wholly under an opaque
// picture drawn above it. The contents a synced record takes from a template
// count for the template's line. The timeline, scene1 and the clock are left
// as they were found. Call with the script loaded and the assets registered.
std::vector<Diagnostic> unseenProblems(int fps);
