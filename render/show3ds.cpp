#include "render/show3ds.h"

#include "assets/face_guard.h"
#include "assets/gfx.h"
#include "render/draw_path.h"
#include "render/gl_functions.h"

#include <SDL.h>
#include <cstdint>

// The reference way: three calls per corner.
static void drawImmediate(const object_type& o) {
    // A face that names a vertex beyond the list is skipped; a corner beyond
    // the mapping list gets the coordinate (0, 0). Nothing is read past an array.
    const size_t mapCount = o.mapcoords.size();
    const size_t faces = drawableFaces(o);

    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i < faces; ++i) {
        const polygon_type& f = o.polygons[i];
        const int32_t corners[3] = {f.a, f.b, f.c};
        if (!faceInside(o, f)) continue;
        for (int32_t n : corners) {
            const VECTOR& p = o.vertices[static_cast<size_t>(n)];
            if (o.hasPolygons == 1) glNormal3f(p.x, p.y, p.z);
            if (o.hasMapcoords == 1) {
                if (static_cast<size_t>(n) < mapCount)
                    glTexCoord2f(o.mapcoords[static_cast<size_t>(n)].u,
                                 o.mapcoords[static_cast<size_t>(n)].v);
                else
                    glTexCoord2f(0.0f, 0.0f);
            } else {
                glTexCoord3f(p.x, p.y, p.z);
            }
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();
}

// The drawing array in a buffer of the current context, uploaded on the
// first draw (a model loaded without a context, or drawn in a later one).
static GLuint drawBufferOf(object_type& o) {
    void* context = SDL_GL_GetCurrentContext();
    if (o.drawBuffer == 0 || o.drawBufferContext != context) {
        GLuint id = 0;
        glGenBuffers(1, &id);
        glBindBuffer(GL_ARRAY_BUFFER, id);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(o.drawArray.size() * sizeof(float)),
                     o.drawArray.data(), GL_STATIC_DRAW);
        o.drawBuffer = id;
        o.drawBufferContext = context;
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, o.drawBuffer);
    }
    return o.drawBuffer;
}

// The same corners, normals and texture coordinates from one array, in one
// call. The current normal and texture coordinate that the array leaves
// undefined are restored by the caller's attribute save.
static void drawArrays(object_type& o) {
    if (!o.drawArraysBuilt) buildDrawArrays(o);
    if (o.drawCorners == 0) return;
    drawBufferOf(o);
    const GLsizei stride = static_cast<GLsizei>(drawStride(o) * sizeof(float));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, nullptr);
    if (o.hasPolygons == 1) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, nullptr);
    }
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (o.hasMapcoords == 1)
        glTexCoordPointer(2, GL_FLOAT, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
    else
        glTexCoordPointer(3, GL_FLOAT, stride, nullptr);
    glDrawArrays(GL_TRIANGLES, 0, o.drawCorners);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void releaseDrawBuffers() {
    void* context = SDL_GL_GetCurrentContext();
    for (object_type* o = gfx.objects; o; o = o->next) {
        if (o->drawBuffer != 0 && o->drawBufferContext == context && context) {
            GLuint id = o->drawBuffer;
            glDeleteBuffers(1, &id);
        }
        o->drawBuffer = 0;
        o->drawBufferContext = nullptr;
    }
}

int Show3DS(int index, int texture) {
    glBindTexture(GL_TEXTURE_2D, 0);
    object_type* o = getObject(index);
    if (!o) return 1;

    glPushMatrix();
    if (texture >= 0) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    } else {
        const int own = ownTextureId(*o);
        if (own >= 0) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(own));
    }

    if (drawPath == DrawPath::Immediate)
        drawImmediate(*o);
    else
        drawArrays(*o);
    glPopMatrix();
    return 1;
}
