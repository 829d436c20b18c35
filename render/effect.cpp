#include "render/effect.h"

#include "base/config.h"
#include "render/camera.h"
#include "render/scene_gl.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <GL/gl.h>
#include <SDL.h>

CEffect effect;

void CEffect::DrawGLScene() {
    // Full screen: park the pointer out of the way (fixed position).
    if (einit.windowed == 0 && einit.screen) SDL_WarpMouseInWindow(einit.screen, 1024, 768);

    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(3.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadPerspective();

    // The interpreter call, the sync bookkeeping, the erasing and every
    // running record's current values.
    stepFrame();

    beginImageBatching();
    for (const CScene& s : script.scenes)
        if (s.isRunning()) drawScene(s);
    endImageBatching();

    if (present && einit.screen) SDL_GL_SwapWindow(einit.screen);
}
