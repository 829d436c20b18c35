#pragma once

// Draws the model at registry index `index` with the OpenGL texture
// `texture`, or with the model's own texture when `texture` is negative.
// Returns 1.
int Show3DS(int index, int texture);

// Deletes the models' GL buffers of the current context.
void releaseDrawBuffers();
