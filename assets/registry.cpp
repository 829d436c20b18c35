#include "assets/gfx.h"

gfx_type gfx;

int getTextureNum(std::string name) {
    return getTextureNum(name.data(), name.size());
}

int getTextureNum(const char* name, size_t length) {
    int i = 0;
    for (texture_type* t = gfx.textures; t; t = t->next, ++i)
        if (t->name.compare(0, std::string::npos, name, length) == 0) return i;
    return -1;
}

int getTexture(int index, int what) {
    if (index < 0) return -1;
    texture_type* t = gfx.textures;
    for (int i = 0; t && i < index; ++i)
        t = t->next;
    if (!t) return -1; // beyond the last texture
    switch (what) {
    case 0:
        return static_cast<int>(t->textureId);
    case 1:
        return t->width;
    case 2:
        return t->height;
    default:
        return -1;
    }
}

int getObjectNum(std::string name) {
    int i = 0;
    for (object_type* o = gfx.objects; o; o = o->next, ++i)
        if (o->name == name) return i;
    return -1;
}

object_type* getObject(int index) {
    if (index < 0) return nullptr;
    object_type* o = gfx.objects;
    for (int i = 0; o && i < index; ++i)
        o = o->next;
    return o;
}
