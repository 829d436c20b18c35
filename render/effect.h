#pragma once

// The frame renderer: one call draws one frame of the show.
class CEffect {
  public:
    bool present = true; // swap buffers at the end of the frame (the live window)
    void DrawGLScene();
};

extern CEffect effect;
