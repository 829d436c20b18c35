#include "render/scene_gl.h"

#include "assets/gfx.h"
#include "engine/config.h"
#include "render/camera.h"

#include <GL/gl.h>

void loadPerspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.33, 1.33, -1.0, 1.0, 1.5, 10000.0);
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

void drawScene(const CScene& s) {
    sceneSwitchesOn(s);
    if (s.kind == 0) {
        if (s.type == 0)
            objectPass(s);
        else if (s.type == 1)
            imagePass(s);
    } else if (s.kind == 1) {
        // The effect draws from its own record; s only says when and with
        // which switches.
        scene1.Bezier();
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

ImageRect imageRect(const CScene& s, int W, int H) {
    const int w = s.width, h = s.height;
    ImageRect r{0.0f, 0.0f, 0.0f, 0.0f};
    if (s.center) {
        r.x0 = static_cast<float>(W - (W / 2 + w / 2));
        r.y0 = static_cast<float>(H - (H / 2 + h / 2));
    }
    if (s.move) {
        r.x0 = s.moveValue[0];
        r.y0 = s.moveValue[1];
    }
    if (!s.scale) {
        r.x1 = r.x0 + w;
        r.y1 = r.y0 + h;
    } else {
        const float sx = s.scaleValue[0], sy = s.scaleValue[1];
        r.x0 = r.x0 - w * (sx - 1) * 0.5f;
        r.y0 = r.y0 - h * (sy - 1) * 0.5f;
        r.x1 = r.x0 + w * sx;
        r.y1 = r.y0 + h * sy;
    }
    return r;
}

// Texture row 0 is the top of the picture, so t 0 goes to the top edge.
static void imageQuad(const ImageRect& r) {
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
}

void imagePass(const CScene& s) {
    const int W = einit.screenWidth, H = einit.screenHeight;

    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glPushMatrix(); // the frustum and the camera

    // An image layer is always blended, whatever its blend switch says.
    glBlendFunc(static_cast<GLenum>(s.blendSrc), static_cast<GLenum>(s.blendDst));
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPushMatrix();
    // Before the orthographic projection: the layer turns about the screen centre.
    if (s.rotate) glRotatef(s.angleValue, s.axisValue[0], s.axisValue[1], s.axisValue[2]);
    glOrtho(0.0, W, 0.0, H, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    if (s.color)
        glColor4f(s.colorValue[0], s.colorValue[1], s.colorValue[2], s.opacity ? s.opacityValue : 1.0f);
    else if (s.opacity)
        glColor4f(1.0f, 1.0f, 1.0f, s.opacityValue);

    const ImageRect r = imageRect(s, W, H);
    if (s.mask) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(s.maskValue));
        imageQuad(r);
    }
    // A negative texture leaves the binding as it is (the mask after a mask quad).
    if (s.objectValue >= 0) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(s.objectValue));
    imageQuad(r);

    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopMatrix();
    glPopAttrib();

    loadPerspective();
}
