#include "render/texture_upload.h"

#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "render/draw_path.h"
#include "render/show3ds.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The file's warnings, and why it was not loaded when it was not.
void reportProblems(const std::string& path, const PreparedTexture& p) {
    if (p.openError != 0) {
        assetReport.add(path, Diagnostic::Error, std::string(std::strerror(p.openError)) + "; not loaded");
        return;
    }
    for (const std::string& w : p.warnings)
        assetReport.add(path, Diagnostic::Warning, w);
    if (!p.decoded) assetReport.add(path, Diagnostic::Error, p.error + "; not loaded");
}

GLuint newTexture() {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return id;
}

// Registers texture `id` under the file name, with the picture's own size,
// at registry index `index`.
void addTexture(const std::string& path, GLuint id, int width, int height, int index, bool opaque = true) {
    texture_type* t = new texture_type;
    t->opaque = opaque;
    t->name = path.substr(5);
    t->textureId = id;
    t->width = width;
    t->height = height;
    registerTextureAt(t, index);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The mip chain, uploaded as its rows become final: the levels' storage is
// made first, then each wake-up uploads the rows that came since the last.
// Texture row 0 is the top row of the picture, as GLU would have it.
void uploadChain(const std::string& path, PreparedTexture& p, PrepareProgress::State& seen) {
    const GLuint id = newTexture();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (size_t i = 0; i < p.levels.size(); ++i)
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), 4, p.levels[i].width, p.levels[i].height, 0,
                     GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    std::vector<int> uploaded(p.levels.size(), 0);
    std::vector<size_t> given(p.levels.size(), 0);
    for (;;) {
        for (size_t i = 0; i < p.levels.size(); ++i) {
            const PreparedTexture::Level& l = p.levels[i];
            const int from = uploaded[i], to = seen.rows[i];
            if (to <= from) continue;
            const size_t rowBytes = static_cast<size_t>(l.width) * 4;
            glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), 0, from, l.width, to - from, GL_RGBA,
                            GL_UNSIGNED_BYTE,
                            p.mips.data() + l.offset + static_cast<size_t>(from) * rowBytes);
            uploaded[i] = to;
            // A large picture's rows are given back once the driver has its
            // copy, in whole blocks of the buffer: from the start of the block
            // where the last give-back ended, not before the level.
            if (p.releaseRows) {
                const size_t end = l.offset + static_cast<size_t>(to) * rowBytes;
                const size_t start = std::max(l.offset, given[i]);
                p.mips.release(start, end - start);
                given[i] = end / PixelBuffer::hugePage * PixelBuffer::hugePage;
            }
        }
        p.progress.uploaded(uploaded[0]);
        if (seen.finished) break;
        p.progress.wait(seen);
    }
    if (p.releaseRows) p.mips.reset();
    reportProblems(path, p);
    if (!p.decoded) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &id);
        return;
    }
    addTexture(path, id, p.width, p.height, 0);
}

// A PNG, BMP or TGA picture with its alpha: scaled to the power-of-two size
// GLU would pick, and its mip chain, made here (GLU's scaler leaves the last
// row of a picture scaled along one side only black and clear).
void uploadPicture(const RgbaPicture& picture) {
    int w = 0, h = 0;
    textureLevelSize(picture.width, picture.height, maxTextureSize(), w, h);
    std::vector<uint8_t> level(static_cast<size_t>(w) * h * 4), next;
    if (w == picture.width && h == picture.height)
        level = picture.rgba;
    else
        scaleRGBA(picture.rgba.data(), picture.width, picture.height, level.data(), w, h);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (GLint i = 0;; ++i) {
        glTexImage2D(GL_TEXTURE_2D, i, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        if (w == 1 && h == 1) break;
        const int nw = std::max(w / 2, 1), nh = std::max(h / 2, 1);
        next.resize(static_cast<size_t>(nw) * nh * 4);
        halveRGBA(level.data(), w, h, next.data());
        level.swap(next);
        w = nw;
        h = nh;
    }
}

// The reference way: RGB to RGBA with alpha 255 in buffer order, and GLU
// scales and builds the mip chain.
void uploadWithGlu(const std::string& path, PreparedTexture& p, int index) {
    const GLuint id = newTexture();
    if (!p.picture.rgba.empty()) {
        uploadPicture(p.picture);
        bool opaque = true;
        for (size_t i = 3; i < p.picture.rgba.size() && opaque; i += 4)
            opaque = p.picture.rgba[i] == 255;
        addTexture(path, id, p.width, p.height, index, opaque);
        return;
    }
    const JpegImage& image = p.image;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    std::vector<uint8_t> rgba(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        rgba[i * 4] = image.rgb[i * 3];
        rgba[i * 4 + 1] = image.rgb[i * 3 + 1];
        rgba[i * 4 + 2] = image.rgb[i * 3 + 2];
        rgba[i * 4 + 3] = 255;
    }
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    addTexture(path, id, p.width, p.height, index);
}

} // namespace

void uploadTexture(const std::string& path, PreparedTexture& p, int index) {
    PrepareProgress::State seen;
    p.progress.wait(seen);
    if (seen.started) {
        uploadChain(path, p, seen);
        return;
    }
    // Finished before the texture's size was known: failed, or decoded whole.
    reportProblems(path, p);
    if (p.decoded) uploadWithGlu(path, p, index);
}

int maxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : 1;
}

void loadTextureAt(const std::string& path, int index) {
    // One picture at a time on this thread; the buffers serve the next call.
    static PreparedTexture prepared;
    const bool fast = drawPath == DrawPath::Arrays;
    prepareTexture(path, prepared, fast, fast ? maxTextureSize() : 0);
    uploadTexture(path, prepared, index);
    if (!fast) std::vector<uint8_t>().swap(prepared.image.rgb);
    prepared.picture = RgbaPicture();
}

void loadTexture(std::string path, bool, bool) {
    loadTextureAt(path, 0);
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
