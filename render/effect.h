#pragma once

// The frame renderer: one call draws one frame of the show.
class CEffect {
  public:
    bool present = true; // swap buffers at the end of the frame (the live window)
    // The size of the offscreen frame drawn into, in pixels: the picture
    // (einit's screen size) is scaled to the largest rectangle of its aspect
    // that fits, centred, the rest black. The live window's drawable size is
    // read every frame instead. 0: the viewport is left as it is.
    int outputWidth = 0, outputHeight = 0;
    void DrawGLScene();
};

extern CEffect effect;
