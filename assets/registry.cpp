#include "assets/gfx.h"

#include <cstring>

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

void registerTexture(texture_type* t) {
    t->next = gfx.textures;
    gfx.textures = t;
    ++gfx.textureChanges;
}

void registerTextureAt(texture_type* t, int index) {
    texture_type** at = &gfx.textures;
    for (int i = 0; i < index && *at; ++i)
        at = &(*at)->next;
    t->next = *at;
    *at = t;
    ++gfx.textureChanges;
}

static bool sameIgnoringCase(const std::string& a, const char* b, size_t length) {
    if (a.size() != length) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < length; ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

int findModelTexture(const char* name, size_t length) {
    const int exact = getTextureNum(name, length);
    if (exact >= 0 || length == 0) return exact;
    int i = 0;
    for (texture_type* t = gfx.textures; t; t = t->next, ++i)
        if (sameIgnoringCase(t->name, name, length)) return i;
    return -1;
}

int ownTextureId(object_type& o) {
    if (!o.ownTextureKnown || o.ownTextureHead != gfx.textures || o.ownTextureChanges != gfx.textureChanges) {
        const size_t n = strnlen(o.textureName, sizeof o.textureName);
        o.ownTexture = getTexture(findModelTexture(o.textureName, n), 0);
        o.ownTextureHead = gfx.textures;
        o.ownTextureChanges = gfx.textureChanges;
        o.ownTextureKnown = true;
    }
    return o.ownTexture;
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

bool textureHasAlpha(int id) {
    for (const texture_type* t = gfx.textures; t; t = t->next)
        if (static_cast<int>(t->textureId) == id) return !t->opaque;
    return false;
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
