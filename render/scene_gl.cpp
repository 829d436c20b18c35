#include "render/scene_gl.h"

#include "assets/gfx.h"
#include "base/config.h"
#include "render/bezier.h"
#include "render/camera.h"
#include "render/draw_path.h"
#include "render/show3ds.h"

#include <GL/gl.h>
#include <algorithm>
#include <vector>

void loadPerspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The frustum's width follows the picture's aspect: exactly 1.33 for the
    // 4:3 sizes the options give.
    const Frustum f = viewFrustum(einit.screenWidth, einit.screenHeight);
    glFrustum(f.left, f.right, f.bottom, f.top, f.zNear, f.zFar);
    camera.render();
}

void sceneSwitchesOn(const CScene& s) {
    if (s.blend) {
        glBlendFunc(static_cast<GLenum>(s.blendSrc), static_cast<GLenum>(s.blendDst));
        glEnable(GL_BLEND);
    }
    if (s.wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (s.envmap) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    }
}

void sceneSwitchesOff(const CScene& s) {
    if (s.blend) glDisable(GL_BLEND);
    if (s.wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (s.envmap) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

namespace {
// Image layers queued within a frame: consecutive layers that would be drawn
// with the same state (texture, blend function, colour; no rotation, mask,
// wireframe or environment mapping) go to GL as one array of quads, in
// their order, which blends exactly as one call per layer does.
struct LayerBatch {
    bool collecting = false; // inside a frame
    bool open = false;
    GLuint texture = 0;
    GLenum src = 0, dst = 0;
    bool colored = false;
    GLfloat color[4] = {};
    std::vector<GLfloat> quads; // s, t, x, y per corner; the capacity is kept
} batch;

bool batchable(const CScene& s) {
    return batch.collecting && drawPath == DrawPath::Arrays && s.kind == 0 && s.type == 1 && !s.rotate &&
           !s.mask && !s.wireframe && !s.envmap && s.objectValue >= 0;
}

// The colour an image layer sets, if any.
bool layerColor(const CScene& s, GLfloat c[4]) {
    if (s.color) {
        c[0] = s.colorValue[0];
        c[1] = s.colorValue[1];
        c[2] = s.colorValue[2];
        c[3] = s.opacity ? s.opacityValue : 1.0f;
        return true;
    }
    if (s.opacity) {
        c[0] = c[1] = c[2] = 1.0f;
        c[3] = s.opacityValue;
        return true;
    }
    return false;
}

bool joinsBatch(const CScene& s) {
    if (!batch.open) return false;
    GLfloat c[4];
    const bool colored = layerColor(s, c);
    return batch.texture == static_cast<GLuint>(s.objectValue) &&
           batch.src == static_cast<GLenum>(s.blendSrc) && batch.dst == static_cast<GLenum>(s.blendDst) &&
           batch.colored == colored && (!colored || std::equal(c, c + 4, batch.color));
}
} // namespace

void beginImageBatching() {
    batch.collecting = true;
    batch.open = false;
}

void endImageBatching() {
    flushImageLayers();
    batch.collecting = false;
}

void drawScene(const CScene& s) {
    if (!(batchable(s) && joinsBatch(s))) flushImageLayers();
    sceneSwitchesOn(s);
    switch (drawnAs(s)) {
    case Drawn::Model:
        objectPass(s);
        break;
    case Drawn::Picture:
        imagePass(s);
        break;
    case Drawn::Bezier:
        // The effect draws from its own record; s only says when and with
        // which switches.
        drawBezier(scene1);
        break;
    case Drawn::Nothing:
        break;
    }
    sceneSwitchesOff(s);
}

void objectColorAndTransform(const CScene& s) {
    // objUpdate has already made opacityValue 1.0 for a record without opacity.
    if (s.color)
        glColor4f(s.colorValue[0], s.colorValue[1], s.colorValue[2], s.opacityValue);
    else if (s.opacity)
        glColor4f(1.0f, 1.0f, 1.0f, s.opacityValue);
    if (s.translate) glTranslatef(s.translateValue[0], s.translateValue[1], s.translateValue[2]);
    if (s.rotate) glRotatef(s.angleValue, s.axisValue[0], s.axisValue[1], s.axisValue[2]);
    if (s.scale) glScalef(s.scaleValue[0], s.scaleValue[1], s.scaleValue[2]);
}

void objectPass(const CScene& s) {
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glPushMatrix();
    objectColorAndTransform(s);
    Show3DS(s.objectValue, s.maskValue);
    glPopMatrix();
    glPopAttrib();
}

// The corners of a layer as s, t, x, y each: texture row 0 is the top of the
// picture, so t 0 goes to the top edge.
static void quadCorners(const ImageRect& r, GLfloat* q) {
    const GLfloat corners[16] = {0.0f, 1.0f, r.x0, r.y0, 0.0f, 0.0f, r.x0, r.y1,
                                 1.0f, 0.0f, r.x1, r.y1, 1.0f, 1.0f, r.x1, r.y0};
    std::copy(corners, corners + 16, q);
}

static void drawQuads(const GLfloat* quads, GLsizei corners) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(GLfloat), quads);
    glVertexPointer(2, GL_FLOAT, 4 * sizeof(GLfloat), quads + 2);
    glDrawArrays(GL_QUADS, 0, corners);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

static void imageQuad(const ImageRect& r) {
    if (drawPath == DrawPath::Immediate) {
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(r.x0, r.y0);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(r.x0, r.y1);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(r.x1, r.y1);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(r.x1, r.y0);
        glEnd();
        return;
    }
    // The same four corners from one array.
    GLfloat quad[16];
    quadCorners(r, quad);
    drawQuads(quad, 4);
}

// The layer pass's state around its quads: attributes and projection saved,
// the layer's blend function, no depth test, window-pixel projection (with
// the layer's turn before it), the layer's colour.
static void layerStateOn(GLenum src, GLenum dst, const CScene* turn, const GLfloat* color) {
    const int W = einit.screenWidth, H = einit.screenHeight;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glPushMatrix(); // the frustum and the camera

    // An image layer is always blended, whatever its blend switch says.
    glBlendFunc(src, dst);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPushMatrix();
    // Before the orthographic projection: the layer turns about the screen centre.
    if (turn && turn->rotate)
        glRotatef(turn->angleValue, turn->axisValue[0], turn->axisValue[1], turn->axisValue[2]);
    glOrtho(0.0, W, 0.0, H, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (color) glColor4fv(color);
}

static void layerStateOff() {
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopMatrix();
    glPopAttrib();
    loadPerspective();
}

void flushImageLayers() {
    if (!batch.open) return;
    batch.open = false;
    layerStateOn(batch.src, batch.dst, nullptr, batch.colored ? batch.color : nullptr);
    glBindTexture(GL_TEXTURE_2D, batch.texture);
    drawQuads(batch.quads.data(), static_cast<GLsizei>(batch.quads.size() / 4));
    layerStateOff();
}

void imagePass(const CScene& s) {
    const ImageRect r = imageRect(s, einit.screenWidth, einit.screenHeight);
    if (batchable(s)) {
        if (!joinsBatch(s)) {
            flushImageLayers();
            batch.open = true;
            batch.texture = static_cast<GLuint>(s.objectValue);
            batch.src = static_cast<GLenum>(s.blendSrc);
            batch.dst = static_cast<GLenum>(s.blendDst);
            batch.colored = layerColor(s, batch.color);
            batch.quads.clear();
        }
        const size_t at = batch.quads.size();
        batch.quads.resize(at + 16);
        quadCorners(r, batch.quads.data() + at);
        return;
    }

    GLfloat color[4];
    const bool colored = layerColor(s, color);
    layerStateOn(static_cast<GLenum>(s.blendSrc), static_cast<GLenum>(s.blendDst), &s,
                 colored ? color : nullptr);
    if (s.mask) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(s.maskValue));
        imageQuad(r);
    }
    // A negative texture leaves the binding as it is (the mask after a mask quad).
    if (s.objectValue >= 0) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(s.objectValue));
    imageQuad(r);
    layerStateOff();
}
