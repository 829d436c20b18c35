#include "assets/gfx.h"

#include <GL/gl.h>
#include <cstring>

// The model's own texture: the registered texture whose file name is the one
// stored in the model (up to its NUL, at most 20 bytes); -1 when there is none.
static int ownTexture(const object_type& o) {
    const size_t n = strnlen(o.textureName, sizeof o.textureName);
    return getTexture(getTextureNum(std::string(o.textureName, n)), 0);
}

int Show3DS(int index, int texture) {
    glBindTexture(GL_TEXTURE_2D, 0);
    const object_type* o = getObject(index);
    if (!o) return 1;

    glPushMatrix();
    if (texture >= 0) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    } else {
        const int own = ownTexture(*o);
        if (own >= 0) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(own));
    }

    // A face that names a vertex beyond the list is skipped; a corner beyond
    // the mapping list gets the coordinate (0, 0). Nothing is read past an array.
    const size_t vertexCount = o->vertices.size();
    const size_t mapCount = o->mapcoords.size();
    size_t faces = o->polygons.size();
    if (o->polygonCount < 0)
        faces = 0;
    else if (static_cast<size_t>(o->polygonCount) < faces)
        faces = static_cast<size_t>(o->polygonCount);

    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i < faces; ++i) {
        const polygon_type& f = o->polygons[i];
        const int32_t corners[3] = {f.a, f.b, f.c};
        bool inside = true;
        for (int32_t n : corners)
            if (n < 0 || static_cast<size_t>(n) >= vertexCount) inside = false;
        if (!inside) continue;
        for (int32_t n : corners) {
            const VECTOR& p = o->vertices[static_cast<size_t>(n)];
            if (o->hasPolygons == 1) glNormal3f(p.x, p.y, p.z);
            if (o->hasMapcoords == 1) {
                if (static_cast<size_t>(n) < mapCount)
                    glTexCoord2f(o->mapcoords[static_cast<size_t>(n)].u,
                                 o->mapcoords[static_cast<size_t>(n)].v);
                else
                    glTexCoord2f(0.0f, 0.0f);
            } else {
                glTexCoord3f(p.x, p.y, p.z);
            }
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();

    glPopMatrix();
    return 1;
}
