#include "render/effect.h"

#include "engine/config.h"

#include <GL/gl.h>
#include <SDL.h>

// PLACEHOLDER: the frame renderer lands with the render work.
CEffect effect;

void CEffect::DrawGLScene() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (present && einit.screen) SDL_GL_SwapWindow(einit.screen);
}
