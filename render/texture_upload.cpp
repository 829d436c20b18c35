#include "render/texture_upload.h"

#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "render/draw_path.h"
#include "render/show3ds.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstring>
#include <string>
#include <vector>

void uploadTexture(const std::string& path, PreparedTexture& p) {
    if (p.openError != 0) {
        assetReport.add(path, Diagnostic::Error, std::string(std::strerror(p.openError)) + "; not loaded");
        return;
    }
    for (const std::string& w : p.warnings)
        assetReport.add(path, Diagnostic::Warning, w);
    if (!p.decoded) {
        assetReport.add(path, Diagnostic::Error, p.error + "; not loaded");
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
    const JpegImage& image = p.image;
    t->width = image.width;
    t->height = image.height;

    if (p.hasMips) {
        // Texture row 0 is the top row of the picture, as GLU would have it.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        for (size_t i = 0; i < p.levels.size(); ++i) {
            const PreparedTexture::Level& l = p.levels[i];
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), 4, l.width, l.height, 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, p.mips.data() + l.offset);
        }
    } else {
        // The reference way: RGB to RGBA with alpha 255 in buffer order, and
        // GLU scales and builds the mip chain.
        const size_t pixels = static_cast<size_t>(image.width) * image.height;
        std::vector<uint8_t> rgba(pixels * 4);
        for (size_t i = 0; i < pixels; ++i) {
            rgba[i * 4] = image.rgb[i * 3];
            rgba[i * 4 + 1] = image.rgb[i * 3 + 1];
            rgba[i * 4 + 2] = image.rgb[i * 3 + 2];
            rgba[i * 4 + 3] = 255;
        }
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE,
                          rgba.data());
    }
    registerTexture(t);
    glBindTexture(GL_TEXTURE_2D, 0);
}

int maxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : 1;
}

void loadTexture(std::string path, bool, bool) {
    // One picture at a time on this thread; the buffers serve the next call.
    static PreparedTexture prepared;
    const bool fast = drawPath == DrawPath::Arrays;
    prepareTexture(path, prepared, fast, fast ? maxTextureSize() : 0);
    uploadTexture(path, prepared);
    if (!fast) std::vector<uint8_t>().swap(prepared.image.rgb);
}

void gfxClear() {
    while (texture_type* t = gfx.textures) {
        gfx.textures = t->next;
        GLuint id = t->textureId;
        glDeleteTextures(1, &id);
        delete t;
    }
    ++gfx.textureChanges;
    releaseDrawBuffers();
    gfxClearObjects();
}
