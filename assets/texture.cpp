#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/jpeg_decode.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

// Opens a file listed by the directory scan for reading. When that fails, or
// the name is a directory, reports "PATH: REASON; not loaded" and
// returns null.
static std::FILE* openAsset(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    int err = errno;
    struct stat st;
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        f = nullptr;
        err = EISDIR;
    }
    if (!f) assetReport.add(path, Diagnostic::Error, std::string(std::strerror(err)) + "; not loaded");
    return f;
}

void loadTexture(std::string path, bool, bool) {
    std::FILE* f = openAsset(path);
    if (!f) return;
    JpegImage image;
    std::string error;
    std::vector<std::string> warnings;
    const bool decoded = decodeJpeg(f, image, error, warnings);
    std::fclose(f);
    for (const std::string& w : warnings)
        assetReport.add(path, Diagnostic::Warning, w);
    if (!decoded) {
        assetReport.add(path, Diagnostic::Error, error + "; not loaded");
        return;
    }

    texture_type* t = new texture_type;
    t->name = path.substr(5);
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    t->textureId = id;
    t->width = static_cast<int16_t>(image.width & 0xFFFF);
    t->height = static_cast<int16_t>(image.height & 0xFFFF);

    // RGB to RGBA with alpha 255, in buffer order: texture row 0 is the top
    // row of the picture.
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    std::vector<uint8_t> rgba(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        rgba[i * 4] = image.rgb[i * 3];
        rgba[i * 4 + 1] = image.rgb[i * 3 + 1];
        rgba[i * 4 + 2] = image.rgb[i * 3 + 2];
        rgba[i * 4 + 3] = 255;
    }
    std::vector<uint8_t>().swap(image.rgb); // the decoded pixels are not needed any more
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    t->next = gfx.textures;
    gfx.textures = t;
    glBindTexture(GL_TEXTURE_2D, 0);
}

void gfxClear() {
    while (texture_type* t = gfx.textures) {
        gfx.textures = t->next;
        GLuint id = t->textureId;
        glDeleteTextures(1, &id);
        delete t;
    }
    gfxClearObjects();
}
