#include "render/effect.h"

#include "base/config.h"
#include "base/picture_fit.h"
#include "render/camera.h"
#include "render/scene_gl.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <GL/gl.h>
#include <SDL.h>
#include <algorithm>

CEffect effect;

// The picture's place in an output of outW x outH pixels: the viewport, and
// the scissor box that keeps wide lines off the black bars beside it. The
// whole output is cleared first. Returns how many output pixels a pixel of
// the picture is.
static float placePicture(int outW, int outH) {
    const int W = einit.screenWidth, H = einit.screenHeight;
    const PixelRect area = fitPicture(W, H, outW, outH);
    glDisable(GL_SCISSOR_TEST);
    glViewport(area.x, area.y, area.width, area.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!(area == PixelRect{0, 0, outW, outH})) {
        glScissor(area.x, area.y, area.width, area.height);
        glEnable(GL_SCISSOR_TEST);
    }
    if (W <= 0 || H <= 0) return 1.0f;
    return std::min(static_cast<float>(area.width) / W, static_cast<float>(area.height) / H);
}

void CEffect::DrawGLScene() {
    // Full screen: park the pointer out of the way (fixed position).
    if (einit.windowed == 0 && einit.screen) SDL_WarpMouseInWindow(einit.screen, 1024, 768);

    // The live window's drawable changes with the window; an offscreen frame
    // says its size; without either the viewport is left as it is.
    int outW = outputWidth, outH = outputHeight;
    if (einit.screen) SDL_GL_GetDrawableSize(einit.screen, &outW, &outH);
    const bool placed = outW > 0 && outH > 0;
    const float scale = placed ? placePicture(outW, outH) : 1.0f;

    // Lines and points keep their width in the picture at every output size.
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(3.0f * scale);
    glPointSize(scale);
    if (!placed) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
